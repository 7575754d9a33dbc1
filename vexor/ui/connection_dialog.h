#pragma once
// CConnectionDlg: what drives the machine, the parallel port (LPT1 or LPT2)
// or a GRBL controller over a serial port (its device and speed). Only the
// chosen backend's fields can be edited; GRBL without a device is refused
// with a French message and the dialog stays open.

#include <QDialog>
#include <string>
#include <vector>

#include "machine_settings.h"
#include "qt_serial_link.h"
#include "settings_dialogs.h"

class QComboBox;
class QLabel;
class QRadioButton;

namespace vexor {

class CConnectionDlg : public QDialog {
  public:
    // `ports`: the serial ports found (serial_ports()), in their order.
    CConnectionDlg(const MachineSettings& settings, DialogMessage message,
                   std::vector<SerialPortChoice> ports, QWidget* parent = nullptr);

    // The accepted values (those of the settings until OK succeeds).
    // Backend: 0 parallel port, 1 GRBL (MachineBackendKind's numbers).
    int Backend;
    int Lpt;
    std::string Device;
    int Baud;

    void accept() override;

  private:
    void enable_chosen();
    std::string chosen_device() const;

    DialogMessage message_;
    QRadioButton* parallel_;
    QRadioButton* grbl_;
    QComboBox* lpt_;
    QComboBox* device_;
    QComboBox* baud_;
    std::vector<QWidget*> parallel_fields_, grbl_fields_;
};

}  // namespace vexor
