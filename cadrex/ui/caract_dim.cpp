#include "caract_dim.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStringList>
#include <QVBoxLayout>
#include <QWindow>
#include <utility>

#include "enter_key.h"
#include "french_qt.h"
#include "number_reading.h"

namespace cadrex {

namespace {
// Field labels are named after their field: txt_xsi has lbl_xsi and lbl_xsi_mm.
QString label_name(const QString& field_name) {
    return "lbl_" + field_name.mid(4);
}

ScreenRect screen_rect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

constexpr int kWindowGap = 8;  // between the two windows' frames
}  // namespace

CaractDim::CaractDim(QWidget* parent) : QWidget(parent) {
    setObjectName("Caract_dim");
    setWindowTitle("Cadrex - Tracé d'un demi-couple elliptique - v1.3");
    platform::fit_title(this);

    auto* heading = new QLabel("Caractéristiques dimentionnelles :", this);
    heading->setObjectName("lbl_titre");
    QFont bold = heading->font();
    bold.setPointSize(bold.pointSize() + 2);
    bold.setBold(true);
    heading->setFont(bold);
    auto* credit = new QLabel("Ostrelo - v1.3 - 10/2003", this);
    credit->setObjectName("lbl_credit");

    QGroupBox* exterieur = build_exterieur();
    QGroupBox* interieur = build_interieur();
    QGroupBox* positionnement = build_positionnement();

    auto* prefix_row = new QHBoxLayout;
    auto* prefix_label = new QLabel("Préfixe du nom de fichier :", this);
    prefix_label->setObjectName("lbl_prefnom");
    txt_prefnom_ = new QLineEdit("Couple", this);
    txt_prefnom_->setObjectName("txt_prefnom");
    prefix_row->addWidget(prefix_label);
    prefix_row->addWidget(txt_prefnom_, 1);

    lbl_virgule_ = new QLabel(this);
    lbl_virgule_->setObjectName("lbl_virgule");
    lbl_virgule_->hide();
    bt_trace_ = new QPushButton("Tracer / Mettre à jour", this);
    bt_trace_->setObjectName("bt_trace");

    auto* top = new QHBoxLayout;
    top->addWidget(heading);
    top->addStretch();
    top->addWidget(credit);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(exterieur);
    main->addWidget(interieur);
    main->addWidget(positionnement);
    main->addLayout(prefix_row);
    main->addWidget(lbl_virgule_);
    main->addWidget(bt_trace_);
    main->setSizeConstraint(QLayout::SetFixedSize);

    set_field_enabled(txt_ep_, false);
    set_field_enabled(txt_prof_, false);
    connect_controls();
    platform::press_buttons_with_enter(this);
}

QGroupBox* CaractDim::build_exterieur() {
    auto* exterieur = new QGroupBox("Extérieur", this);
    exterieur->setObjectName("fra_exterieur");
    auto* ext = new QGridLayout(exterieur);
    txt_xse_ = add_field(ext, 0, 0, "txt_xse", "Xsup (hauteur) :", "60", true);
    txt_nse_ = add_field(ext, 0, 3, "txt_nse", "Nb de pts :", "20", false);
    txt_xie_ = add_field(ext, 1, 0, "txt_xie", "Xinf (hauteur) :", "40", true);
    txt_nie_ = add_field(ext, 1, 3, "txt_nie", "Nb de pts :", "20", false);
    txt_ye_ = add_field(ext, 2, 0, "txt_ye", "Y (largeur) :", "40", true);
    ext->setColumnMinimumWidth(2, 40);
    ext->setColumnStretch(6, 1);
    return exterieur;
}

QGroupBox* CaractDim::build_interieur() {
    auto* interieur = new QGroupBox("Intérieur", this);
    interieur->setObjectName("fra_interieur");
    auto* in = new QGridLayout(interieur);
    chk_ep_const_ = new QCheckBox("Epaisseur const.", interieur);
    chk_ep_const_->setObjectName("chk_ep_const");
    in->addWidget(chk_ep_const_, 0, 0, 1, 2);
    txt_ep_ = add_field(in, 0, 3, "txt_ep", "Epaisseur :", "6", true);
    txt_xsi_ = add_field(in, 1, 0, "txt_xsi", "Xsup (hauteur) :", "50", true);
    txt_nsi_ = add_field(in, 1, 3, "txt_nsi", "Nb de pts :", "20", false);
    txt_xii_ = add_field(in, 2, 0, "txt_xii", "Xinf (hauteur) :", "35", true);
    txt_nii_ = add_field(in, 2, 3, "txt_nii", "Nb de pts :", "20", false);
    txt_yi_ = add_field(in, 3, 0, "txt_yi", "Y (largeur) :", "35", true);
    txt_dec_ = add_field(in, 4, 0, "txt_dec", "Décal. (>haut)", "5", true);
    in->setColumnMinimumWidth(2, 40);
    in->setColumnStretch(6, 1);
    return interieur;
}

QGroupBox* CaractDim::build_positionnement() {
    auto* positionnement = new QGroupBox("Positionnement en Vé", this);
    positionnement->setObjectName("fra_pos");
    auto* pos = new QGridLayout(positionnement);
    Opt_pos_ = new QButtonGroup(this);
    Opt_pos_->setObjectName("Opt_pos");
    const char* captions[] = {"Sans", "Male", "Femelle"};
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(captions[i], positionnement);
        option->setObjectName(QString("Opt_pos_%1").arg(i));
        Opt_pos_->addButton(option, i);
        pos->addWidget(option, 0, i);
    }
    Opt_pos_->button(kSans)->setChecked(true);
    txt_prof_ = add_field(pos, 0, 3, "txt_prof", "Prof. :", "2", true);
    return positionnement;
}

