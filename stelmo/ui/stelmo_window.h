#pragma once
// The window `stelmo`: five dimension fields, the plot, the file name and
// the save button.

#include <QWidget>

#include "message_sink.h"
#include "star_hollow.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace stelmo {

class StarPlot;

class StelmoWindow : public QWidget {
  public:
    explicit StelmoWindow(QWidget* parent = nullptr);

    // A refusal is a warning, a saved file a plain report. Tests replace the
    // message boxes.
    void set_message_sink(platform::MessageSink sink) { show_message_ = std::move(sink); }
    const StarHollow& star() const { return star_; }

    // Types the texts of `f` into the dimension fields (nothing is computed).
    void set_fields(const StarFields& f);
    // Types `name` into the file-name field.
    void set_nomfich(const std::string& name);

    // Computes and plots, as "Tracer / mettre à jour" does.
    bool bt_trace_Click();
    // Writes the points of the last computation under the name of txt_nomfich.
    bool bt_sauve_Click();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    StarFields fields() const;
    // Under the fields, what a decimal comma made of each number typed.
    void show_comma_notices();
    QLineEdit* add_field(QGridLayout* grid, int row, const char* name, const QString& label,
                         const QString& text, const QString& unit);

    StarHollow star_;
    QLineEdit* txt_dint_ = nullptr;
    QLineEdit* txt_dext_ = nullptr;
    QLineEdit* txt_dega_ = nullptr;
    QLineEdit* txt_nbang_ = nullptr;
    QLineEdit* txt_nbrad_ = nullptr;
    QLineEdit* txt_nomfich_ = nullptr;
    QLabel* lbl_virgule_ = nullptr;
    QPushButton* bt_trace_ = nullptr;
    QPushButton* bt_sauve_ = nullptr;
    StarPlot* dessin_ = nullptr;
    platform::MessageSink show_message_ = platform::show_message_box;
    bool activated_ = false;
};

}  // namespace stelmo
