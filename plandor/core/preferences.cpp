#include "preferences.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace plandor {

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string bound_text(double v) {
    // Fixed notation: 100000 must not read "1e+05".
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

// Lengths are stored in hundredths of a millimetre, multiplied in single
// precision and truncated toward zero.
int hundredths(float mm) {
    return static_cast<int>(mm * 100.0f);
}

}  // namespace

bool read_preference(const std::string& text, const PreferenceRange& range, double& value,
                     std::string& message) {
    const std::string t = trimmed(text);
    double v = 0;
    const char* begin = t.data();
    const char* end = t.data() + t.size();
    if (!t.empty() && *begin == '+') {
        ++begin;
    }
    const auto format = range.integer ? std::chars_format::fixed : std::chars_format::general;
    const auto [ptr, ec] = std::from_chars(begin, end, v, format);
    const bool number = !t.empty() && ec == std::errc() && ptr == end && std::isfinite(v);
    const bool whole = number && t.find_first_of(".eE") == std::string::npos;
    const std::string between =
        " compris entre " + bound_text(range.min) + " et " + bound_text(range.max) + ".";
    if (range.integer ? !whole : !number) {
        message = range.integer ? "Tapez un nombre entier." : "Tapez un nombre.";
        return false;
    }
    if (v < range.min || v > range.max) {
        message = (range.integer ? "Tapez un nombre entier" : "Tapez un nombre") + between;
        return false;
    }
    value = v;
    return true;
}

std::string preference_text(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

Preferences current_preferences(const CPlandorDoc& doc) {
    return {doc.cutterRadius, doc.tabWidth, doc.tabStep, doc.boardWidth, doc.boardLength};
}

void apply_preferences(CPlandorDoc& doc, const Preferences& values,
                       platform::SettingsStore& settings) {
    doc.set_cutter_radius(values.cutterRadius);
    doc.tabWidth = values.tabWidth;
    doc.tabStep = values.tabStep;
    doc.boardWidth = values.boardWidth;
    doc.boardLength = values.boardLength;
    write_stored_preferences(settings,
                             {hundredths(values.cutterRadius), hundredths(values.tabWidth),
                              hundredths(values.tabStep), values.boardWidth, values.boardLength});
}

StoredPreferences read_stored_preferences(const platform::SettingsStore& settings) {
    return {settings.read_int("FRAISE", "TAILLE", kDefaultRadius),
            settings.read_int("ATTACHE", "TAILLE", kDefaultTabWidth),
            settings.read_int("ATTACHE", "DEPLACEMENT", kDefaultTabStep),
            settings.read_int("PLANCHE", "LARGEUR", kDefaultBoardWidth),
            settings.read_int("PLANCHE", "LONGUEUR", kDefaultBoardLength)};
}

void write_stored_preferences(platform::SettingsStore& settings, const StoredPreferences& stored) {
    settings.write_int("FRAISE", "TAILLE", stored.cutterRadius);
    settings.write_int("ATTACHE", "TAILLE", stored.tabWidth);
    settings.write_int("ATTACHE", "DEPLACEMENT", stored.tabStep);
    settings.write_int("PLANCHE", "LARGEUR", stored.boardWidth);
    settings.write_int("PLANCHE", "LONGUEUR", stored.boardLength);
}

namespace {

constexpr int kGcodeDialectCount = 2;

int stored_mm(double mm) {
    return static_cast<int>(std::lround(mm * 100.0));
}

}  // namespace

common::GcodeSettings read_gcode_settings(const platform::SettingsStore& settings,
                                          std::vector<std::string>& notices) {
    const common::GcodeSettings defaults;
    auto read = [&](const char* key, int default_value, int min, int max) {
        return platform::read_checked_int(settings, "GCODE", key, default_value, min, max, notices);
    };
    auto read_mm = [&](const char* key, double default_mm, const PreferenceRange& range) {
        return read(key, stored_mm(default_mm), stored_mm(range.min), stored_mm(range.max)) * 0.01;
    };
    auto read_whole = [&](const char* key, double default_value, const PreferenceRange& range) {
        return read(key, static_cast<int>(default_value), static_cast<int>(range.min),
                    static_cast<int>(range.max));
    };
    common::GcodeSettings gcode;
    gcode.depth = read_mm("PROFONDEUR", defaults.depth, kGcodeDepthRange);
    gcode.passDepth = read_mm("PASSE", defaults.passDepth, kGcodeDepthRange);
    gcode.safeHeight = read_mm("SECURITE", defaults.safeHeight, kGcodeDepthRange);
    gcode.tabHeight = read_mm("ATTACHE", defaults.tabHeight, kGcodeTabHeightRange);
    gcode.cuttingFeed = read_whole("AVANCE", defaults.cuttingFeed, kGcodeFeedRange);
    gcode.plungeFeed = read_whole("PLONGEE", defaults.plungeFeed, kGcodeFeedRange);
    gcode.spindleSpeed = read_whole("BROCHE", defaults.spindleSpeed, kGcodeSpindleRange);
    gcode.dialect = static_cast<common::GcodeDialect>(
        read("DIALECTE", static_cast<int>(defaults.dialect), 0, kGcodeDialectCount - 1));
    std::string error;
    if (!common::check(gcode, error)) {
        // Each value is within its range, but the passes do not fit the cut.
        const double pass = std::min(defaults.passDepth, gcode.depth);
        notices.push_back("Le réglage GCODE/PASSE (" + std::to_string(stored_mm(gcode.passDepth)) +
                          ") ne va pas avec GCODE/PROFONDEUR (" +
                          std::to_string(stored_mm(gcode.depth)) + ") : la valeur " +
                          std::to_string(stored_mm(pass)) + " est utilisée.");
        gcode.passDepth = pass;
    }
    return gcode;
}

void write_gcode_settings(platform::SettingsStore& settings, const common::GcodeSettings& gcode) {
    settings.write_int("GCODE", "PROFONDEUR", stored_mm(gcode.depth));
    settings.write_int("GCODE", "PASSE", stored_mm(gcode.passDepth));
    settings.write_int("GCODE", "SECURITE", stored_mm(gcode.safeHeight));
    settings.write_int("GCODE", "ATTACHE", stored_mm(gcode.tabHeight));
    settings.write_int("GCODE", "AVANCE", static_cast<int>(std::lround(gcode.cuttingFeed)));
    settings.write_int("GCODE", "PLONGEE", static_cast<int>(std::lround(gcode.plungeFeed)));
    settings.write_int("GCODE", "BROCHE", gcode.spindleSpeed);
    settings.write_int("GCODE", "DIALECTE", static_cast<int>(gcode.dialect));
}

}  // namespace plandor