void CaractDim::connect_controls() {
    connect(bt_trace_, &QPushButton::clicked, this, [this] { bt_trace_Click(); });
    connect(Opt_pos_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            Opt_pos_Click(id);
        }
    });
    connect(chk_ep_const_, &QCheckBox::toggled, this, [this] { chk_ep_const_Click(); });
    connect(txt_ep_, &QLineEdit::textChanged, this, [this] { derive_inner_fields(); });
    for (QLineEdit* field : {txt_xse_, txt_xie_, txt_ye_, txt_nse_, txt_nie_, txt_xsi_, txt_xii_,
                             txt_yi_, txt_dec_, txt_nsi_, txt_nii_, txt_ep_, txt_prof_}) {
        connect(field, &QLineEdit::textChanged, this, [this] { show_comma_notices(); });
    }
    for (QLineEdit* outer : {txt_xse_, txt_xie_, txt_ye_}) {
        connect(outer, &QLineEdit::textChanged, this, [this] {
            if (chk_ep_const_->isChecked()) {
                derive_inner_fields();
            }
        });
    }
}

QLineEdit* CaractDim::add_field(QGridLayout* grid, int row, int column, const QString& name,
                                const QString& label, const QString& text, bool unit) {
    QWidget* frame = grid->parentWidget();
    auto* caption = new QLabel(label, frame);
    caption->setObjectName(label_name(name));
    auto* field = new QLineEdit(text, frame);
    field->setObjectName(name);
    field->setMaximumWidth(60);
    grid->addWidget(caption, row, column);
    grid->addWidget(field, row, column + 1);
    if (unit) {
        auto* mm = new QLabel("mm", frame);
        mm->setObjectName(label_name(name) + "_mm");
        grid->addWidget(mm, row, column + 2);
    }
    return field;
}

void CaractDim::show_comma_notices() {
    QStringList lines;
    for (QLineEdit* field : {txt_xse_, txt_xie_, txt_ye_, txt_nse_, txt_nie_, txt_xsi_, txt_xii_,
                             txt_yi_, txt_dec_, txt_nsi_, txt_nii_, txt_ep_, txt_prof_}) {
        const std::string notice = pointfile::decimal_comma_notice(field->text().toStdString());
        if (field->isEnabled() && !notice.empty()) {
            lines << QString::fromStdString(notice);
        }
    }
    lbl_virgule_->setText(lines.join("\n"));
    lbl_virgule_->setVisible(!lines.isEmpty());
}

void CaractDim::set_field_enabled(QLineEdit* field, bool enabled) {
    field->setEnabled(enabled);
    const QString label = label_name(field->objectName());
    for (const QString& name : {label, label + "_mm"}) {
        if (auto* l = findChild<QLabel*>(name)) {
            l->setEnabled(enabled);
        }
    }
    show_comma_notices();
}

void CaractDim::set_message_sink(platform::MessageSink sink) {
    show_message_ = std::move(sink);
    if (trace_) {
        trace_->set_message_sink(show_message_);
    }
}

DimensionFields CaractDim::fields() const {
    DimensionFields f;
    f.xse = txt_xse_->text().toStdString();
    f.xie = txt_xie_->text().toStdString();
    f.ye = txt_ye_->text().toStdString();
    f.nse = txt_nse_->text().toStdString();
    f.nie = txt_nie_->text().toStdString();
    f.xsi = txt_xsi_->text().toStdString();
    f.xii = txt_xii_->text().toStdString();
    f.yi = txt_yi_->text().toStdString();
    f.dec = txt_dec_->text().toStdString();
    f.nsi = txt_nsi_->text().toStdString();
    f.nii = txt_nii_->text().toStdString();
    f.ep_const = chk_ep_const_->isChecked();
    f.ep = txt_ep_->text().toStdString();
    f.pos_ve = pos_ve_;
    f.prof = txt_prof_->text().toStdString();
    f.prefnom = txt_prefnom_->text().toStdString();
    return f;
}

