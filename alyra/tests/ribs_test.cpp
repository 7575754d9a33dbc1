// The ribs against a computation of the panel made here: each section placed
// in space from its profile file (turned by its pre-rotation and twist about
// its leading edge, the tip moved back by the sweep), the rulings joining the
// points of equal x on the same surface, the plane Z = s cut by
// interpolating along them. Then the sheeting, the notches and the refusals.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "ribs.h"
#include "test_support.h"

using namespace alyra_test;
using alyra::NotchFace;
using alyra::Rib;
using alyra::RibRequest;
using alyra::SparNotch;

namespace {

struct V {
    double x;
    double y;
};

V operator-(V a, V b) {
    return {a.x - b.x, a.y - b.y};
}
double dot(V a, V b) {
    return a.x * b.x + a.y * b.y;
}

struct Panel {
    const char* name;
    const char* root;
    const char* tip;
    double Ce, He, Ve, Ae, Cs, Hs, Vs, As, F, L;
};

const Panel kPanels[] = {
    {"fleche_vrille", "naca2412.dat", "naca0012.dat", 280, 20, 0, 0, 160, 25, -2, 0, 90, 650},
    {"prerotation", "naca4415.dat", "naca2412.dat", 300, 10, 1.5, 2, 150, 30, -3, -1, 120, 500},
    {"droit", "naca0012.dat", "naca0012.dat", 200, 0, 0, 0, 200, 0, 0, 0, 0, 400},
};

alyra::AlyraModel model_of(const Panel& p) {
    alyra::AlyraModel m = panel_model(p.root, p.tip);
    const auto text = [](double v) { return std::to_string(v); };
    m.fields.txt_corde_empl = text(p.Ce);
    m.fields.txt_href_empl = text(p.He);
    m.fields.txt_vril_empl2 = text(p.Ve);
    m.fields.txt_vril_empl = text(p.Ae);
    m.fields.txt_corde_saum = text(p.Cs);
    m.fields.txt_href_saum = text(p.Hs);
    m.fields.txt_vril_saum2 = text(p.Vs);
    m.fields.txt_vril_saum = text(p.As);
    m.fields.txt_fleche = text(p.F);
    m.Txt_Nom_proj = p.name;
    m.fields.Txt_Long = text(p.L);
    return m;
}

// y of a profile surface at x: the upper surface runs from the first point to
// the leading edge, the lower one from there to the last point.
double surface_y(const alyra::PointTable& t, bool upper, double x) {
    const int n = t.nb_pts;
    int le = 0;
    for (int k = 0; k < n; ++k) {
        if (t.x[k] < t.x[le]) {
            le = k;
        }
    }
    std::vector<V> s;
    if (upper) {
        for (int k = le; k >= 0; --k)
            s.push_back({t.x[k], t.y[k]});
    } else {
        for (int k = le; k < n; ++k)
            s.push_back({t.x[k], t.y[k]});
    }
    if (x <= s.front().x)
        return s.front().y;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (x <= s[i].x) {
            return s[i].x == s[i - 1].x ? s[i].y
                                        : s[i - 1].y + (s[i].y - s[i - 1].y) * (x - s[i - 1].x) /
                                                           (s[i].x - s[i - 1].x);
        }
    }
    return s.back().y;
}

// A profile point placed in its end plane: (X, Y), X forward.
V place(double x, double y, double chord, double height, double aft, double deg) {
    const double a = deg * std::acos(-1.0) / 180;
    return {-aft - chord * (x * std::cos(a) + y * std::sin(a)),
            height + chord * (y * std::cos(a) - x * std::sin(a))};
}

struct Expected {
    std::vector<V> outline;  // rib frame
    V te;                    // end of the chord line, rib frame
};

