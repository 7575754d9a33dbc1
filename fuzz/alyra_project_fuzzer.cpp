// Alyra's project and settings readers on arbitrary bytes; a project they
// accept must write back and read again to the same points.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "project_file.h"
#include "settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    alyra::read_settings(bytes);
    alyra::ProjectData project;
    std::string error;
    if (!alyra::read_project(bytes, project, error)) {
        return 0;
    }
    std::string text;
    if (!alyra::project_text(project, "d", '.', text, error)) {
        return 0;
    }
    alyra::ProjectData again;
    if (!alyra::read_project(text, again, error) ||
        again.empl.points.nb_pts != project.empl.points.nb_pts ||
        again.saum.points.nb_pts != project.saum.points.nb_pts || again.name != project.name) {
        __builtin_trap();
    }
    return 0;
}
