#pragma once
// Plandor's message boxes and questions: one place shows them, each as wide
// as its own title, with the icon its kind asks for.

#include <QString>
#include <functional>

class QWidget;

namespace plandor {

// Information (a report), Warning (a refused value, a notice), Error.
enum class MessageKind { Information, Warning, Error };
using MessageSink =
    std::function<void(const QString& title, const QString& text, MessageKind kind)>;

enum class Answer { Yes, No, Cancel };
// A question with the buttons Yes and No and, with `cancel`, "Annuler"; Escape
// gives Cancel when it is offered and No otherwise.
using QuestionSink = std::function<Answer(const QString& title, const QString& text, bool cancel)>;

void show_message_box(QWidget* parent, const QString& title, const QString& text, MessageKind kind);

// The question in a modal box with the warning icon; Yes is the default
// button. The buttons are named IDYES, IDNO and IDCANCEL.
Answer ask_in_box(QWidget* parent, const QString& title, const QString& text, bool cancel);

}  // namespace plandor