// The section at station s, sampled densely, in the rib frame.
Expected section_at(const Panel& p, const alyra::AlyraModel& m, double s) {
    const double t = s / p.L;
    const double ar = p.Ae + p.Ve;
    const double at = p.As + p.Vs;
    const auto world = [&](double x, bool upper, bool on_chord) {
        const double yr = on_chord ? 0 : surface_y(m.empl().points, upper, x);
        const double yt = on_chord ? 0 : surface_y(m.saum().points, upper, x);
        const V r = place(x, yr, p.Ce, p.He, 0, ar);
        const V q = place(x, yt, p.Cs, p.Hs, p.F, at);
        return V{r.x + (q.x - r.x) * t, r.y + (q.y - r.y) * t};
    };
    const V origin = world(0, true, true);
    const double a = ar * std::acos(-1.0) / 180;
    const V ex{-std::cos(a), -std::sin(a)};
    const V ey{-std::sin(a), std::cos(a)};
    const auto frame = [&](V w) { return V{dot(w - origin, ex), dot(w - origin, ey)}; };
    Expected e;
    // Denser at the leading and trailing edges, where the surfaces turn.
    constexpr int kSamples = 4000;
    const auto x_at = [](int i) { return (1 - std::cos(std::acos(-1.0) * i / kSamples)) / 2; };
    for (int i = kSamples; i >= 0; --i) {
        e.outline.push_back(frame(world(x_at(i), true, false)));
    }
    for (int i = 0; i <= kSamples; ++i) {
        e.outline.push_back(frame(world(x_at(i), false, false)));
    }
    e.te = frame(world(1, true, true));
    return e;
}

double segment_distance(V p, V a, V b) {
    const V ab = b - a;
    const double len2 = dot(ab, ab);
    const double u = len2 == 0 ? 0 : std::clamp(dot(p - a, ab) / len2, 0.0, 1.0);
    const V f{a.x + ab.x * u, a.y + ab.y * u};
    return std::hypot(p.x - f.x, p.y - f.y);
}

double distance_to(V p, const std::vector<V>& poly, bool closed) {
    double d = std::numeric_limits<double>::max();
    const std::size_t n = poly.size();
    for (std::size_t i = 0; i + (closed ? 0 : 1) < n; ++i) {
        d = std::min(d, segment_distance(p, poly[i], poly[(i + 1) % n]));
    }
    return d;
}

bool inside(V p, const std::vector<V>& poly) {
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
            p.x <
                (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x) {
            in = !in;
        }
    }
    return in;
}

std::vector<V> points_of(const Rib& r) {
    std::vector<V> v;
    for (const auto& p : r.outline)
        v.push_back({p.x, p.y});
    return v;
}

std::vector<Rib> ribs_of(const alyra::AlyraModel& m, const RibRequest& request) {
    std::vector<Rib> ribs;
    std::string error;
    EXPECT_TRUE(m.Calc_Nervures(request, ribs, error)) << error;
    return ribs;
}

}  // namespace

// Every rib is the section of the panel at its station, both ways within
// 0.01 mm; the root and tip ribs hold the placed points of their profiles.
TEST(Ribs, AreTheSectionsOfTheRuledPanel) {
    for (const Panel& p : kPanels) {
        SCOPED_TRACE(p.name);
        const alyra::AlyraModel m = model_of(p);
        RibRequest request;
        request.count = 5;
        const std::vector<Rib> ribs = ribs_of(m, request);
        ASSERT_EQ(ribs.size(), 5u);
        for (const Rib& rib : ribs) {
            SCOPED_TRACE(rib.number);
            EXPECT_NEAR(rib.station, p.L * (rib.number - 1) / 4, 1e-9);
            const Expected e = section_at(p, m, rib.station);
            const std::vector<V> got = points_of(rib);
            for (const V& q : got) {
                ASSERT_LT(distance_to(q, e.outline, false), 0.01) << q.x << " " << q.y;
            }
            for (const V& q : e.outline) {
                ASSERT_LT(distance_to(q, got, true), 0.01) << q.x << " " << q.y;
            }
            EXPECT_NEAR(rib.chord, std::hypot(e.te.x, e.te.y), 1e-6);
            EXPECT_NEAR(rib.trailing_edge.x, e.te.x, 1e-6);
            EXPECT_NEAR(rib.trailing_edge.y, e.te.y, 1e-6);
        }
        const auto ends = {std::pair{&ribs.front(), &m.empl().points},
                           std::pair{&ribs.back(), &m.saum().points}};
        for (const auto& [rib, profile] : ends) {
            const bool root = rib == &ribs.front();
            const double chord = root ? p.Ce : p.Cs;
            EXPECT_NEAR(rib->chord, chord, 1e-9);
            EXPECT_NEAR(rib->twist, root ? p.Ae + p.Ve : p.As + p.Vs, 1e-9);
            // Placed in the rib frame: the section turned by its angle less
            // the root's, about its leading edge.
            const double a =
                ((root ? p.Ae + p.Ve : p.As + p.Vs) - (p.Ae + p.Ve)) * std::acos(-1.0) / 180;
            const std::vector<V> got = points_of(*rib);
            for (int k = 0; k < profile->nb_pts; ++k) {
                const double x = profile->x[k];
                const double y = profile->y[k];
                const V q{chord * (x * std::cos(a) + y * std::sin(a)),
                          chord * (y * std::cos(a) - x * std::sin(a))};
                double nearest = 1e300;
                for (const V& g : got)
                    nearest = std::min(nearest, std::hypot(g.x - q.x, g.y - q.y));
                ASSERT_LT(nearest, 1e-6) << (root ? "emplanture " : "saumon ") << k;
            }
        }
    }
}

