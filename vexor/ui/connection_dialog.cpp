#include "connection_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "french_qt.h"

namespace vexor {

namespace {

// "/dev/ttyUSB0 — FT232R USB UART": the device, then what the system says of it.
QString port_label(const SerialPortChoice& port) {
    const std::string& about = port.description.empty() ? port.manufacturer : port.description;
    QString label = QString::fromStdString(port.device);
    if (!about.empty()) {
        label += QString::fromUtf8(" — ") + QString::fromStdString(about);
    }
    return label;
}

}  // namespace

CConnectionDlg::CConnectionDlg(const MachineSettings& s, DialogMessage message,
                               std::vector<SerialPortChoice> ports, QWidget* parent)
    : QDialog(parent),
      Backend(static_cast<int>(s.Backend)),
      Lpt(s.Lpt),
      Device(s.Device),
      Baud(s.Baud),
      message_(std::move(message)) {
    setObjectName("CConnectionDlg");
    setWindowTitle("Connexion à la machine");
    const bool none_found = ports.empty();

    parallel_ = new QRadioButton("Parallèle (LPT1/LPT2)", this);
    parallel_->setObjectName("backendParallel");
    grbl_ = new QRadioButton("GRBL (USB série)", this);
    grbl_->setObjectName("backendGrbl");

    lpt_ = new QComboBox(this);
    lpt_->setObjectName("lptChoice");
    lpt_->addItems({"LPT1", "LPT2"});
    lpt_->setCurrentIndex(s.Lpt == 2 ? 1 : 0);

    // The stored device first, found or not: the machine may be unplugged.
    device_ = new QComboBox(this);
    device_->setObjectName("serialDevice");
    device_->setEditable(true);
    device_->setInsertPolicy(QComboBox::NoInsert);
    if (!s.Device.empty()) {
        const auto stored =
            std::find_if(ports.begin(), ports.end(),
                         [&](const SerialPortChoice& p) { return p.device == s.Device; });
        SerialPortChoice first{s.Device, {}, {}};
        if (stored != ports.end()) {
            first = *stored;
            ports.erase(stored);
        }
        ports.insert(ports.begin(), first);
    }
    for (const SerialPortChoice& port : ports) {
        device_->addItem(port_label(port), QString::fromStdString(port.device));
        if (!port.manufacturer.empty()) {
            device_->setItemData(device_->count() - 1, QString::fromStdString(port.manufacturer),
                                 Qt::ToolTipRole);
        }
    }
    device_->setMinimumContentsLength(24);

    baud_ = new QComboBox(this);
    baud_->setObjectName("serialBaud");
    for (int rate : kSerialBaudRates) {
        baud_->addItem(QString::number(rate), rate);
    }
    const int baud_index = baud_->findData(s.Baud);
    baud_->setCurrentIndex(baud_index >= 0 ? baud_index : baud_->findData(kDefaultBaudRate));

    // The fields of each backend sit under its button, indented.
    const int indent = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(0, indent);
    grid->setColumnStretch(2, 1);
    int row = 0;
    grid->addWidget(parallel_, row++, 0, 1, 3);
    auto* lpt_label = new QLabel("Port", this);
    grid->addWidget(lpt_label, row, 1);
    grid->addWidget(lpt_, row++, 2, Qt::AlignLeft);
    grid->addWidget(grbl_, row++, 0, 1, 3);
    auto* device_label = new QLabel("Périphérique", this);
    grid->addWidget(device_label, row, 1);
    grid->addWidget(device_, row++, 2);
    if (none_found) {
        auto* note = new QLabel(
            "Aucun port série trouvé : branchez la machine ou saisissez le périphérique.", this);
        note->setObjectName("serialNote");
        note->setWordWrap(true);
        grid->addWidget(note, row++, 1, 1, 2);
        grbl_fields_.push_back(note);
    }
    auto* baud_label = new QLabel("Vitesse (bauds)", this);
    grid->addWidget(baud_label, row, 1);
    grid->addWidget(baud_, row++, 2, Qt::AlignLeft);
    parallel_fields_ = {lpt_label, lpt_};
    grbl_fields_.insert(grbl_fields_.end(), {device_label, device_, baud_label, baud_});

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("buttons");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    (s.Backend == MachineBackendKind::grbl ? grbl_ : parallel_)->setChecked(true);
    enable_chosen();
    connect(grbl_, &QRadioButton::toggled, this, [this] { enable_chosen(); });
    platform::fit_title(this);
}

void CConnectionDlg::enable_chosen() {
    const bool grbl = grbl_->isChecked();
    for (QWidget* w : parallel_fields_) {
        w->setEnabled(!grbl);
    }
    for (QWidget* w : grbl_fields_) {
        w->setEnabled(grbl);
    }
}

// The device of the chosen entry, or the path typed in.
std::string CConnectionDlg::chosen_device() const {
    const QString text = device_->currentText().trimmed();
    const int index = device_->findText(text);
    return (index >= 0 ? device_->itemData(index).toString() : text).toStdString();
}

void CConnectionDlg::accept() {
    const bool grbl = grbl_->isChecked();
    const std::string device = chosen_device();
    if (grbl && device.empty()) {
        message_("Vexor", "Indiquez le port série de la machine GRBL (par exemple /dev/ttyUSB0).");
        device_->setFocus();
        return;
    }
    Backend = static_cast<int>(grbl ? MachineBackendKind::grbl : MachineBackendKind::parallel);
    Lpt = lpt_->currentIndex() + 1;
    if (grbl) {
        Device = device;
        Baud = baud_->currentData().toInt();
    }
    QDialog::accept();
}

}  // namespace vexor
