#pragma once
// The job file "coupe.dep": the selected polylines of the drawing, in
// document order, as move lines. For each one a travel move to its first
// point, a plunge to ZBas, one line per segment at the cutting speed and a
// raise to the tool-up height; then a return along X and one along Y to the
// point where the job started.
//
// A segment becomes one P line whose ideal point advances by the smaller of
// the two step lengths along the segment every period, the period being the
// time the feed speed needs for that distance. Less than one X step across
// gives a Y-only line and less than one Y step an X-only line; that offset is
// dropped from the cursor, so it never accumulates. Arithmetic is done in
// double precision from the single-precision settings and points; every
// period is truncated towards zero.

#include <string>
#include <vector>

#include "machine_settings.h"
#include "move_file.h"
#include "polyline.h"

namespace vexor {

// The Z the job raises the tool to after each path; never changed.
inline constexpr float kToolUpHeight = 0.0f;

// The text of the job from the tool position (posX, posY). False, with a
// French message in `error` and `text` untouched, when the job cannot be
// written sensibly: a speed or a number of steps per mm that the job uses is
// zero or negative, a period would not fit in an integer, a point it goes to
// (the start, a point to cut, the plunge depth) lies outside the machine's
// travel from the origin, or a coordinate is so large that its line would not
// be read back whole.
[[nodiscard]] bool job_text(const common::PolylineArray& polylines, int count,
                            const MachineSettings& settings, float posX, float posY,
                            std::string& text, std::string& error);
// The same, with what the driver needs to know of each line of `text`, one
// entry a line in file order (left untouched when the job is refused).
[[nodiscard]] bool job_text(const common::PolylineArray& polylines, int count,
                            const MachineSettings& settings, float posX, float posY,
                            std::string& text, std::vector<JobLine>& lines, std::string& error);

}  // namespace vexor
