#pragma once
// Qt's own texts in French: standard buttons (Oui, Non, Annuler), file
// dialogs, the spin boxes' and validators' kin, whatever the desktop's
// language. The programs' own texts are French already; this is for the
// framework's.

#include <QString>

class QApplication;
class QWidget;

namespace platform {

// Loads Qt's French translation (qtbase_fr.qm from Qt's translations folder)
// into `app`; call before the first window. False, and a French notice on
// stderr, when the translation is not installed: the program goes on with
// Qt's English texts.
bool install_qt_french(QApplication& app);

// The folder that holds qtbase_fr.qm, or an empty string.
QString qt_translations_folder();

// Makes `dialog` at least wide enough to show its own title in full on a
// window manager's title bar (the title's text, the window icon and the
// title bar's buttons), without widening it past that. Call once its title
// and contents are set; message boxes are handled too.
void fit_title(QWidget* dialog);

}  // namespace platform
