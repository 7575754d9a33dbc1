// Qt's own dialogs speak French whatever the desktop's language: this test
// runs under the C locale, with the translation the programs load.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <clocale>

#include "french_qt.h"

TEST(FrenchQt, StandardButtonsAndFileDialogsReadFrenchUnderTheCLocale) {
    ASSERT_STREQ(std::setlocale(LC_MESSAGES, nullptr), "C");
    ASSERT_FALSE(platform::qt_translations_folder().isEmpty())
        << "qtbase_fr.qm is not installed (qt6-translations-l10n)";

    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                             QDialogButtonBox::Yes | QDialogButtonBox::No);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "Annuler");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), "&Oui");
    EXPECT_EQ(buttons.button(QDialogButtonBox::No)->text(), "&Non");

    QFileDialog open_dialog;
    open_dialog.setOption(QFileDialog::DontUseNativeDialog);
    open_dialog.setAcceptMode(QFileDialog::AcceptOpen);
    auto* box = open_dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->button(QDialogButtonBox::Open)->text(), "&Ouvrir");
    EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text(), "Annuler");
    QStringList labels;
    for (auto* label : open_dialog.findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_TRUE(labels.contains("Voir dans :")) << labels.join('|').toStdString();
    EXPECT_TRUE(labels.contains("&Nom de fichier :")) << labels.join('|').toStdString();
}

TEST(FrenchQt, ADialogIsWideEnoughForItsTitle) {
    QMessageBox box(QMessageBox::Warning, "Planification automatique de la découpe", "Oui ?",
                    QMessageBox::Yes | QMessageBox::No);
    const int before = box.sizeHint().width();
    platform::fit_title(&box);
    QFont bold = box.font();
    bold.setBold(true);
    EXPECT_GT(box.sizeHint().width(), QFontMetrics(bold).horizontalAdvance(box.windowTitle()));
    EXPECT_GE(box.sizeHint().width(), before);

    QDialog dialog;
    dialog.setWindowTitle("Importer un dessin DXF (toutes courbes)");
    platform::fit_title(&dialog);
    EXPECT_GT(dialog.minimumWidth(), QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()));
}
