#include "preferences.h"

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
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
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

}  // namespace plandor
