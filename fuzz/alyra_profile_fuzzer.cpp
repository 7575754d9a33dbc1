// Alyra's point-file reader on arbitrary bytes; a profile it accepts must
// also go through the geometry and the writer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "geometry.h"
#include "profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    alyra::LoadedProfile profile;
    std::string error;
    if (!alyra::read_profile(bytes, "fuzz.dat", profile, error)) {
        return 0;
    }
    if (profile.points.nb_pts < 1 || profile.points.nb_pts > alyra::kMaxPoints) {
        __builtin_trap();
    }
    alyra::WingInputs in{280, 20, 1, 0, 160, 25, -2, 0, 90, 650};
    alyra::TurnedPanel panel;
    alyra::build_root_section(profile.points, in, panel.root);
    alyra::build_tip_section(profile.points, in, panel.tip);
    const double alpha = 0.137;
    alyra::Section root = panel.root;
    alyra::Section tip = panel.tip;
    alyra::turn_section(root, alpha, panel.root);
    alyra::turn_section(tip, alpha, panel.tip);
    alyra::PointTable new_root;
    alyra::PointTable new_tip;
    if (alyra::new_profiles(panel, new_root, new_tip, error)) {
        std::string text;
        alyra::profile_file_text("t", new_root, 20, ',', text, error);
        alyra::profile_file_text("t", new_tip, 25, '.', text, error);
    }
    return 0;
}
