#pragma once
// Start-up helpers shared by the programs' windows: offscreen rendering for
// --screenshot, and saving what the user would see as a PNG.

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

// When the arguments ask for a screenshot, selects the offscreen platform.
// Call before the QApplication is built.
void use_offscreen_for_screenshot(int argc, char** argv);

// Renders the windows side by side into one PNG, written atomically.
bool save_screenshot(const std::vector<QWidget*>& windows, const std::string& path,
                     std::string* error);

// A window's message sink for a --screenshot run: no message box, the text on
// stderr; `*refused` becomes true on a refusal.
std::function<void(const QString& title, const QString& text, bool error)> stderr_message_sink(
    bool* refused);

}  // namespace platform
