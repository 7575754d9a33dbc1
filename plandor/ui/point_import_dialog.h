#pragma once
// The placing of an imported point file: the length that 1 stands for in the
// file, the position of its origin on the board, its rotation, and whether
// it is completed by symmetry. OK keeps the dialog open on a value that is
// not a number and says so.

#include <QDialog>

#include "message_sink.h"
#include "point_file.h"

class QCheckBox;
class QLineEdit;

namespace plandor {

class CPointImportDialog : public QDialog {
  public:
    // `proposed` fills the fields; `file_name` is shown above them.
    CPointImportDialog(const QString& file_name, const PointPlacement& proposed,
                       platform::MessageSink show_message, QWidget* parent = nullptr);

    // The placement typed, once the dialog was accepted.
    PointPlacement placement() const { return placement_; }

    void accept() override;

  private:
    QLineEdit* size_ = nullptr;
    QLineEdit* x_ = nullptr;
    QLineEdit* y_ = nullptr;
    QLineEdit* angle_ = nullptr;
    QCheckBox* mirror_ = nullptr;
    PointPlacement placement_;
    platform::MessageSink show_message_;
};

}  // namespace plandor
