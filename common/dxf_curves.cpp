#include "dxf_curves.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

#include "dxf_geometry.h"
#include "dxf_tags.h"

namespace common {

namespace {

// Bounds that keep a hostile file from exhausting time or memory: nested
// insertions multiply, so both the entities visited and the points made are
// counted.
constexpr int kMaxDepth = 32;
constexpr long long kMaxVisits = 1'000'000;
constexpr std::size_t kMaxPoints = 4'000'000;
constexpr std::size_t kMaxFinePoints = 250'000;  // beyond, pieces keep no fine flattening
constexpr long long kMaxGrid = 10'000;           // cells of one multiple insertion

struct Entity {
    std::string_view name;
    std::vector<DxfTag> tags;
    std::vector<Entity> vertices;  // a POLYLINE's VERTEX records
};

struct Block {
    CurvePoint base;
    std::vector<Entity> entities;
};

// Block names are matched without case, in ASCII whatever the locale.
std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

double number(const Entity& e, int code, double fallback) {
    for (const DxfTag& t : e.tags) {
        double v = 0;
        if (t.code == code && dxf_number(t.value, v)) {
            return v;
        }
    }
    return fallback;
}

long long integer(const Entity& e, int code, long long fallback) {
    for (const DxfTag& t : e.tags) {
        long long v = 0;
        if (t.code == code && dxf_integer(t.value, v)) {
            return v;
        }
    }
    return fallback;
}

std::string_view text(const Entity& e, int code) {
    for (const DxfTag& t : e.tags) {
        if (t.code == code) {
            return t.value;
        }
    }
    return {};
}

// Collects the pairs of one entity, up to the next group code 0.
Entity read_entity(DxfTagReader& reader, std::string_view name) {
    Entity e{name, {}, {}};
    DxfTag t;
    while (reader.next(t)) {
        if (t.code == 0) {
            reader.put_back();
            break;
        }
        e.tags.push_back(t);
    }
    if (name == "POLYLINE") {
        while (reader.next(t)) {
            if (t.code == 0 && t.value == "VERTEX") {
                e.vertices.push_back(read_entity(reader, t.value));
            } else if (t.code == 0 && t.value == "SEQEND") {
                read_entity(reader, t.value);
                break;
            } else {
                reader.put_back();
                break;
            }
        }
    }
    return e;
}

struct Drawing {
    std::vector<Entity> model;
    std::map<std::string, Block> blocks;  // by upper-case name
    long long insunits = 0;
};

void read_header_units(DxfTagReader& reader, Drawing& d) {
    DxfTag t;
    while (reader.next(t)) {
        if (t.code == 0) {
            reader.put_back();
            return;
        }
        if (t.code == 9 && t.value == "$INSUNITS" && reader.next(t)) {
            long long units = 0;
            if (t.code == 70 && dxf_integer(t.value, units)) {
                d.insunits = units;
            }
        }
    }
}

void read_block(DxfTagReader& reader, Drawing& d) {
    const Entity header = read_entity(reader, "BLOCK");
    Block block;
    block.base = {number(header, 10, 0), number(header, 20, 0)};
    DxfTag t;
    while (reader.next(t)) {
        if (t.code != 0) {
            continue;
        }
        if (t.value == "ENDBLK") {
            read_entity(reader, t.value);
            break;
        }
        if (t.value == "ENDSEC" || t.value == "EOF" || t.value == "BLOCK") {
            reader.put_back();
            break;
        }
        block.entities.push_back(read_entity(reader, t.value));
    }
    // The first definition of a name is the one used.
    d.blocks.emplace(upper(text(header, 2)), std::move(block));
}

// Sections: the header's units, the blocks, the entities of model space.
// Entities outside any section are read as model space, as minimal files
// without sections are.
void read_drawing(DxfTagReader& reader, Drawing& d) {
    std::string_view section;
    DxfTag t;
    while (reader.next(t)) {
        if (t.code != 0) {
            continue;
        }
        if (t.value == "SECTION") {
            section = reader.next(t) && t.code == 2 ? t.value : std::string_view("?");
            if (section == "HEADER") {
                read_header_units(reader, d);
            }
        } else if (t.value == "ENDSEC") {
            section = {};
        } else if (t.value == "EOF") {
            break;
        } else if (section == "BLOCKS") {
            if (t.value == "BLOCK") {
                read_block(reader, d);
            }
        } else if (section.empty() || section == "ENTITIES") {
            d.model.push_back(read_entity(reader, t.value));
        }
    }
}

// A polyline's fine flattening: none when it has no arc.
std::vector<CurvePoint> fine_bulges(const std::vector<BulgeVertex>& vertices, bool closed,
                                    double tol) {
    if (!(tol > 0)) {
        return {};
    }
    const bool arcs = std::any_of(vertices.begin(), vertices.end(),
                                  [](const BulgeVertex& v) { return v.bulge != 0; });
    return arcs ? bulge_points(vertices, closed, tol) : std::vector<CurvePoint>{};
}

class Flattener {
  public:
    Flattener(const Drawing& d, CurvePieces& out) : d_(d), out_(out) {}

