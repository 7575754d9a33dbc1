#include "text_width.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace alyra {

namespace {

// What QLineEdit keeps free on each side of its text inside the contents
// rectangle, plus the cursor.
constexpr int kInnerMargin = 2;
constexpr int kCursor = 1;

QRect contents_rect(const QLineEdit* box, const QRect& rect) {
    QStyleOptionFrame option;
    option.initFrom(box);
    option.rect = rect;
    option.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    return box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
}

int inner_margins(const QLineEdit* box) {
    const QMargins text = box->textMargins();
    return 2 * kInnerMargin + text.left() + text.right();
}

}  // namespace

int text_room(const QLineEdit* box) {
    return contents_rect(box, box->rect()).width() - inner_margins(box);
}

int width_for(const QLineEdit* box, const QString& text) {
    const QRect probe(0, 0, 200, 30);
    const int frame = probe.width() - contents_rect(box, probe).width();
    return box->fontMetrics().horizontalAdvance(text) + inner_margins(box) + kCursor + frame;
}

void fit_text(QLineEdit* box, int cap) {
    box->setMinimumWidth(std::min(width_for(box, box->text()), cap));
    box->setToolTip(box->text());
    box->setCursorPosition(0);
}

}  // namespace alyra
