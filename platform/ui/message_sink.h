#pragma once
// The programs' messages: what a message is gives its box's icon, and a
// window shows its messages through a sink that tests replace.

#include <QString>
#include <functional>

class QWidget;

namespace platform {

enum class MessageKind {
    Plain,        // a success's report: no icon
    Information,  // information icon
    Warning,      // a refused value or command, a notice: warning icon
    Error,        // a failure (a file that cannot be used): error icon
};

// Shows a message over `parent`, the window whose command raised it.
using MessageSink = std::function<void(QWidget* parent, const QString& title, const QString& text,
                                       MessageKind kind)>;

// The message in a modal box with the kind's icon and an OK button, as wide
// as its own title.
void show_message_box(QWidget* parent, const QString& title, const QString& text, MessageKind kind);

// A window's message sink for a --screenshot run: no message box, the text on
// stderr; `*refused` becomes true on a warning or an error.
MessageSink stderr_message_sink(bool* refused);

}  // namespace platform