    void entity(const Entity& e, const Affine& m, int depth);

  private:
    bool spend(std::size_t points);
    void emit(std::vector<CurvePoint>& pts, bool closed, const Affine& m,
              const std::vector<CurvePoint>& fine = {});
    double tolerance(const Affine& m) const { return kChordToleranceMm / m.scale(); }
    // No fine flattening once its room is spent (0 makes arcs of a single chord).
    double fine_tolerance(const Affine& m) const {
        return finePoints_ < kMaxFinePoints ? kFineToleranceMm / m.scale() : 0;
    }

    bool line(const Entity& e, const Affine& m);
    bool lwpolyline(const Entity& e, const Affine& m);
    bool polyline(const Entity& e, const Affine& m);
    bool arc(const Entity& e, const Affine& m, bool full);
    bool ellipse(const Entity& e, const Affine& m);
    bool spline(const Entity& e, const Affine& m);
    bool insert(const Entity& e, const Affine& m, int depth);

    const Drawing& d_;
    CurvePieces& out_;
    long long visits_ = 0;
    std::size_t points_ = 0;
    std::size_t finePoints_ = 0;
    std::vector<const Block*> active_;  // the blocks being inserted, outermost first
};

bool Flattener::spend(std::size_t points) {
    if (out_.tooLarge || points > kMaxPoints - points_) {
        out_.tooLarge = true;
        return false;
    }
    points_ += points;
    return true;
}

void Flattener::emit(std::vector<CurvePoint>& pts, bool closed, const Affine& m,
                     const std::vector<CurvePoint>& fine) {
    if (pts.size() < 2 || !spend(pts.size())) {
        return;
    }
    CurvePiece piece;
    piece.closed = closed;
    piece.points.reserve(pts.size());
    for (const CurvePoint& p : pts) {
        const CurvePoint q = m.apply(p);
        if (!(std::abs(q.x) <= kMaxCoordinateMm && std::abs(q.y) <= kMaxCoordinateMm)) {
            ++out_.outOfRange;
            return;
        }
        piece.points.push_back(q);
    }
    if (closed) {
        piece.points.back() = piece.points.front();  // the turn ends exactly where it began
    }
    if (fine.size() >= 2 && fine.size() <= kMaxFinePoints - finePoints_) {
        finePoints_ += fine.size();
        piece.fine.reserve(fine.size());
        for (const CurvePoint& p : fine) {
            piece.fine.push_back(m.apply(p));
        }
        // The same ends as the coarse flattening, so that both chain alike.
        piece.fine.front() = piece.points.front();
        piece.fine.back() = piece.points.back();
    }
    out_.pieces.push_back(std::move(piece));
}

void Flattener::entity(const Entity& e, const Affine& m, int depth) {
    if (e.name == "SEQEND") {
        return;  // the end of an insertion's attributes, no entity
    }
    if (out_.tooLarge || ++visits_ > kMaxVisits) {
        out_.tooLarge = true;
        return;
    }
    bool read = false;
    // Paper space (code 67 = 1) is not part of the drawing to cut.
    if (integer(e, 67, 0) != 1) {
        if (e.name == "LINE") {
            read = line(e, m);
        } else if (e.name == "LWPOLYLINE") {
            read = lwpolyline(e, m);
        } else if (e.name == "POLYLINE") {
            read = polyline(e, m);
        } else if (e.name == "ARC" || e.name == "CIRCLE") {
            read = arc(e, m, e.name == "CIRCLE");
        } else if (e.name == "ELLIPSE") {
            read = ellipse(e, m);
        } else if (e.name == "SPLINE") {
            read = spline(e, m);
        } else if (e.name == "INSERT") {
            read = insert(e, m, depth);
        }
    }
    count_entity(out_.tally, e.name, read);
}

bool Flattener::line(const Entity& e, const Affine& m) {
    std::vector<CurvePoint> pts{{number(e, 10, 0), number(e, 20, 0)},
                                {number(e, 11, 0), number(e, 21, 0)}};
    emit(pts, false, m);
    return true;
}

bool Flattener::lwpolyline(const Entity& e, const Affine& m) {
    std::vector<BulgeVertex> vertices;
    for (const DxfTag& t : e.tags) {
        double v = 0;
        if (!dxf_number(t.value, v)) {
            continue;
        }
        if (t.code == 10) {
            vertices.push_back(BulgeVertex{{v, 0}, 0});
        } else if (t.code == 20 && !vertices.empty()) {
            vertices.back().p.y = v;
        } else if (t.code == 42 && !vertices.empty()) {
            vertices.back().bulge = v;
        }
    }
    const bool closed = (integer(e, 70, 0) & kClosedFlag) != 0;
    const Affine to_world = m * ocs_affine(extrusion(e.tags), number(e, 38, 0));
    std::vector<CurvePoint> pts = bulge_points(vertices, closed, tolerance(to_world));
    emit(pts, closed, to_world, fine_bulges(vertices, closed, fine_tolerance(to_world)));
    return true;
}

bool Flattener::polyline(const Entity& e, const Affine& m) {
    const long long flags = integer(e, 70, 0);
    if ((flags & (kPolygonMeshFlag | kPolyfaceMeshFlag)) != 0) {
        return false;  // polygon and polyface meshes are surfaces, not outlines
    }
    std::vector<BulgeVertex> vertices;
    for (const Entity& v : e.vertices) {
        if ((integer(v, 70, 0) & kSplineFrameFlag) != 0) {
            continue;  // a spline's frame point, not on the curve
        }
        vertices.push_back(BulgeVertex{{number(v, 10, 0), number(v, 20, 0)}, number(v, 42, 0)});
    }
    const bool spatial = (flags & kPolyline3dFlag) != 0;
    const Affine to_world = spatial ? m : m * ocs_affine(extrusion(e.tags), number(e, 30, 0));
    if (spatial) {
        for (BulgeVertex& v : vertices) {
            v.bulge = 0;
        }
    }
    const bool closed = (flags & kClosedFlag) != 0;
    std::vector<CurvePoint> pts = bulge_points(vertices, closed, tolerance(to_world));
    emit(pts, closed, to_world, fine_bulges(vertices, closed, fine_tolerance(to_world)));
    return true;
}

bool Flattener::arc(const Entity& e, const Affine& m, bool full) {
    const double r = number(e, 40, 0);
    if (!(r > 0)) {
        return false;
    }
    const Affine to_world = m * ocs_affine(extrusion(e.tags), number(e, 30, 0));
    const CurvePoint c{number(e, 10, 0), number(e, 20, 0)};
    double a0 = 0;
    double sweep = 2 * std::numbers::pi;
    if (!full) {
        a0 = radians(number(e, 50, 0));
        sweep = sweep_of(a0, radians(number(e, 51, 360)));
    }
    std::vector<CurvePoint> pts;
    std::vector<CurvePoint> fine;
    arc_points(c, r, r, a0, sweep, tolerance(to_world), pts);
    if (fine_tolerance(to_world) > 0) {
        arc_points(c, r, r, a0, sweep, fine_tolerance(to_world), fine);
    }
    emit(pts, full, to_world, fine);
    return true;
}

bool Flattener::ellipse(const Entity& e, const Affine& m) {
    const CurvePoint c{number(e, 10, 0), number(e, 20, 0)};
    const Vec3 major{number(e, 11, 0), number(e, 21, 0), number(e, 31, 0)};
    const double ratio = number(e, 40, 1);
    const double a = std::hypot(major.x, major.y, major.z);
    if (!(a > 0) || !(ratio > 0) || ratio > 1e6) {
        return false;
    }
    // The minor axis lies across the major one in the entity's plane.
    const Vec3 minor = cross(extrusion(e.tags), major);
    const double t0 = number(e, 41, 0);
    const double sweep = sweep_of(t0, number(e, 42, 2 * std::numbers::pi));
    std::vector<CurvePoint> pts;
    std::vector<CurvePoint> fine;
    // In the frame of its axes the ellipse is (a cos t, a ratio sin t).
    arc_points({0, 0}, a, a * ratio, t0, sweep, tolerance(m), pts);
    if (fine_tolerance(m) > 0) {
        arc_points({0, 0}, a, a * ratio, t0, sweep, fine_tolerance(m), fine);
    }
    const Affine axes{major.x / a, minor.x / a, major.y / a, minor.y / a, c.x, c.y};
    emit(pts, sweep == 2 * std::numbers::pi, m * axes, fine);
    return true;
}

bool Flattener::spline(const Entity& e, const Affine& m) {
    SplineData s;
    s.degree = static_cast<int>(integer(e, 71, 3));
    s.closed = (integer(e, 70, 0) & kClosedFlag) != 0;
    for (const DxfTag& t : e.tags) {
        double v = 0;
        if (!dxf_number(t.value, v)) {
            continue;
        }
        if (t.code == 40) {
            s.knots.push_back(v);
        } else if (t.code == 41) {
            s.weights.push_back(v);
        } else if (t.code == 10) {
            s.control.push_back({v, 0});
        } else if (t.code == 20 && !s.control.empty()) {
            s.control.back().y = v;
        } else if (t.code == 11) {
            s.fit.push_back({v, 0});
        } else if (t.code == 21 && !s.fit.empty()) {
            s.fit.back().y = v;
        } else if (t.code == 12) {
            s.hasStartTangent = true;
            s.startTangent.x = v;
        } else if (t.code == 22) {
            s.startTangent.y = v;
        } else if (t.code == 13) {
            s.hasEndTangent = true;
            s.endTangent.x = v;
        } else if (t.code == 23) {
            s.endTangent.y = v;
        }
    }
    // A flattening that fills the room left was cut short: the drawing is
    // too large for its coarse points, and no piece after it is flattened
    // finely (each would spend that room again only to be dropped).
    std::vector<CurvePoint> pts;
    const std::size_t room = kMaxPoints - points_;
    if (!spline_points(s, tolerance(m), room, pts)) {
        return false;
    }
    if (pts.size() >= room) {
        out_.tooLarge = true;
        return true;
    }
    std::vector<CurvePoint> fine;
    const std::size_t fine_room = kMaxFinePoints - finePoints_;
    if (!(fine_tolerance(m) > 0) || !spline_points(s, fine_tolerance(m), fine_room, fine) ||
        fine.size() >= fine_room) {
        fine.clear();
        finePoints_ = kMaxFinePoints;
    }
    emit(pts, false, m, fine);
    return true;
}

bool Flattener::insert(const Entity& e, const Affine& m, int depth) {
    const auto found = d_.blocks.find(upper(text(e, 2)));
    if (found == d_.blocks.end() || depth >= kMaxDepth) {
        return false;
    }
    const Block& block = found->second;
    // A block that inserts itself, directly or not, is drawn once.
    if (std::find(active_.begin(), active_.end(), &block) != active_.end()) {
        return false;
    }
    active_.push_back(&block);
    const long long columns = std::clamp<long long>(integer(e, 70, 1), 1, kMaxGrid);
    const long long rows = std::clamp<long long>(integer(e, 71, 1), 1, kMaxGrid / columns);
    const double dx = number(e, 44, 0);
    const double dy = number(e, 45, 0);
    const Affine placed = m * ocs_affine(extrusion(e.tags), 0) *
                          Affine::translation(number(e, 10, 0), number(e, 20, 0)) *
                          Affine::rotation(radians(number(e, 50, 0)));
    const Affine scaled = Affine::scaling(number(e, 41, 1), number(e, 42, 1)) *
                          Affine::translation(-block.base.x, -block.base.y);
    for (long long row = 0; row < rows && !out_.tooLarge; ++row) {
        for (long long col = 0; col < columns && !out_.tooLarge; ++col) {
            const Affine cell =
                placed *
                Affine::translation(static_cast<double>(col) * dx, static_cast<double>(row) * dy) *
                scaled;
            if (cell.scale() <= 0) {
                continue;
            }
            for (const Entity& inner : block.entities) {
                entity(inner, cell, depth + 1);
            }
        }
    }
    active_.pop_back();
    return true;
}

}  // namespace

double mm_per_unit(long long insunits) {
    switch (insunits) {
        case 1:
            return 25.4;  // inches
        case 2:
            return 304.8;  // feet
        case 3:
            return 1'609'344;  // miles
        case 5:
            return 10;  // centimetres
        case 6:
            return 1000;  // metres
        case 7:
            return 1e6;  // kilometres
        case 8:
            return 25.4e-6;  // microinches
        case 9:
            return 0.0254;  // mils
        case 10:
            return 914.4;  // yards
        case 11:
            return 1e-7;  // angstroms
        case 12:
            return 1e-6;  // nanometres
        case 13:
            return 0.001;  // micrometres
        case 14:
            return 100;  // decimetres
        case 15:
            return 10'000;  // decametres
        case 16:
            return 100'000;  // hectometres
        default:
            return 1;  // unitless, millimetres, astronomical lengths
    }
}

bool read_dxf_pieces(std::string_view text, CurvePieces& out, std::string& error) {
    out = CurvePieces{};
    if (text.substr(0, 18) == "AutoCAD Binary DXF") {
        error = "Ce dessin est un DXF binaire : enregistrez-le en DXF texte (ASCII).";
        return false;
    }
    DxfTagReader reader(text);
    Drawing d;
    read_drawing(reader, d);
    if (reader.line() == 0) {
        error = "Ce fichier ne contient aucun dessin DXF.";
        return false;
    }
    if (reader.failed()) {
        error = "Ce fichier n'est pas un dessin DXF lisible : ligne " +
                std::to_string(reader.line()) + ", un code de groupe est attendu.";
        return false;
    }
    out.insunits = d.insunits;
    out.mmPerUnit = mm_per_unit(d.insunits);
    Flattener flattener(d, out);
    const Affine root = Affine::scaling(out.mmPerUnit, out.mmPerUnit);
    for (const Entity& e : d.model) {
        flattener.entity(e, root, 0);
    }
    return true;
}

}  // namespace common
