#include "cut_job.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "job_time.h"
#include "move_file.h"

namespace vexor {

namespace {

// The driver reads lines of at most 99 characters, line end included; a
// longer line would be read in pieces and end the job in the middle.
constexpr std::size_t kMaxLine = 99;

bool usable(double value) {
    return value > 0 && std::isfinite(value);
}

class JobWriter {
  public:
    JobWriter(const MachineSettings& s, float posX, float posY)
        : s_(s), cx_(posX), cy_(posY), tx_(posX), ty_(posY) {}

    bool check_settings(bool plunges, bool cuts) {
        return check_steps(s_.StepX, 'X') && check_steps(s_.StepY, 'Y') &&
               check_speed(s_.travelSpeedXY, "de déplacement XY") &&
               (!plunges ||
                (check_steps(s_.StepZ, 'Z') && check_speed(s_.cutSpeedZ, "de découpe Z"))) &&
               (!cuts || check_speed(s_.cutSpeedXY, "de découpe XY"));
    }

    bool polyline(const common::CPolyline& p, int number) {
        number_ = number;
        const common::Point3* pts = p.points.data();
        if (!segment(pts[0].x, pts[0].y, s_.travelSpeedXY, "de déplacement XY", false) ||
            !z_line(s_.ZBas)) {
            return false;
        }
        for (int k = 1; k < p.nbPoints; ++k) {
            if (!segment(pts[k].x, pts[k].y, s_.cutSpeedXY, "de découpe XY", true)) {
                return false;
            }
        }
        return z_line(kToolUpHeight);
    }

    bool return_to(float startX, float startY) {
        number_ = 0;
        int period_x = 0;
        int period_y = 0;
        return period(s_.travelSpeedXY, s_.StepX, "de déplacement XY", period_x) &&
               period(s_.travelSpeedXY, s_.StepY, "de déplacement XY", period_y) &&
               line(p_line_text(startX, (cx_ > startX ? -1.0 : 1.0) / s_.StepX, 0, 0, period_x)) &&
               line(p_line_text(0, 0, startY, (cy_ > startY ? -1.0 : 1.0) / s_.StepY, period_y));
    }

    std::string text;
    std::vector<JobLine> lines;
    std::string error;

  private:
    bool check_steps(float steps, char axis) {
        if (usable(steps)) {
            return true;
        }
        error = std::string("Le nombre de pas par mm de l'axe ") + axis +
                " est nul ou négatif : la découpe est refusée. "
                "Corrigez-le dans Paramétrage, Machine.";
        return false;
    }

    bool check_speed(float speed, const char* name) {
        if (usable(speed)) {
            return true;
        }
        error = std::string("La vitesse ") + name +
                " est nulle ou négative : la découpe est refusée. "
                "Donnez-lui une valeur dans la barre des paramètres.";
        return false;
    }

    // 1000000 / speed / steps, truncated towards zero.
    bool period(double speed, double steps, const char* name, int& out) {
        const double p = 1000000 / speed / steps;
        if (!(p < 2147483648.0)) {
            error = std::string("La vitesse ") + name +
                    " est trop faible pour le nombre de pas par mm : la découpe est refusée.";
            return false;
        }
        out = static_cast<int>(p);
        return true;
    }

    // The period the travel speed gives a line that advances 1 / steps mm a
    // tick; the line's own period when there is none (a travel speed of 0
    // or less, or too slow for an integer): the line is then never made
    // faster than it was written.
    static std::int64_t floor_period(double travel, double steps, int own) {
        const double p = 1000000 / travel / steps;
        return usable(travel) && p < 2147483648.0 ? static_cast<std::int64_t>(p) : own;
    }

    bool segment(float x, float y, double v, const char* name, bool cutting) {
        const double stepX = s_.StepX;
        const double stepY = s_.StepY;
        const double dx = static_cast<double>(x) - cx_;
        int p = 0;
        if (std::fabs(dx) < 1 / stepX) {
            // Less than one X step: Y alone, one Y step per period.
            if (!period(v, stepY, name, p) ||
                !line(p_line_text(cx_, 0, y, (cy_ > y ? -1.0 : 1.0) / stepY, p), cutting,
                      floor_period(s_.travelSpeedXY, stepY, p))) {
                return false;
            }
            cy_ = y;
            return true;
        }
        const double M = std::max(stepX, stepY);
        const double L = 1 / M;
        const double S = (static_cast<double>(y) - cy_) / dx;
        const double Lx = L / std::sqrt(1 + S * S);
        const double ax = cx_ <= x ? Lx : -Lx;
        const double ay = cx_ <= x ? S * Lx : -S * Lx;
        if (!period(v, M, name, p)) {
            return false;
        }
        const std::int64_t floor = floor_period(s_.travelSpeedXY, M, p);
        if (std::fabs(static_cast<double>(cy_) - y) < 1 / stepY) {
            // Less than one Y step: X alone, the cursor keeps its Y.
            if (!line(p_line_text(x, ax, cy_, 0, p), cutting, floor)) {
                return false;
            }
            cx_ = x;
            return true;
        }
        if (!line(p_line_text(x, ax, y, ay, p), cutting, floor)) {
            return false;
        }
        cx_ = x;
        cy_ = y;
        return true;
    }

