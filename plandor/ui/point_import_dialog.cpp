#include "point_import_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "french_qt.h"
#include "import_report.h"
#include "message_box.h"

namespace plandor {

namespace {

QLineEdit* number_field(QWidget* parent, const char* name, double value) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    // Shortest text, with the decimal comma a French user types.
    std::string text = french_decimal(value, 6);
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == ',') {
        text.pop_back();
    }
    field->setText(QString::fromStdString(text));
    return field;
}

}  // namespace

CPointImportDialog::CPointImportDialog(const QString& file_name, const PointPlacement& proposed,
                                       platform::MessageSink show_message, QWidget* parent)
    : QDialog(parent), placement_(proposed), show_message_(std::move(show_message)) {
    setObjectName("pointImport");
    setWindowTitle("Importer un fichier de points");
    auto* file = new QLabel("Fichier : " + file_name, this);
    file->setObjectName("lbl_fichier");
    size_ = number_field(this, "txt_taille", proposed.size);
    size_->setToolTip(
        "La longueur que vaut 1 dans le fichier : la corde d'un profil, le "
        "diamètre extérieur d'une étoile, la hauteur totale d'un couple");
    x_ = number_field(this, "txt_x", proposed.x);
    y_ = number_field(this, "txt_y", proposed.y);
    angle_ = number_field(this, "txt_angle", proposed.angle);
    mirror_ = new QCheckBox("Compléter par symétrie", this);
    mirror_->setObjectName("chk_symetrie");
    mirror_->setChecked(proposed.mirror);
    mirror_->setToolTip(
        "Ajoute l'image du contour par rapport à l'axe X du fichier et les "
        "joint : un demi-couple devient le couple entier");

    auto* form = new QFormLayout;
    form->addRow("Taille (mm)", size_);
    form->addRow("Origine X (mm)", x_);
    form->addRow("Origine Y (mm)", y_);
    form->addRow("Rotation (degrés)", angle_);
    form->addRow(mirror_);

    QDialogButtonBox* buttons = ok_cancel(this);
    buttons->setObjectName("buttons");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addLayout(form);
    layout->addWidget(buttons);
    platform::fit_title(this);
}

void CPointImportDialog::accept() {
    struct Field {
        QLineEdit* field;
        double* value;
        const char* what;
    };
    PointPlacement typed = placement_;
    const Field fields[] = {{size_, &typed.size, "La taille"},
                            {x_, &typed.x, "L'origine X"},
                            {y_, &typed.y, "L'origine Y"},
                            {angle_, &typed.angle, "La rotation"}};
    for (const Field& f : fields) {
        if (!read_decimal(f.field->text().toStdString(), *f.value)) {
            show_message_(this, "ERREUR",
                          QString(f.what) + " : « " + f.field->text() + " » n'est pas un nombre.",
                          platform::MessageKind::Error);
            f.field->setFocus();
            return;
        }
    }
    if (!(typed.size > 0)) {
        show_message_(this, "ERREUR", "La taille doit être plus grande que 0 mm.",
                      platform::MessageKind::Error);
        size_->setFocus();
        return;
    }
    typed.mirror = mirror_->isChecked();
    placement_ = typed;
    QDialog::accept();
}

}  // namespace plandor
