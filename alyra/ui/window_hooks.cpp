#include "window_hooks.h"

#include <QFileDialog>
#include <QMessageBox>

#include "french_qt.h"

namespace alyra {

QString message_text(const std::string& text) {
    return QString::fromStdString(text).replace("\r\n", "\n");
}

WindowHooks desktop_hooks(QWidget* parent) {
    WindowHooks hooks;
    hooks.message = platform::show_message_box;
    hooks.ask = [parent](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Question, title, text,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
        // Neither Enter nor a stray Escape may say yes.
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::Cancel);
        platform::fit_title(&box);
        box.exec();
        if (box.clickedButton() == box.button(QMessageBox::Yes)) {
            return Reply::Oui;
        }
        return box.clickedButton() == box.button(QMessageBox::No) ? Reply::Non : Reply::Annuler;
    };
    hooks.choose_file = [parent](FileWindow window, const QString& caption, const QString& folder,
                                 const QString& filter, const QString& proposed) {
        QFileDialog dialog(parent, caption, folder, filter);
        if (window == FileWindow::Sauv_Proj) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix("alyra");
            dialog.selectFile(proposed);
        } else {
            dialog.setFileMode(QFileDialog::ExistingFile);
        }
        platform::fit_title(&dialog);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    hooks.choose_folder = [parent](const QString& caption, const QString& folder) {
        QFileDialog dialog(parent, caption, folder);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        platform::fit_title(&dialog);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    return hooks;
}

}  // namespace alyra
