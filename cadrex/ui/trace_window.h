#pragma once
// The plot window `Trace` ("Allure du demi-couple"): the drawing area, the
// two end labels, the file-name field and the save button. It owns the point
// tables; closing it discards them.

#include <QWidget>
#include <functional>

#include "half_former.h"

class QLineEdit;
class QPushButton;

namespace cadrex {

class FormerPlot;

class TraceWindow : public QWidget {
  public:
    // Shows a message over `parent`, the window whose command raised it;
    // `error` is true for a refusal.
    using MessageSink =
        std::function<void(QWidget* parent, const QString& title, const QString& text, bool error)>;

    explicit TraceWindow(QWidget* parent = nullptr);

    void set_message_sink(MessageSink sink) { show_message_ = std::move(sink); }
    const HalfFormer& former() const { return former_; }

    // Computes, refills the tables and redraws; a refusal leaves the last
    // computation and returns false with the French message in `error`.
    bool dessin_demi_forme(const FormerDimensions& d, std::string& error);
    void set_nomfich(const QString& name);
    // Writes the points under the name of txt_nomfich.
    bool Command1_Click();

  private:
    HalfFormer former_;
    FormerPlot* pic_couple_ = nullptr;
    QLineEdit* txt_nomfich_ = nullptr;
    QPushButton* Command1_ = nullptr;
    MessageSink show_message_;
};

// The suite's message box: no icon for a success, a warning for a refusal.
void show_message_box(QWidget* parent, const QString& title, const QString& text, bool error);

}  // namespace cadrex
