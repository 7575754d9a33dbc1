#include "window_hooks.h"

#include <QFileDialog>
#include <QMessageBox>

namespace alyra {

QString message_text(const std::string& text) {
    return QString::fromStdString(text).replace("\r\n", "\n");
}

WindowHooks desktop_hooks(QWidget* parent) {
    WindowHooks hooks;
    hooks.message = [parent](const QString& title, const QString& text, bool error) {
        QMessageBox box(error ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
                        QMessageBox::Ok, parent);
        box.exec();
    };
    hooks.ask = [parent](const QString& title, const QString& text) {
        return QMessageBox::question(parent, title, text) == QMessageBox::Yes;
    };
    hooks.choose_file = [parent](FileWindow window, const QString& caption, const QString& folder,
                                 const QString& filter, const QString& proposed) {
        if (window == FileWindow::Sauv_Proj) {
            QFileDialog dialog(parent, caption, folder, filter);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix("alyra");
            dialog.selectFile(proposed);
            return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
        }
        return QFileDialog::getOpenFileName(parent, caption, folder, filter);
    };
    hooks.choose_folder = [parent](const QString& caption, const QString& folder) {
        return QFileDialog::getExistingDirectory(parent, caption, folder);
    };
    return hooks;
}

}  // namespace alyra
