#pragma once
// The window `Sauv_Profil` ("Sauvegarde des profils calculés"): the project
// name, the chord and length of the new profiles, the three proposed file
// names and the folder they go to. Existing files are replaced only after
// the user agreed.

#include <QDialog>
#include <functional>

#include "alyra_model.h"
#include "window_hooks.h"

class QLineEdit;

namespace alyra {

class SauvProfil : public QDialog {
  public:
    // `saved` receives the folder of each successful save.
    SauvProfil(QWidget* parent, AlyraModel& model, const WindowHooks& hooks,
               std::function<void(const QString& folder)> saved);

    // Shows the window for the last computation, proposing `folder`.
    void activate(const QString& folder);
    // "Enregistrer les trois fichiers".
    bool Bt_Enregistrer_Click();

  private:
    void build_names();

    AlyraModel& model_;
    const WindowHooks& hooks_;
    std::function<void(const QString&)> saved_;
    QLineEdit* Txt_Nom_proj_ = nullptr;
    QLineEdit* Txt_Corde_ = nullptr;
    QLineEdit* Txt_Long_ = nullptr;
    QLineEdit* Txt_Nom_Fich_Empl_ = nullptr;
    QLineEdit* Txt_Nom_Fich_Saum_ = nullptr;
    QLineEdit* Txt_Nom_Fich_Data_ = nullptr;
    QLineEdit* Txt_Dossier_ = nullptr;
};

}  // namespace alyra
