#include "preferences_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "french_qt.h"
#include "message_box.h"

namespace plandor {

namespace {

QLineEdit* add_row(QWidget* owner, QGridLayout* grid, int row, const char* name,
                   const QString& label, const QString& range, const std::string& text) {
    auto* field = new QLineEdit(QString::fromStdString(text), owner);
    field->setObjectName(name);
    field->setMaximumWidth(80);
    grid->addWidget(new QLabel(label, owner), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(new QLabel(range, owner), row, 2);
    return field;
}

}  // namespace

CPreferencesDialog::CPreferencesDialog(const Preferences& values,
                                       platform::MessageSink show_message, QWidget* parent)
    : QDialog(parent), values_(values), show_message_(std::move(show_message)) {
    setObjectName("preferences");
    setWindowTitle("Préférence");

    auto* grid = new QGridLayout;
    radius_ = add_field(grid, 0, "edit_rayon", "Rayon de la Fraise", "0 à 5 mm",
                        preference_text(values.cutterRadius));
    tabWidth_ = add_field(grid, 1, "edit_largeur_attache", "Largeur du point d'accroche",
                          "2 à 10 mm", preference_text(values.tabWidth));
    tabStep_ = add_field(grid, 2, "edit_deplacement", "Valeur du déplacement\ndu point d'accroche",
                         "1 à 10 mm", preference_text(values.tabStep));

    auto* board = new QGroupBox("Taille de la planche", this);
    auto* board_grid = new QGridLayout(board);
    boardWidth_ = add_field(board_grid, 0, "edit_largeur_planche", "Largeur", "10 à 1000mm",
                            std::to_string(values.boardWidth));
    boardLength_ = add_field(board_grid, 1, "edit_longueur_planche", "Longueur", "10 à 1000mm",
                             std::to_string(values.boardLength));

    QDialogButtonBox* buttons = ok_cancel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(board);
    layout->addWidget(buttons);
    platform::fit_title(this);
}

QLineEdit* CPreferencesDialog::add_field(QGridLayout* grid, int row, const char* name,
                                         const QString& label, const QString& range,
                                         const std::string& text) {
    QWidget* owner = grid->parentWidget() != nullptr ? grid->parentWidget() : this;
    return add_row(owner, grid, row, name, label, range, text);
}

void CPreferencesDialog::accept() {
    struct Field {
        QLineEdit* edit;
        PreferenceRange range;
        double value;
    };
    Field fields[] = {{radius_, kRadiusRange, 0},
                      {tabWidth_, kTabWidthRange, 0},
                      {tabStep_, kTabStepRange, 0},
                      {boardWidth_, kBoardRange, 0},
                      {boardLength_, kBoardRange, 0}};
    for (Field& f : fields) {
        std::string message;
        if (!read_preference(f.edit->text().toStdString(), f.range, f.value, message)) {
            // Over the main window, as the program's other messages.
            show_message_(parentWidget(), "ATTENTION", QString::fromStdString(message),
                          platform::MessageKind::Warning);
            f.edit->setFocus();
            f.edit->selectAll();
            return;
        }
    }
    values_.cutterRadius = static_cast<float>(fields[0].value);
    values_.tabWidth = static_cast<float>(fields[1].value);
    values_.tabStep = static_cast<float>(fields[2].value);
    values_.boardWidth = static_cast<int>(fields[3].value);
    values_.boardLength = static_cast<int>(fields[4].value);
    QDialog::accept();
}

CGcodePreferencesDialog::CGcodePreferencesDialog(const common::GcodeSettings& values,
                                                 platform::MessageSink show_message,
                                                 QWidget* parent)
    : QDialog(parent), values_(values), show_message_(std::move(show_message)) {
    setObjectName("gcodePreferences");
    setWindowTitle("Préférences G-code");

    auto mm = [](double value) { return preference_text(static_cast<float>(value)); };
    auto* grid = new QGridLayout;
    depth_ = add_row(this, grid, 0, "txt_gcode_depth", "Profondeur de coupe", "0.01 à 100 mm",
                     mm(values.depth));
    passDepth_ = add_row(this, grid, 1, "txt_gcode_pass_depth", "Profondeur de passe",
                         "0.01 à 100 mm", mm(values.passDepth));
    safeHeight_ = add_row(this, grid, 2, "txt_gcode_safe_z", "Hauteur de sécurité", "0.01 à 100 mm",
                          mm(values.safeHeight));
    tabHeight_ = add_row(this, grid, 3, "txt_gcode_tab_height", "Hauteur des attaches",
                         "0 à 100 mm", mm(values.tabHeight));
    cuttingFeed_ = add_row(this, grid, 4, "txt_gcode_feed", "Avance de coupe", "1 à 100000 mm/min",
                           std::to_string(static_cast<int>(values.cuttingFeed)));
    plungeFeed_ = add_row(this, grid, 5, "txt_gcode_plunge", "Avance de plongée",
                          "1 à 100000 mm/min", std::to_string(static_cast<int>(values.plungeFeed)));
    spindle_ =
        add_row(this, grid, 6, "txt_gcode_spindle", "Vitesse de broche",
                "0 à 100000 tr/min (0 : sans commande)", std::to_string(values.spindleSpeed));
    dialect_ = new QComboBox(this);
    dialect_->setObjectName("cmb_gcode_dialect");
    dialect_->addItem("GRBL 1.1, grblHAL, FluidNC",
                      common::dialect_name(common::GcodeDialect::grbl));
    dialect_->addItem("LinuxCNC, Mach3", common::dialect_name(common::GcodeDialect::linuxcnc));
    dialect_->setCurrentIndex(values.dialect == common::GcodeDialect::linuxcnc ? 1 : 0);
    grid->addWidget(new QLabel("Commande numérique", this), 7, 0);
    grid->addWidget(dialect_, 7, 1, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(ok_cancel(this));
    platform::fit_title(this);
}

void CGcodePreferencesDialog::refuse(QWidget* field, const std::string& message) {
    // Over the main window, as the program's other messages.
    show_message_(parentWidget(), "ATTENTION", QString::fromStdString(message),
                  platform::MessageKind::Warning);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->selectAll();
    }
}

void CGcodePreferencesDialog::accept() {
    struct Field {
        QLineEdit* edit;
        PreferenceRange range;
        double value;
    };
    Field fields[] = {{depth_, kGcodeDepthRange, 0},      {passDepth_, kGcodeDepthRange, 0},
                      {safeHeight_, kGcodeDepthRange, 0}, {tabHeight_, kGcodeTabHeightRange, 0},
                      {cuttingFeed_, kGcodeFeedRange, 0}, {plungeFeed_, kGcodeFeedRange, 0},
                      {spindle_, kGcodeSpindleRange, 0}};
    for (Field& f : fields) {
        std::string message;
        if (!read_preference(f.edit->text().toStdString(), f.range, f.value, message)) {
            refuse(f.edit, message);
            return;
        }
    }
    common::GcodeSettings read = values_;
    read.depth = fields[0].value;
    read.passDepth = fields[1].value;
    read.safeHeight = fields[2].value;
    read.tabHeight = fields[3].value;
    read.cuttingFeed = fields[4].value;
    read.plungeFeed = fields[5].value;
    read.spindleSpeed = static_cast<int>(fields[6].value);
    if (!common::parse_dialect(dialect_->currentData().toString().toStdString(), read.dialect)) {
        read.dialect = common::GcodeDialect::grbl;
    }
    std::string error;
    if (!common::check(read, error)) {
        refuse(passDepth_, error);
        return;
    }
    values_ = read;
    QDialog::accept();
}

}  // namespace plandor
