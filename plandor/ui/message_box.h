#pragma once
// Plandor's questions, in a box as wide as its own title (its messages are
// the suite's, message_sink.h).

#include <QString>
#include <functional>

#include "message_sink.h"

class QDialog;
class QDialogButtonBox;
class QWidget;

namespace plandor {

enum class Answer { Yes, No, Cancel };
// A question with the buttons Yes and No and, with `cancel`, "Annuler"; Escape
// gives Cancel when it is offered and No otherwise.
using QuestionSink = std::function<Answer(const QString& title, const QString& text, bool cancel)>;

// The question in a modal box with the warning icon; Yes is the default
// button. The buttons are named IDYES, IDNO and IDCANCEL.
Answer ask_in_box(QWidget* parent, const QString& title, const QString& text, bool cancel);

// OK and Annuler (named IDOK and IDCANCEL) for `dialog`, wired to its
// accept and reject.
QDialogButtonBox* ok_cancel(QDialog* dialog);

}  // namespace plandor
