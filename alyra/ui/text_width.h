#pragma once
// Widths that let a text box show its text whole, whatever the font and the
// style: the text, the margins a QLineEdit keeps inside its frame, and the
// frame.

#include <QString>

class QLineEdit;

namespace alyra {

// The width `box` needs to show `text` without cutting it.
int width_for(const QLineEdit* box, const QString& text);

// The width `box` has for its text once laid out: its width less its frame
// and inner margins.
int text_room(const QLineEdit* box);

// Keeps `box` at least wide enough for its current text, up to `cap`
// pixels; a longer text is shown from its start and whole in the tooltip.
void fit_text(QLineEdit* box, int cap);

}  // namespace alyra