// Stations given in mm; the sheeting moves the outline inward by its
// thickness: every point at that distance from the section and inside it,
// every edge no nearer to it.
TEST(Ribs, SheetingIsOffsetAtItsThickness) {
    const struct {
        const Panel* panel;
        double sheeting;
    } cases[] = {{&kPanels[0], 1.5}, {&kPanels[1], 3}, {&kPanels[2], 0.8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.panel->name);
        const alyra::AlyraModel m = model_of(*c.panel);
        RibRequest request;
        request.stations = {0, c.panel->L / 3, c.panel->L};
        request.sheeting = c.sheeting;
        const std::vector<Rib> ribs = ribs_of(m, request);
        ASSERT_EQ(ribs.size(), 3u);
        for (const Rib& rib : ribs) {
            SCOPED_TRACE(rib.number);
            EXPECT_DOUBLE_EQ(rib.station, request.stations[rib.number - 1]);
            const Expected e = section_at(*c.panel, m, rib.station);
            const std::vector<V> got = points_of(rib);
            ASSERT_GT(got.size(), 20u);
            for (std::size_t i = 0; i < got.size(); ++i) {
                const V q = got[i];
                const V next = got[(i + 1) % got.size()];
                ASSERT_NEAR(distance_to(q, e.outline, false), c.sheeting, 0.01)
                    << q.x << " " << q.y;
                ASSERT_TRUE(inside(q, e.outline));
                const V mid{(q.x + next.x) / 2, (q.y + next.y) / 2};
                ASSERT_GT(distance_to(mid, e.outline, false), c.sheeting - 0.01)
                    << q.x << " " << q.y << " -> " << next.x << " " << next.y;
            }
        }
    }
}

