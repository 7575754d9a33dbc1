#pragma once
// The one-move programs of the jog and origin commands, written to "dep.dep".
// Each period is 1000000 / speed / steps per mm in single precision,
// truncated towards zero. A move that cannot be made sensibly is refused with
// a French message for an "Erreur" box: steps per mm of 0 or less on an axis
// that moves, a speed of 0 or less, a period too long for the file, or a
// target outside the machine's travel from the origin.

#include <string>

#include "machine_settings.h"
#include "step_driver.h"

namespace vexor {

inline constexpr const char* kErrorCaption = "Erreur";

enum class Jog { XPlus, XMinus, YPlus, YMinus, ZPlus, ZMinus };

// The text of a jog of `distance` mm from the driver's position. False with
// `error` set when the move is refused.
[[nodiscard]] bool jog_text(Jog jog, float distance, const MachineSettings& settings,
                            const CStepDriver& driver, std::string& text, std::string& error);

// The two lines that bring X, then Y, back to 0 (Z does not move).
[[nodiscard]] bool origin_text(const MachineSettings& settings, const CStepDriver& driver,
                               std::string& text, std::string& error);

}  // namespace vexor
