#pragma once
// The two settings dialogs: CMachineDlg (steps per mm and travel of each
// axis) and CPortDlg (the parallel-port wiring). OK checks the fields in
// order; the first refused one gets a standard French message, the focus,
// and the dialog stays open with nothing stored.

#include <QDialog>
#include <functional>
#include <vector>

#include "machine_settings.h"

class QCheckBox;
class QLineEdit;

namespace vexor {

// Shows a refusal: title, text.
using DialogMessage = std::function<void(const QString& title, const QString& text)>;

class CMachineDlg : public QDialog {
  public:
    CMachineDlg(const MachineSettings& settings, DialogMessage message, QWidget* parent = nullptr);

    // The accepted values (those of the settings until OK succeeds).
    float StepX, StepY, StepZ;
    float travelX, travelY, travelZ;

    void accept() override;

  private:
    QLineEdit* field(const char* name, float value);
    DialogMessage message_;
    std::vector<QLineEdit*> fields_;
};

class CPortDlg : public QDialog {
  public:
    CPortDlg(const PortSettings& settings, DialogMessage message, QWidget* parent = nullptr);

    PortSettings values;  // the accepted wiring

    void accept() override;

  private:
    DialogMessage message_;
    std::vector<QLineEdit*> edits_;  // in the order they are checked
    std::vector<QCheckBox*> checks_;
};

}  // namespace vexor
