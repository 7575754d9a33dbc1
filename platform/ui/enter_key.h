#pragma once
// Enter on a focused push button: in forms a user tabs to a button and
// presses Enter, which Qt leaves to dialogs' default buttons only.

class QWidget;

namespace platform {

// From now on Enter and keypad Enter press the focused push button of
// `window` (those it holds when called), as Space does. Other keys and
// other controls are left as they are.
void press_buttons_with_enter(QWidget* window);

}  // namespace platform
