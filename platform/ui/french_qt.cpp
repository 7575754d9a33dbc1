#include "french_qt.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSpacerItem>
#include <QTranslator>
#include <cstdio>

namespace platform {

namespace {

constexpr const char* kQtBaseFrench = "qtbase_fr.qm";

// Room a title bar takes besides the title's text: window icon, the
// minimise/maximise/close buttons and their margins, as drawn by the
// common window managers (openbox, xfwm, mutter, kwin).
constexpr int kTitleBarExtra = 140;

}  // namespace

QString qt_translations_folder() {
    // The installed Qt's own folder first; Debian's folder as it stands
    // when a Qt from elsewhere runs against Debian's translations.
    const QStringList folders = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                 QStringLiteral("/usr/share/qt6/translations")};
    for (const QString& folder : folders) {
        if (!folder.isEmpty() && QFileInfo(QDir(folder).filePath(kQtBaseFrench)).isFile()) {
            return folder;
        }
    }
    return {};
}

bool install_qt_french(QApplication& app) {
    const QString folder = qt_translations_folder();
    auto* translator = new QTranslator(&app);
    if (folder.isEmpty() || !translator->load(QStringLiteral("qtbase_fr"), folder)) {
        delete translator;
        std::fprintf(stderr,
                     "Traduction française de Qt introuvable (%s, paquet "
                     "qt6-translations-l10n) : les boutons et dialogues standard restent en "
                     "anglais.\n",
                     kQtBaseFrench);
        return false;
    }
    app.installTranslator(translator);
    return true;
}

void fit_title(QWidget* dialog) {
    if (dialog == nullptr) {
        return;
    }
    QFont title_font = dialog->font();
    title_font.setBold(true);
    const int needed =
        QFontMetrics(title_font).horizontalAdvance(dialog->windowTitle()) + kTitleBarExtra;
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        // A message box sizes itself at every show; a spacer across its grid
        // is the width it keeps.
        if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
            grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                          grid->rowCount(), 0, 1, grid->columnCount());
        }
        return;
    }
    if (dialog->minimumWidth() < needed) {
        dialog->setMinimumWidth(needed);
    }
}

}  // namespace platform
