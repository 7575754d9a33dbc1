#pragma once
// The dimensions window `Caract_dim`, Cadrex's main window: outer and inner
// dimensions, the constant-thickness mode, the V positioning, the file-name
// prefix and "Tracer / Mettre à jour", which shows the plot window `Trace`.
// Closing it closes the plot window and ends the program.

#include <QPointer>
#include <QWidget>

#include "dimension_fields.h"
#include "trace_window.h"
#include "window_placement.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMargins;
class QPushButton;
class QSize;

namespace cadrex {

class CaractDim : public QWidget {
  public:
    explicit CaractDim(QWidget* parent = nullptr);

    // Also given to every plot window this window creates.
    void set_message_sink(platform::MessageSink sink);
    // The plot window, null before the first computation or once closed.
    TraceWindow* trace() const { return trace_; }
    std::int16_t pos_ve() const { return pos_ve_; }

    // Types the texts of `f` into the fields and sets the options as `f`
    // says (nothing is computed).
    void set_fields(const DimensionFields& f);

    // Reads the fields, names the file, shows the plot window and computes.
    bool bt_trace_Click();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The first exposure of this window: it is then where the window manager
    // put it, and the plot window can be placed beside it.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    DimensionFields fields() const;
    void Form_Load();
    void Opt_pos_Click(int index);
    void chk_ep_const_Click();
    void derive_inner_fields();
    QMargins frame_margins() const;
    QSize framed_trace_size() const;
    void move_trace(const ScreenRect& frame);
    void place_trace();

    // The three frames of fields, and the controls' signals.
    QGroupBox* build_exterieur();
    QGroupBox* build_interieur();
    QGroupBox* build_positionnement();
    void connect_controls();
    QLineEdit* add_field(QGridLayout* grid, int row, int column, const QString& name,
                         const QString& label, const QString& text, bool unit);
    void set_field_enabled(QLineEdit* field, bool enabled);
    // Above the button, what a decimal comma made of each number typed.
    void show_comma_notices();

    QLineEdit* txt_xse_ = nullptr;
    QLineEdit* txt_xie_ = nullptr;
    QLineEdit* txt_ye_ = nullptr;
    QLineEdit* txt_nse_ = nullptr;
    QLineEdit* txt_nie_ = nullptr;
    QLineEdit* txt_xsi_ = nullptr;
    QLineEdit* txt_xii_ = nullptr;
    QLineEdit* txt_yi_ = nullptr;
    QLineEdit* txt_dec_ = nullptr;
    QLineEdit* txt_nsi_ = nullptr;
    QLineEdit* txt_nii_ = nullptr;
    QLineEdit* txt_ep_ = nullptr;
    QLineEdit* txt_prof_ = nullptr;
    QLineEdit* txt_prefnom_ = nullptr;
    QCheckBox* chk_ep_const_ = nullptr;
    QButtonGroup* Opt_pos_ = nullptr;
    QLabel* lbl_virgule_ = nullptr;
    QPushButton* bt_trace_ = nullptr;

    QPointer<TraceWindow> trace_;
    platform::MessageSink show_message_ = platform::show_message_box;
    std::int16_t pos_ve_ = kSans;
    bool loaded_ = false;
    bool on_screen_ = false;
};

}  // namespace cadrex
