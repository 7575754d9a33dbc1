#include "message_sink.h"

#include <QMessageBox>
#include <cstdio>

#include "french_qt.h"

namespace platform {

void show_message_box(QWidget* parent, const QString& title, const QString& text,
                      MessageKind kind) {
    const QMessageBox::Icon icon = kind == MessageKind::Error         ? QMessageBox::Critical
                                   : kind == MessageKind::Warning     ? QMessageBox::Warning
                                   : kind == MessageKind::Information ? QMessageBox::Information
                                                                      : QMessageBox::NoIcon;
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    fit_title(&box);
    box.exec();
}

MessageSink stderr_message_sink(bool* refused) {
    return [refused](QWidget*, const QString&, const QString& text, MessageKind kind) {
        std::fprintf(stderr, "%s\n", text.toStdString().c_str());
        if (kind == MessageKind::Warning || kind == MessageKind::Error) {
            *refused = true;
        }
    };
}

}  // namespace platform
