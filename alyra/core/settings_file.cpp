#include "settings_file.h"

#include <filesystem>
#include <vector>

#include "list_input.h"
#include "point_line.h"
#include "save_file.h"
#include "text_file.h"

namespace alyra {

namespace {

constexpr const char* kComments[] = {
    "*** Repertoire de chargement des projets",
    "*** Repertoire de sauvegarde des projets",
    "*** Repertoire de chargement des profils",
    "*** Repertoire de sauvegarde des profils",
};

constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

}  // namespace

AlyraSettings read_settings(std::string_view text) {
    std::vector<std::string> lines;
    ListInput in(text);
    while (lines.size() < 13) {
        auto line = in.next_line();
        if (!line) {
            break;
        }
        lines.push_back(std::move(*line));
    }
    AlyraSettings settings;
    for (std::size_t w = 0; w < settings.windows.size(); ++w) {
        const std::size_t drive_line = 2 + 3 * w;  // 0-based: date, then comment, drive, folder
        if (drive_line < lines.size() && !lines[drive_line].empty()) {
            settings.windows[w].drive = lines[drive_line];
        }
        if (drive_line + 1 < lines.size() && !lines[drive_line + 1].empty()) {
            settings.windows[w].folder = lines[drive_line + 1];
        }
    }
    return settings;
}

AlyraSettings load_settings(const std::string& path) {
    std::string bytes;
    std::string ignored;
    if (!read_text_file(path, bytes, ignored, kMaxSettingsBytes)) {
        return {};
    }
    return read_settings(bytes);
}

std::string settings_text(const AlyraSettings& settings, const std::string& date_time) {
    std::string text = date_time;
    text += pointfile::kLineEnd;
    for (std::size_t w = 0; w < settings.windows.size(); ++w) {
        text += kComments[w];
        text += pointfile::kLineEnd;
        text += settings.windows[w].drive.value_or("");
        text += pointfile::kLineEnd;
        text += settings.windows[w].folder.value_or("");
        text += pointfile::kLineEnd;
    }
    text += "-=[ EOF ]=-";
    text += pointfile::kLineEnd;
    return text;
}

std::string start_folder(const WindowFolder& remembered, const std::string& fallback) {
    for (const auto& candidate : {remembered.folder, remembered.drive}) {
        std::error_code ec;
        if (candidate && std::filesystem::is_directory(*candidate, ec)) {
            return *candidate;
        }
    }
    return fallback;
}

WindowFolder remember_folder(const std::string& folder) {
    return {std::filesystem::path(folder).root_path().string(), folder};
}

bool save_settings(const std::string& path, const AlyraSettings& settings,
                   const std::string& date_time, std::string& error) {
    return platform::save_file(path, settings_text(settings, date_time), &error);
}

}  // namespace alyra
