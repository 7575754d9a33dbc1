#include "message_box.h"

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

}  // namespace plandor
