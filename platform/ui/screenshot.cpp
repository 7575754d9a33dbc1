#include "screenshot.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <QWidget>
#include <cstring>

#include "french_qt.h"
#include "save_file.h"

namespace platform {

void use_offscreen_for_screenshot(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--screenshot", 12) == 0) {
            // An offscreen platform chosen with its options (a screen of its
            // own: offscreen:configfile=screen.json) is kept.
            if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            return;
        }
    }
}

bool save_screenshot(const std::vector<QWidget*>& windows, const std::string& path,
                     std::string* error) {
    constexpr int gap = 8;
    std::vector<QPixmap> shots;
    int width = 0;
    int height = 0;
    for (QWidget* w : windows) {
        w->show();
        QCoreApplication::processEvents();
        shots.push_back(w->grab());
        width += shots.back().width() + (shots.size() > 1 ? gap : 0);
        height = std::max(height, shots.back().height());
    }
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    QPainter painter(&image);
    int x = 0;
    for (const QPixmap& shot : shots) {
        painter.drawPixmap(x, 0, shot);
        x += shot.width() + gap;
    }
    painter.end();

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        if (error) {
            *error = "Impossible de produire l'image « " + path + " ».";
        }
        return false;
    }
    return save_file(path, std::string_view(png.constData(), static_cast<size_t>(png.size())),
                     error);
}

void show_settings_notices(QWidget* window, const QString& title,
                           const std::vector<std::string>& notices) {
    if (notices.empty()) {
        return;
    }
    QStringList lines;
    for (const std::string& notice : notices) {
        lines << QString::fromStdString(notice);
    }
    QMessageBox box(QMessageBox::Warning, title, lines.join("\n"), QMessageBox::Ok, window);
    fit_title(&box);
    box.exec();
}

}  // namespace platform
