#include "desktop_identity.h"

#include <QApplication>
#include <QIcon>
#include <QString>

namespace platform {

const char* desktop_id_prefix() {
    return "org.ostrelo.";
}

void set_desktop_identity(QApplication& app, const char* program) {
    const QString id = QString::fromLatin1(desktop_id_prefix()) + QString::fromUtf8(program);
    QGuiApplication::setDesktopFileName(id);
    // The icons are built into platform_ui from packaging/icons, so a program
    // run from its build folder shows the same icon as the installed one.
    app.setWindowIcon(QIcon(QStringLiteral(":/ostrelo/icons/") + id + QStringLiteral(".svg")));
}

}  // namespace platform
