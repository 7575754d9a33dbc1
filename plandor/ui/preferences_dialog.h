#pragma once
// The preferences dialog ("Préférence"): cutter radius, tab width and step,
// board size. OK reads every field; a refused one shows the standard French
// message (caption ATTENTION, warning icon) and the dialog stays open.

#include <QDialog>
#include <functional>

#include "message_box.h"
#include "preferences.h"

class QComboBox;
class QGridLayout;
class QLineEdit;

namespace plandor {

class CPreferencesDialog : public QDialog {
  public:
    CPreferencesDialog(const Preferences& values, platform::MessageSink show_message,
                       QWidget* parent = nullptr);

    // What OK accepted.
    const Preferences& values() const { return values_; }

    void accept() override;

  private:
    QLineEdit* add_field(QGridLayout* grid, int row, const char* name, const QString& label,
                         const QString& range, const std::string& text);

    Preferences values_;
    platform::MessageSink show_message_;
    QLineEdit* radius_ = nullptr;
    QLineEdit* tabWidth_ = nullptr;
    QLineEdit* tabStep_ = nullptr;
    QLineEdit* boardWidth_ = nullptr;
    QLineEdit* boardLength_ = nullptr;
};

// "Préférences G-code": depths, heights, feeds, spindle and dialect of the
// G-code export. OK reads every field as the preferences dialog does, then
// checks the settings together (a pass deeper than the cut is refused).
class CGcodePreferencesDialog : public QDialog {
  public:
    CGcodePreferencesDialog(const common::GcodeSettings& values, platform::MessageSink show_message,
                            QWidget* parent = nullptr);

    // What OK accepted.
    const common::GcodeSettings& values() const { return values_; }

    void accept() override;

  private:
    void refuse(QWidget* field, const std::string& message);

    common::GcodeSettings values_;
    platform::MessageSink show_message_;
    QLineEdit* depth_ = nullptr;
    QLineEdit* passDepth_ = nullptr;
    QLineEdit* safeHeight_ = nullptr;
    QLineEdit* tabHeight_ = nullptr;
    QLineEdit* cuttingFeed_ = nullptr;
    QLineEdit* plungeFeed_ = nullptr;
    QLineEdit* spindle_ = nullptr;
    QComboBox* dialect_ = nullptr;
};

}  // namespace plandor
