#pragma once
// What Alyra's windows ask of the desktop: message boxes, a question and the
// file and folder choosers. The main window fills them with Qt's
// dialogs; tests replace them.

#include <QString>
#include <functional>
#include <string>

#include "message_sink.h"
#include "settings_file.h"

class QWidget;

namespace alyra {

// The answer to a question: its "Oui", its "Non", or "Annuler" (also Escape
// and closing the box), which always leaves everything as it was.
enum class Reply { Oui, Non, Annuler };

struct WindowHooks {
    // Shows a message: a refusal is a warning, a saved file a plain report.
    platform::MessageSink message;
    // Asks a question answered "Oui", "Non" or "Annuler".
    std::function<Reply(const QString& title, const QString& text)> ask;
    // A file to open (Charge_Fichier, Charge_Proj) or to save to (Sauv_Proj),
    // starting in `folder`, proposing `proposed` when saving; empty when the
    // user cancels.
    std::function<QString(FileWindow window, const QString& caption, const QString& folder,
                          const QString& filter, const QString& proposed)>
        choose_file;
    // A folder, starting in `folder`; empty when the user cancels.
    std::function<QString(const QString& caption, const QString& folder)> choose_folder;
};

// A message of the core for a message box: its CR LF line ends become line
// breaks.
QString message_text(const std::string& text);

// The hooks on Qt's message boxes and file dialogs, parented to `parent`,
// each as wide as its title.
WindowHooks desktop_hooks(QWidget* parent);

}  // namespace alyra
