#include "message_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

#include "french_qt.h"

namespace plandor {

Answer ask_in_box(QWidget* parent, const QString& title, const QString& text, bool cancel) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QMessageBox::Yes);
    QPushButton* no = box.addButton(QMessageBox::No);
    yes->setObjectName("IDYES");
    yes->setText("&Oui");
    no->setObjectName("IDNO");
    no->setText("&Non");
    QPushButton* annuler = nullptr;
    if (cancel) {
        annuler = box.addButton(QMessageBox::Cancel);
        annuler->setObjectName("IDCANCEL");
        annuler->setText("Annuler");
    }
    box.setDefaultButton(yes);
    // A stray Escape (or the title bar's close button) must never lose work.
    box.setEscapeButton(cancel ? annuler : no);
    platform::fit_title(&box);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    return clicked == yes ? Answer::Yes : clicked == no ? Answer::No : Answer::Cancel;
}

QDialogButtonBox* ok_cancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("IDOK");
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("IDCANCEL");
    buttons->button(QDialogButtonBox::Cancel)->setText("Annuler");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace plandor
