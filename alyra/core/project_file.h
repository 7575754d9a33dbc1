#pragma once
// The project file (".alyra"): the inputs as typed and both loaded profiles,
// one item per line, lines ending CR LF:
//   header line (skipped when read), project name, the ten field texts,
//   root count, root title, root points "x  y", tip count, tip title, tip
//   points; coordinates "#0.000000" with a decimal point. A project whose
//   twists go inside the profiles ends with one more line,
//   kVrillageIntegreLine, which readers of the older form never reach.

#include <string>
#include <string_view>

#include "profile.h"

namespace alyra {

inline constexpr const char* kProjectExtension = ".alyra";
inline constexpr std::string_view kVrillageIntegreLine = "Vrillage intégré aux profils";

struct ProjectData {
    std::string name;
    std::string Txt_Long;
    std::string txt_fleche;
    std::string txt_prof_empl;
    std::string txt_corde_empl;
    std::string txt_href_empl;
    std::string txt_vril_empl2;
    std::string txt_prof_saum;
    std::string txt_corde_saum;
    std::string txt_href_saum;
    std::string txt_vril_saum2;
    LoadedProfile empl;  // points and the caption of the root label
    LoadedProfile saum;
    bool vrillage_integre = false;
};

// `path`, with ".alyra" added when its name does not end so.
std::string with_project_extension(const std::string& path);

// Line 2 of a project saved under `file_name`: the project name, or when it
// is still the default "Alyra", the file name without its ".alyra".
std::string project_name_line(const std::string& project_name, const std::string& file_name);

// The file text. `date` goes into the header line. Refused when a text holds
// a line break (it would shift every later item) or a profile is empty.
[[nodiscard]] bool project_text(const ProjectData& project, const std::string& date,
                                char decimal_sep, std::string& text, std::string& error);

// Reads a project. Text items are whole lines (a comma in a field stays in
// it); counts must be whole numbers from 1 to 1000 and each point line two
// numbers. A short or malformed file is refused with a French message and
// `out` is left unchanged.
[[nodiscard]] bool read_project(std::string_view bytes, ProjectData& out, std::string& error);

}  // namespace alyra
