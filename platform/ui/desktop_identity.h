#pragma once
// Who the running program is to the desktop: the menu entry it was started
// from (so that a Wayland or X11 desktop groups its windows under that entry
// and its icon) and the icon of its windows, the same drawing as the menu's.

class QApplication;

namespace platform {

// The reverse-DNS id of a program's menu entry and icon ("Plandor" gives
// "org.ostrelo.Plandor"), as the package installs them.
const char* desktop_id_prefix();

// Sets the desktop file name and the window icon of `app` for `program`
// ("Plandor", "Vexor", ...). Call before the first window.
void set_desktop_identity(QApplication& app, const char* program);

}  // namespace platform
