#include "preferences_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "french_qt.h"

namespace plandor {

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

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("IDOK");
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("IDCANCEL");
    buttons->button(QDialogButtonBox::Cancel)->setText("Annuler");
    connect(buttons, &QDialogButtonBox::accepted, this, &CPreferencesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPreferencesDialog::reject);

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
    auto* field = new QLineEdit(QString::fromStdString(text), owner);
    field->setObjectName(name);
    field->setMaximumWidth(80);
    grid->addWidget(new QLabel(label, owner), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(new QLabel(range, owner), row, 2);
    return field;
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

}  // namespace plandor