// A notch of the asked width and depth, square to the rib's chord line, with
// its leading side where it was asked (mm or % of each rib's chord), on the
// asked surface; the rest of the outline is the section's.
TEST(Ribs, NotchesAreCutSquareToTheChord) {
    const struct {
        const Panel* panel;
        SparNotch notch;
        double sheeting;
    } cases[] = {
        {&kPanels[0], {NotchFace::dessus, 25, true, 8, 6}, 0},
        {&kPanels[0], {NotchFace::dessous, 60, false, 5, 3}, 0},
        {&kPanels[1], {NotchFace::dessus, 40, false, 10, 4}, 1.5},
        {&kPanels[1], {NotchFace::dessous, 70, true, 3, 2}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.panel->name) +
                     (c.notch.face == NotchFace::dessus ? " dessus" : " dessous"));
        const alyra::AlyraModel m = model_of(*c.panel);
        RibRequest request;
        request.count = 3;
        request.sheeting = c.sheeting;
        request.notches = {c.notch};
        const std::vector<Rib> ribs = ribs_of(m, request);
        ASSERT_EQ(ribs.size(), 3u);
        for (const Rib& rib : ribs) {
            SCOPED_TRACE(rib.number);
            const Expected e = section_at(*c.panel, m, rib.station);
            const double chord = std::hypot(e.te.x, e.te.y);
            const V along{e.te.x / chord, e.te.y / chord};
            const V up{-along.y, along.x};
            const auto to_chord = [&](V v) { return V{dot(v, along), dot(v, up)}; };
            const double a = c.notch.percent ? c.notch.position / 100 * chord : c.notch.position;
            const double b = a + c.notch.width;
            const bool upper = c.notch.face == NotchFace::dessus;
            // The section's surface of the notch, in chord coordinates.
            std::vector<V> surface;
            const std::size_t half = e.outline.size() / 2;
            for (std::size_t i = 0; i < e.outline.size(); ++i) {
                if ((i < half) == upper)
                    surface.push_back(to_chord(e.outline[i]));
            }
            // The outermost point across the notch of the surface offset
            // inward by the sheeting (the envelope of its circles).
            const auto offset_q = [&](double x) {
                if (c.sheeting == 0) {
                    for (std::size_t i = 1; i < surface.size(); ++i) {
                        const V u = surface[i - 1], v = surface[i];
                        if ((u.x - x) * (v.x - x) <= 0 && u.x != v.x) {
                            return u.y + (v.y - u.y) * (x - u.x) / (v.x - u.x);
                        }
                    }
                    return upper ? -1e300 : 1e300;
                }
                double q = upper ? 1e300 : -1e300;
                for (const V& s : surface) {
                    const double dx = s.x - x;
                    if (std::abs(dx) <= c.sheeting) {
                        const double h = std::sqrt(c.sheeting * c.sheeting - dx * dx);
                        q = upper ? std::min(q, s.y - h) : std::max(q, s.y + h);
                    }
                }
                return q;
            };
            double outer = upper ? -1e300 : 1e300;
            for (int i = 0; i <= 400; ++i) {
                const double q = offset_q(a + (b - a) * i / 400);
                outer = upper ? std::max(outer, q) : std::min(outer, q);
            }
            const double bottom = upper ? outer - c.notch.depth : outer + c.notch.depth;
            const std::vector<V> got = points_of(rib);
            std::vector<V> side_a, side_b;
            double mid_q = 0;
            for (const V& g : got) {
                const V q = to_chord(g);
                if (std::abs(q.x - a) < 1e-6)
                    side_a.push_back(q);
                if (std::abs(q.x - b) < 1e-6)
                    side_b.push_back(q);
                mid_q += q.y / got.size();
            }
            ASSERT_EQ(side_a.size(), 2u);
            ASSERT_EQ(side_b.size(), 2u);
            for (const auto* side : {&side_a, &side_b}) {
                const double deep = upper ? std::min((*side)[0].y, (*side)[1].y)
                                          : std::max((*side)[0].y, (*side)[1].y);
                EXPECT_NEAR(deep, bottom, 0.01);
            }
            EXPECT_NEAR(side_b[0].x - side_a[0].x, c.notch.width, 1e-6);
            // Nothing of the notched surface is left between the two sides.
            for (const V& g : got) {
                const V q = to_chord(g);
                if (q.x > a + 1e-6 && q.x < b - 1e-6) {
                    EXPECT_TRUE(upper ? q.y < bottom : q.y > bottom) << q.x << " " << q.y;
                }
            }
            // Outside the notch the outline is the section's (or its offset).
            for (const V& g : got) {
                const V q = to_chord(g);
                if (q.x < a - 1e-6 || q.x > b + 1e-6) {
                    ASSERT_NEAR(distance_to(g, e.outline, false), c.sheeting, 0.01);
                }
            }
            ASSERT_EQ(rib.spar_thickness.size(), 1u);
            EXPECT_GT(rib.spar_thickness[0], c.notch.depth);
        }
    }
}

