#pragma once
// The examples that come with the suite (profiles, drawings, plans, the
// machine's settings) are found from where the program runs, never from
// where it was built: <folder of the executable>/../share/ostrelo/examples.
// The package installs them there (/usr/bin/plandor finds
// /usr/share/ostrelo/examples) and the build makes the same layout beside
// its programs.

#include <filesystem>
#include <string>

namespace platform {

// The examples folder beside `executable` (a link is followed to the program
// it points to), without "..", or empty when there is no such folder.
std::string examples_folder_beside(const std::filesystem::path& executable);

// The examples folder of the running program, or empty.
std::string examples_folder();

}  // namespace platform
