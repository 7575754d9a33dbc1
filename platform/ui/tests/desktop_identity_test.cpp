// Each program tells the desktop the menu entry the package installs for it,
// and its windows carry the icon that entry shows.

#include "desktop_identity.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace {

QString entry_value(const QString& desktop_file, const QString& key) {
    QFile file(desktop_file);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return "<fichier absent>";
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(key + "="))
            return line.mid(key.size() + 1);
    }
    return "<clé absente>";
}

}  // namespace

TEST(DesktopIdentity, EachProgramNamesItsInstalledMenuEntryAndShowsItsIcon) {
    auto& app = *qobject_cast<QApplication*>(QCoreApplication::instance());
    for (const char* program : {"Vexor", "Plandor", "Alyra", "Cadrex", "Stelmo"}) {
        SCOPED_TRACE(program);
        platform::set_desktop_identity(app, program);
        const QString id = QGuiApplication::desktopFileName();
        EXPECT_EQ(id, QString("org.ostrelo.") + program);

        const QString entry = QString(OSTRELO_PACKAGING) + "/applications/" + id + ".desktop";
        EXPECT_EQ(entry_value(entry, "Icon"), id);

        // The window icon is drawn at the menu's smallest size, not blank.
        const QImage small = app.windowIcon().pixmap(16, 16).toImage();
        ASSERT_FALSE(small.isNull());
        int opaque = 0;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                opaque += qAlpha(small.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 16 * 16 / 2);
    }
}