// Refused requests name what is wrong and change nothing.
TEST(Ribs, RefusedRequestsChangeNothing) {
    const alyra::AlyraModel m = model_of(kPanels[0]);
    const auto with = [](int count, double sheeting, std::vector<SparNotch> notches,
                         std::vector<double> stations = {}) {
        RibRequest r;
        r.count = count;
        r.sheeting = sheeting;
        r.notches = std::move(notches);
        r.stations = std::move(stations);
        return r;
    };
    const struct {
        RibRequest request;
        const char* message;
    } cases[] = {
        {with(1, 0, {}), "au moins 2 nervures"},
        {with(0, 0, {}, {0}), "au moins 2 nervures"},
        {with(3, 0, {}, {0, 100}), "n'est pas celui des stations"},
        {with(0, 0, {}, {0, 700}), "La station 700.00 mm est hors du tronçon"},
        {with(101, 0, {}), "Au plus 100 nervures"},
        {with(3, -1, {}), "ne peut pas être négatif"},
        // The tip is 12 % of 160 mm thick: 19.2 mm.
        {with(3, 9.7, {}), "plus épais que la moitié de la nervure la plus mince (nervure 3"},
        {with(3, 0, {{NotchFace::dessus, 150, false, 20, 3}}), "sort de la corde de la nervure 3"},
        {with(3, 0, {{NotchFace::dessus, 95, true, 20, 1}}), "sort de la corde de la nervure 1"},
        {with(3, 0, {{NotchFace::dessus, 101, true, 1, 1}}), "sort de la corde"},
        {with(3, 0, {{NotchFace::dessous, 30, true, 8, 30}}),
         "plus profonde que la nervure (nervure 2)"},
        {with(3, 0, {{NotchFace::dessus, 30, true, 8, 10}, {NotchFace::dessous, 30, true, 8, 10}}),
         "L'encoche 2 est plus profonde que la nervure (nervure 3)"},
        {with(3, 0, {{NotchFace::dessus, 30, false, 8, 3}, {NotchFace::dessus, 36, false, 8, 3}}),
         "Les encoches 1 et 2 se chevauchent"},
        {with(3, 0, {{NotchFace::dessus, 30, false, 0, 3}}), "largeur et une profondeur positives"},
        {with(3, 0, std::vector<SparNotch>(5, {NotchFace::dessus, 30, false, 1, 1})),
         "Au plus 4 encoches"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<Rib> ribs(1);
        ribs[0].number = 42;
        std::string error;
        EXPECT_FALSE(m.Calc_Nervures(c.request, ribs, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        ASSERT_EQ(ribs.size(), 1u);
        EXPECT_EQ(ribs[0].number, 42);
    }
}

// The option texts: numbers are whole decimal numbers with ".".
TEST(Ribs, OptionTexts) {
    SparNotch n;
    std::string error;
    ASSERT_TRUE(alyra::read_notch("dessous:25%:8.5:6", n, error)) << error;
    EXPECT_EQ(n.face, NotchFace::dessous);
    EXPECT_TRUE(n.percent);
    EXPECT_EQ(n.position, 25);
    EXPECT_EQ(n.width, 8.5);
    EXPECT_EQ(n.depth, 6);
    ASSERT_TRUE(alyra::read_notch("dessus:60:5:3", n, error));
    EXPECT_FALSE(n.percent);
    EXPECT_EQ(n.position, 60);
    std::vector<double> stations;
    ASSERT_TRUE(alyra::read_stations("0, 120.5,650", stations, error)) << error;
    EXPECT_EQ(stations, (std::vector<double>{0, 120.5, 650}));

    const struct {
        const char* text;
        const char* message;
    } refused[] = {
        {"milieu:25:8:6", "doit commencer par dessus ou dessous"},
        {"dessus:25:8", "doit s'écrire dessus|dessous:POSITION:LARGEUR:PROFONDEUR"},
        {"dessus:2x5:8:6", "La position du longeron « 2x5 » n'est pas un nombre."},
        {"dessus:25:8,5:6", "La largeur du longeron « 8,5 » n'est pas un nombre."},
        {"dessus:25:8:", "La profondeur du longeron «  » n'est pas un nombre."},
    };
    for (const auto& r : refused) {
        const SparNotch before = n;
        EXPECT_FALSE(alyra::read_notch(r.text, n, error)) << r.text;
        EXPECT_NE(error.find(r.message), std::string::npos) << error;
        EXPECT_EQ(n.position, before.position);
    }
    EXPECT_FALSE(alyra::read_stations("0,,650", stations, error));
    EXPECT_EQ(error, "La station «  » n'est pas un nombre.");
    EXPECT_EQ(stations.size(), 3u);
}
