#pragma once
// The cut job as a G-code program for a GRBL controller: the selected
// polylines in document order, each one contour cut in one pass at the
// descent depth, at the document's cutting speeds.
//
// Work Z 0 is where the tool touches the board, as for the parallel-port job;
// travels go at kGrblSafeHeight above it rather than at Z 0, since a rapid
// move on a GRBL machine crosses clamps and tabs at full speed. The program
// ends back at the work origin (X 0 Y 0): zero the work position where the
// job should start and return.

#include <string>

#include "gcode_writer.h"
#include "machine_settings.h"
#include "polyline.h"

namespace vexor {

// mm above the board for every travel: clear of the clamps and the chips of
// a hobby router, short enough to keep the lifts quick.
inline constexpr double kGrblSafeHeight = 5.0;

struct GrblJob {
    common::GcodeJob job;
    common::GcodeSettings settings;
};

// The job and its settings: each selected polyline with points is one
// contour of one piece, closed only when its ends meet; depth -ZBas in one
// pass, no tab, feeds in mm/min from the cutting speeds in mm/s.
GrblJob grbl_job(const common::PolylineArray& polylines, int count, const MachineSettings& settings,
                 const std::string& name);

// The program text. False with a French message when the job cannot be
// written (nothing selected, a zero speed or descent, a point out of range).
[[nodiscard]] bool grbl_program(const common::PolylineArray& polylines, int count,
                                const MachineSettings& settings, const std::string& name,
                                std::string& program, common::GcodeReport& report,
                                std::string& error);

}  // namespace vexor
