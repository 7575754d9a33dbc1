#pragma once
// Start-up helpers shared by the programs' windows: offscreen rendering for
// --screenshot, saving what the user would see as a PNG, and the notices of
// stored settings replaced at start.

#include <QString>
#include <string>
#include <vector>

#include "message_sink.h"

class QWidget;

namespace platform {

// When the arguments ask for a screenshot, selects the offscreen platform.
// Call before the QApplication is built.
void use_offscreen_for_screenshot(int argc, char** argv);

// Renders the windows side by side into one PNG, written atomically.
bool save_screenshot(const std::vector<QWidget*>& windows, const std::string& path,
                     std::string* error);

// Stored settings that could not be used were replaced by their defaults:
// one warning over `window` lists them, none when there are none.
void show_settings_notices(QWidget* window, const QString& title,
                           const std::vector<std::string>& notices);

}  // namespace platform