    // A plunge or a raise from the Z of the cursor.
    bool z_line(float target) {
        int p = 0;
        if (!period(s_.cutSpeedZ, s_.StepZ, "de découpe Z", p) ||
            !line(z_line_text(target, (cz_ > target ? -1.0 : 1.0) / s_.StepZ, p), true,
                  floor_period(s_.travelSpeedZ, s_.StepZ, p))) {
            return false;
        }
        cz_ = target;
        return true;
    }

    // A line of the job; its ticks are counted as the driver reads it, from
    // where the previous line left the tool.
    bool line(const std::string& l, bool cutting = false, std::int64_t floor = 0) {
        if (l.size() <= kMaxLine) {
            text += l;
            MoveLine m;
            JobLine j;
            j.cutting = cutting;
            if (parse_move_line(l, m)) {
                j.floorUs = cutting ? floor : m.periodUs;
                j.ticks = move_line_ticks(m, tx_, ty_, tz_);
                j.periodUs = m.periodUs;
            }
            lines.push_back(j);
            return true;
        }
        error = number_ > 0 ? "La polyligne " + std::to_string(number_) +
                                  " a un point trop éloigné de l'origine : la découpe est refusée."
                            : std::string(
                                  "Le point de départ est trop éloigné de l'origine : "
                                  "la découpe est refusée.");
        return false;
    }

    const MachineSettings& s_;
    float cx_;
    float cy_;
    float cz_ = 0;
    float tx_, ty_, tz_ = 0;  // the tool as the driver moves it, for the ticks
    int number_ = 0;          // 1-based polyline being written, 0 for the return
};

// Every point the job goes to must lie within the machine's travel: the
// points to cut, the plunge depth and the start it returns to.
bool check_travel(const common::PolylineArray& polylines, int count,
                  const std::function<bool(int)>& to_cut, const MachineSettings& s, float posX,
                  float posY, bool plunges, std::string& error) {
    auto refuse = [&](const std::string& what, char axis) {
        error = what + " est " + outside_travel_text(axis, s) + " : la découpe est refusée.";
        return false;
    };
    if (!within_travel(posX, s.travelX) || !within_travel(posY, s.travelY)) {
        return refuse("Le point de départ", within_travel(posX, s.travelX) ? 'Y' : 'X');
    }
    if (plunges && !within_travel(s.ZBas, s.travelZ)) {
        return refuse("La descente", 'Z');
    }
    for (int i = 0; i < count; ++i) {
        if (!to_cut(i)) {
            continue;
        }
        const common::CPolyline& p = *polylines[static_cast<size_t>(i)];
        for (int k = 0; k < p.nbPoints; ++k) {
            const common::Point3& pt = p.points[static_cast<size_t>(k)];
            if (!within_travel(pt.x, s.travelX) || !within_travel(pt.y, s.travelY)) {
                return refuse("Un point de la polyligne " + std::to_string(i + 1),
                              within_travel(pt.x, s.travelX) ? 'Y' : 'X');
            }
        }
    }
    return true;
}

}  // namespace

bool job_text(const common::PolylineArray& polylines, int count, const MachineSettings& settings,
              float posX, float posY, std::string& text, std::string& error) {
    std::vector<JobLine> lines;
    return job_text(polylines, count, settings, posX, posY, text, lines, error);
}

bool job_text(const common::PolylineArray& polylines, int count, const MachineSettings& settings,
              float posX, float posY, std::string& text, std::vector<JobLine>& lines,
              std::string& error) {
    count = std::clamp(count, 0, common::kMaxPolylines);
    // A polyline without points has nothing to cut: no travel, no plunge.
    const std::function<bool(int)> to_cut = [&](int i) {
        const common::CPolyline* p = polylines[static_cast<size_t>(i)].get();
        return p != nullptr && p->selected() != 0 && p->nbPoints > 0;
    };
    bool plunges = false;
    bool cuts = false;
    for (int i = 0; i < count; ++i) {
        if (to_cut(i)) {
            plunges = true;
            cuts = cuts || polylines[static_cast<size_t>(i)]->nbPoints > 1;
        }
    }
    JobWriter w(settings, posX, posY);
    if (!w.check_settings(plunges, cuts)) {
        error = w.error;
        return false;
    }
    if (!check_travel(polylines, count, to_cut, settings, posX, posY, plunges, error)) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (to_cut(i) && !w.polyline(*polylines[static_cast<size_t>(i)], i + 1)) {
            error = w.error;
            return false;
        }
    }
    if (!w.return_to(posX, posY)) {
        error = w.error;
        return false;
    }
    text = std::move(w.text);
    lines = std::move(w.lines);
    return true;
}

}  // namespace vexor