void CaractDim::set_fields(const DimensionFields& f) {
    const std::pair<QLineEdit*, const std::string*> texts[] = {
        {txt_xse_, &f.xse},   {txt_xie_, &f.xie},         {txt_ye_, &f.ye},   {txt_nse_, &f.nse},
        {txt_nie_, &f.nie},   {txt_xsi_, &f.xsi},         {txt_xii_, &f.xii}, {txt_yi_, &f.yi},
        {txt_dec_, &f.dec},   {txt_nsi_, &f.nsi},         {txt_nii_, &f.nii}, {txt_ep_, &f.ep},
        {txt_prof_, &f.prof}, {txt_prefnom_, &f.prefnom},
    };
    for (const auto& [field, text] : texts) {
        field->setText(QString::fromStdString(*text));
    }
    chk_ep_const_->setChecked(f.ep_const);
    Opt_pos_->button(f.pos_ve)->setChecked(true);
}

void CaractDim::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        windowHandle()->installEventFilter(this);
        Form_Load();
    }
}

void CaractDim::Form_Load() {
    pos_ve_ = kSans;
    bt_trace_Click();
}

void CaractDim::closeEvent(QCloseEvent* event) {
    if (trace_) {
        trace_->close();
    }
    event->accept();
    QCoreApplication::quit();
}

void CaractDim::Opt_pos_Click(int index) {
    pos_ve_ = static_cast<std::int16_t>(index);
    set_field_enabled(txt_prof_, index == kMale || index == kFemelle);
}

void CaractDim::chk_ep_const_Click() {
    const bool constant = chk_ep_const_->isChecked();
    set_field_enabled(txt_ep_, constant);
    for (QLineEdit* inner : {txt_xsi_, txt_xii_, txt_yi_, txt_dec_}) {
        set_field_enabled(inner, !constant);
    }
    if (constant) {
        derive_inner_fields();
    }
}

void CaractDim::derive_inner_fields() {
    DimensionFields f = fields();
    cadrex::derive_inner_fields(f);
    txt_xsi_->setText(QString::fromStdString(f.xsi));
    txt_xii_->setText(QString::fromStdString(f.xii));
    txt_yi_->setText(QString::fromStdString(f.yi));
    txt_dec_->setText(QString::fromStdString(f.dec));
}

bool CaractDim::bt_trace_Click() {
    TraceRequest request;
    std::string error;
    const DimensionFields typed = fields();
    if (!trace_request(typed, request, error) || !check_part(typed, request, error)) {
        show_message_(this, "Erreur", QString::fromStdString(error),
                      platform::MessageKind::Warning);
        return false;
    }
    const bool created = !trace_;
    if (created) {
        trace_ = new TraceWindow(this);
        trace_->set_message_sink(show_message_);
    }
    if (!trace_->dessin_demi_forme(request.dims, error)) {
        if (created) {
            delete trace_.data();
        }
        show_message_(this, "Erreur", QString::fromStdString(error),
                      platform::MessageKind::Warning);
        return false;
    }
    trace_->set_nomfich(QString::fromStdString(request.nomfich));
    // Until this window is where the window manager puts it, there is nothing
    // to place the plot window beside: it waits for this window's exposure.
    if (on_screen_) {
        if (created) {
            place_trace();
        }
        trace_->show();
        trace_->raise();
    }
    return true;
}

bool CaractDim::eventFilter(QObject* watched, QEvent* event) {
    if (!on_screen_ && watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        on_screen_ = true;
        const ScreenRect available = screen_rect(screen()->availableGeometry());
        const ScreenRect here = screen_rect(frameGeometry());
        ScreenRect there = keep_inside(available, here);
        if (trace_) {
            const QSize size = framed_trace_size();
            const PairPlacement both =
                place_pair(available, here, size.width(), size.height(), kWindowGap);
            there = both.anchor;
            move_trace(both.window);
            trace_->show();
        }
        if (!(there == here)) {
            move(there.x, there.y);
        }
    }
    return QWidget::eventFilter(watched, event);
}

QMargins CaractDim::frame_margins() const {
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

// The plot window is not framed before it is first shown; the window manager
// gives it the frame this window has.
QSize CaractDim::framed_trace_size() const {
    trace_->adjustSize();
    return trace_->size().grownBy(frame_margins());
}

void CaractDim::move_trace(const ScreenRect& frame) {
    const QMargins margins = frame_margins();
    trace_->setGeometry(
        QRect(QPoint(frame.x + margins.left(), frame.y + margins.top()), trace_->size()));
}

void CaractDim::place_trace() {
    const QSize size = framed_trace_size();
    move_trace(place_beside(screen_rect(screen()->availableGeometry()),
                            screen_rect(frameGeometry()), size.width(), size.height(), kWindowGap));
}

}  // namespace cadrex
