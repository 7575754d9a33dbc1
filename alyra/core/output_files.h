#pragma once
// The three files of a computation: the new root and tip profiles and the
// panel data sheet, their proposed names and title lines. Lines end CR LF.

#include <string>

#include "results.h"

namespace alyra {

inline constexpr const char* kAuthor = "Ostrelo";
inline constexpr const char* kDefaultProjectName = "Alyra";

struct ProposedNames {
    std::string root;  // P_Empl_C<chord>_H<height>_L0.0_V<twist>.dat
    std::string tip;   // P_Saum_C<chord>_H<height>_L<length>_V<twist>.dat
    std::string data;  // P_Data_Troncon.txt
};

// The names built from the project name and the shown results, each number
// "#.0" with the locale's decimal mark `decimal_sep`; with the twist inside
// the profiles, "_vrillage_integre" ends both profile names.
ProposedNames proposed_names(const std::string& project, const WingResults& r, char decimal_sep);

// Title lines of the two profile files; `profile_name` is the name in the
// profile's text box. With the twist inside the profiles, the twists (what is
// left to turn) are followed by " (vrillage intégré)", here and in the data
// sheet.
std::string root_title(const std::string& profile_name, const WingResults& r);
std::string tip_title(const std::string& profile_name, const WingResults& r);

// The panel data sheet.
std::string data_sheet_text(const ProposedNames& names, const WingResults& r);

// What a message box shows after a save.
struct SaveReport {
    std::string title;
    std::string text;
};

}  // namespace alyra
