#pragma once
// The window `Nervures` ("Nervures du tronçon"): the number of ribs or their
// stations, the sheeting thickness, up to four spar notches and the folder
// the rib board and its table go to.

#include <QDialog>
#include <array>
#include <functional>

#include "alyra_model.h"
#include "window_hooks.h"

class QComboBox;
class QLineEdit;

namespace alyra {

class Nervures : public QDialog {
  public:
    // `saved` receives the folder of each successful save.
    Nervures(QWidget* parent, AlyraModel& model, const WindowHooks& hooks,
             std::function<void(const QString& folder)> saved);

    // Shows the window, proposing `folder`.
    void activate(const QString& folder);
    // "Enregistrer les nervures": computes the ribs and writes both files,
    // or tells why not and writes nothing.
    bool Bt_Enregistrer_Click();

  private:
    struct NotchRow {
        QComboBox* face = nullptr;  // aucune, dessus, dessous
        QLineEdit* position = nullptr;
        QComboBox* unit = nullptr;  // mm, % de la corde
        QLineEdit* width = nullptr;
        QLineEdit* depth = nullptr;
    };

    bool read_request(RibRequest& request, std::string& error) const;

    AlyraModel& model_;
    const WindowHooks& hooks_;
    std::function<void(const QString&)> saved_;
    QLineEdit* txt_nb_nervures_ = nullptr;
    QLineEdit* txt_stations_ = nullptr;
    QLineEdit* txt_coffrage_ = nullptr;
    std::array<NotchRow, kMaxNotches> notches_;
    QLineEdit* Txt_Dossier_ = nullptr;
};

}  // namespace alyra
