#pragma once
// The plot window `Trace` ("Allure du demi-couple"): the drawing area, the
// two end labels, the file-name field and the save button. It owns the point
// tables; closing it discards them.

#include <QWidget>

#include "half_former.h"
#include "message_sink.h"

class QLineEdit;
class QPushButton;

namespace cadrex {

class FormerPlot;

class TraceWindow : public QWidget {
  public:
    explicit TraceWindow(QWidget* parent = nullptr);

    // A refusal is a warning, a saved file a plain report.
    void set_message_sink(platform::MessageSink sink) { show_message_ = std::move(sink); }
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
    platform::MessageSink show_message_ = platform::show_message_box;
};

}  // namespace cadrex
