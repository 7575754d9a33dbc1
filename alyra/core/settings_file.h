#pragma once
// alyra.ini in the current folder: the drive and folder of each of the four
// file windows, read at start-up and written at exit. 14 lines: the date and
// time of the last exit, then per window a comment line, its drive and its
// folder, then "-=[ EOF ]=-". Lines end CR LF.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace alyra {

inline constexpr const char* kSettingsFile = "alyra.ini";

// The file windows in the order of the file.
enum class FileWindow { Charge_Proj = 0, Sauv_Proj = 1, Charge_Fichier = 2, Sauv_Profil = 3 };

struct WindowFolder {
    std::optional<std::string> drive;  // nothing: the window keeps its default
    std::optional<std::string> folder;
};

struct AlyraSettings {
    std::array<WindowFolder, 4> windows;

    WindowFolder& operator[](FileWindow w) { return windows[static_cast<std::size_t>(w)]; }
    const WindowFolder& operator[](FileWindow w) const {
        return windows[static_cast<std::size_t>(w)];
    }
};

// Reads what the text holds, line by line: a short, empty or odd file gives
// the entries it has and leaves the others (and empty lines) unset. Never
// fails.
AlyraSettings read_settings(std::string_view text);

// Reads the settings file at `path`; a missing or unreadable file gives no
// entry.
AlyraSettings load_settings(const std::string& path);

// The file text: `date_time` on line 1, then each window's comment, drive and
// folder (an unset entry is written as an empty line).
std::string settings_text(const AlyraSettings& settings, const std::string& date_time);

// The folder a file window opens in: its remembered folder when that is an
// existing folder, else its remembered drive when that is one, else
// `fallback`.
std::string start_folder(const WindowFolder& remembered, const std::string& fallback);

// What is remembered of `folder`: its root (the drive on this platform) and
// the folder itself.
WindowFolder remember_folder(const std::string& folder);

// Writes the settings file; false with a French message when it cannot.
[[nodiscard]] bool save_settings(const std::string& path, const AlyraSettings& settings,
                                 const std::string& date_time, std::string& error);

}  // namespace alyra
