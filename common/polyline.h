#pragma once
// The drawing model shared by Plandor and Vexor: a part outline (CPolyline)
// with its cutter-offset contour, its holding tabs (CAttache), its link flags
// and the polylines joined into it.

#include <array>
#include <memory>
#include <string>

namespace common {

inline constexpr int kMaxPolylines = 200;       // polylines of a document
inline constexpr int kMaxJoinedPoints = 100;    // a join never makes a longer polyline
inline constexpr int kMaxEntityVertices = 100;  // vertices kept from one DXF entity
// A closed entity cut at 100 vertices gets its first point repeated, so the
// point, offset and tab tables hold 101 slots: no outline is ever truncated.
inline constexpr int kPointSlots = kMaxEntityVertices + 1;
inline constexpr int kMaxMembers = 50;  // polylines joined into one

// A point of a drawing, in mm. z is the DXF code-30 value of an imported
// vertex; it travels with its point and is used for nothing else.
struct Point3 {
    float x = 0;
    float y = 0;
    float z = 0;
    bool operator==(const Point3&) const = default;
};

// A holding tab on one segment of an offset contour: the cut along the
// segment runs to (x1, y1), lifts over the tab and resumes from (x2, y2).
class CAttache {
  public:
    virtual ~CAttache() = default;

    float largeur = 0;  // width the tab was last placed with, mm
    int reserved1 = 0;  // kept for the record layout, unused
    int reserved2 = 0;
    float decalage = 0;  // shift of the centre from the middle of the segment, mm
    float x1 = 0;
    float x2 = 0;
    float y1 = 0;
    float y2 = 0;
};

// The side of the direction of travel an offset contour lies on. A .cmg
// file writes these numbers.
enum class OffsetSide { none = 0, left = 1, right = 2 };

// What placing a tab on a segment did.
enum class TabOutcome {
    Invalid,  // no such segment on the offset contour: nothing changed
    Removed,  // the tab would cover the whole segment: the slot is empty
    Refused,  // one end would leave the segment: the tab is as it was
    Stored,   // the tab lies at its new place
};

// A length of the drawing in logical screen units (0.1 mm of screen at the
// given zoom), truncated toward zero as the view draws it.
int screen_units(float mm, float zoom);

// Whether `mouse` lies between the screen coordinates `a` and `b`, the span
// being widened by 10 units on each side when it is narrower than 20 (so a
// horizontal, vertical or zero-length segment can still be hit).
bool in_screen_span(int a, int b, int mouse);

class CPolyline;
using PolylineArray = std::array<std::unique_ptr<CPolyline>, kMaxPolylines>;

// One part outline, or a group of joined outlines. Tables are fixed and never
// grown; the counts beside them say how much is used.
class CPolyline {
  public:
    CPolyline() = default;
    CPolyline(const CPolyline&) = delete;
    CPolyline& operator=(const CPolyline&) = delete;
    // Deletes the members and the tabs (owned through unique_ptr).
    virtual ~CPolyline() = default;

    // A deep copy: points, contour, tabs, flags and every member.
    std::unique_ptr<CPolyline> clone() const;

    // The three flags take only 0 or 1; any other value is ignored.
    void set_selected(int v);
    void set_start_linked(int v);
    void set_end_linked(int v);
    int selected() const { return selected_; }
    int start_linked() const { return startLinked_; }
    int end_linked() const { return endLinked_; }
    bool is_linked() const { return startLinked_ != 0 || endLinked_ != 0; }

    // Reverses the order of the points (z included); toggles `permute` when
    // the polyline has members; removes the offset.
    void reverse();

    // Whether `other` may be joined to this polyline's end; `error` says why
    // not, in French.
    [[nodiscard]] bool can_join(const CPolyline& other, std::string& error) const;

    // Appends the points of `other` (its first point is dropped when it lies
    // within 0.5 mm of this polyline's last point), keeps `other` as the next
    // member and removes both offsets. On failure nothing changes and `other`
    // stays with the caller.
    [[nodiscard]] bool join(std::unique_ptr<CPolyline>& other, std::string& error);

    // Walks the members: the member at the cursor (then advances it), or
    // nullptr once every member has been given.
    CPolyline* next_member();
    void reset_member_cursor() { memberCursor = 0; }

    // Undoes the joins: reverses first when `permute` is set, appends every
    // member in join order to `table` after its `count` entries, gives this
    // polyline back its points from before the first join and removes the
    // offset. Refused, with nothing changed, when there are no members or the
    // table cannot take them all.
    [[nodiscard]] bool explode(PolylineArray& table, int& count, std::string& error);

    // Deletes every tab; no offset contour any more.
    void remove_offset();

    // Computes the offset contour at distance `r` on `side` of the direction
    // of travel: one mitred corner per point, the two ends joined at a true
    // corner when the outline is closed. With `reset_tabs` every tab is
    // discarded first; without, the tab table is left as it is. Refused, with
    // nothing changed and a French message, for no side or an outline of
    // fewer than 2 points.
    [[nodiscard]] bool offset(OffsetSide side, float r, bool reset_tabs, std::string& error);

    // Places the tab of contour segment `segment` (1-based) with width `w`,
    // its centre moved by `move` along the segment from where it was (a new
    // tab starts at the middle). A tab that would cover the whole segment is
    // removed; a move that would push one end past a segment end is refused.
    TabOutcome place_tab(int segment, float w, float move);

    // Deletes the tab of `segment`; false when there was none.
    bool remove_tab(int segment);
    bool has_tab(int segment) const;

    // Hit test at a mouse offset from the origin in logical units, against
    // the outline (`on_contour` false) or the offset contour: the first
    // segment whose screen box, at least 20 units wide each way, holds the
    // mouse. Sets `selectedSegment` and returns it; 0 when nothing is hit.
    int hit_test(bool on_contour, int mouse_x, int mouse_y, float zoom);

    int nbPoints = 0;
    std::array<Point3, kPointSlots> points{};
    OffsetSide detourage = OffsetSide::none;
    int selectedSegment = 0;  // 1-based segment last hit by a click
    int taille = 0;           // points before the first join, while there are members
    int nbOffsetPoints = 0;   // 0, or nbPoints when there is an offset contour
    std::array<Point3, kPointSlots> offsetPoints{};
    // tabs[k] belongs to offset segment k, from offsetPoints[k-1] to
    // offsetPoints[k]; tabs[0] stays empty.
    std::array<std::unique_ptr<CAttache>, kPointSlots> tabs;
    int permute = 0;  // reversed an odd number of times since the first join
    int memberCursor = 0;
    int nbMembers = 0;
    std::array<std::unique_ptr<CPolyline>, kMaxMembers> members;

  private:
    int selected_ = 0;
    int endLinked_ = 0;    // a link ends at the start of the offset contour
    int startLinked_ = 0;  // a link starts at the end of the offset contour
};

}  // namespace common
