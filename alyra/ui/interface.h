#pragma once
// The main window `Interface` of Alyra: the root and tip profiles and their
// dimensions, the sweep and length of the panel, the seven results, the four
// drawings and the command buttons. The file windows are opened from it; its
// folders are read from alyra.ini when it is built and written when it
// closes.

#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "alyra_model.h"
#include "settings_file.h"
#include "window_hooks.h"

class QCheckBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace alyra {

class DrawingView;
class Nervures;
class OptiHref;
class SauvProfil;

class Interface : public QWidget {
  public:
    // `settings_path`: the settings file read now and written at exit.
    explicit Interface(std::string settings_path = kSettingsFile, QWidget* parent = nullptr);
    ~Interface() override;

    void set_message_sink(platform::MessageSink sink) { hooks_.message = std::move(sink); }
    WindowHooks& hooks() { return hooks_; }
    const AlyraModel& model() const { return *model_; }
    // The folder each file window opens in, in the order of FileWindow.
    QString folder(FileWindow window) const;

    // Takes profiles, fields and name loaded elsewhere (the command line)
    // and redraws.
    void adopt(const AlyraModel& model);

    // Redraws the initial views from the fields.
    bool Trace_Profil_Ini();
    // "Calculer les nouveaux profils".
    bool Bt_Calc_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Field {
        std::string WingFields::*text;
        QLineEdit* box;
    };

    // What tells the Emplanture box from the Saumon box.
    struct Section {
        struct Named {
            const char* name;
            std::string WingFields::*text;
        };
        const char* frame;
        const char* title;
        bool root;
        const char* choose;   // the button that chooses the profile
        const char* profile;  // the profile's file name
        const char* href_caption;
        Named corde;
        Named href;
        Named vril2;
        Named vril;
    };

    // The controls and their places (interface_layout.cpp).
    void build_layout();
    // One of the Emplanture and Saumon boxes, `beside_href` beside its
    // reference height over `beside_href_columns` columns.
    QGroupBox* section_box(const Section& s, QLineEdit*& profile, QWidget* beside_href,
                           int beside_href_columns);
    QGroupBox* projet_initial();
    QGroupBox* projet_final();
    QHBoxLayout* command_buttons();
    void connect_fields_and_drawings();
    QLineEdit* field(const char* name, std::string WingFields::*text);

    void read_fields();
    void show_fields();
    void show_profiles();
    void show_results();
    void update_buttons();
    void draw_initial_views();
    void draw_projected_profiles();
    void report(const std::string& error);
    // A refusal of the fields: a message unless this field's text was
    // already refused, and the refusal in the notice line until the fields
    // are accepted.
    // A refusal is told once until the field changes; one the user asked for
    // with "Calculer" is always told.
    void refuse_fields(const std::string& error, FieldText field, bool asked = false);
    void show_notice();
    void fit_to_screen();

    void choose_profile(bool root);
    void Bt_Opt_Href_Saum_Click();
    void take_tip_height(const ShownNumber& height);
    void Bt_Load_Proj_Click();
    void Bt_Save_Proj_Click();
    void remember(FileWindow window, const QString& folder_or_file, bool is_file);
    void Form_Unload();

    std::unique_ptr<AlyraModel> model_;
    std::string settings_path_;
    std::array<QString, 4> folders_;
    WindowHooks hooks_;
    std::vector<Field> fields_;
    RefusalMemory refusals_;

    QCheckBox* chk_vrillage_integre_ = nullptr;
    QLineEdit* txt_prof_empl_ = nullptr;
    QLineEdit* txt_prof_saum_ = nullptr;
    QLabel* Lbl_prof_empl_ = nullptr;
    QLabel* Lbl_Prof_Saum_ = nullptr;
    QLabel* Label32_ = nullptr;
    QLabel* Lbl_Avis_ = nullptr;
    std::vector<std::pair<ShownNumber WingResults::*, QLineEdit*>> results_;
    DrawingView* Pic_Prof_Ini_ = nullptr;
    DrawingView* Pic_Prof_Proj_ = nullptr;
    DrawingView* Plan_Ini_ = nullptr;
    DrawingView* Plan_Final_ = nullptr;
    QPushButton* Bt_Calc_ = nullptr;
    QPushButton* Bt_Sauve_Prof_ = nullptr;
    QPushButton* Bt_Nervures_ = nullptr;
    QPushButton* Bt_Save_Proj_ = nullptr;
    QPushButton* Bt_Opt_Href_Saum_ = nullptr;
    OptiHref* Opti_Href_ = nullptr;
    SauvProfil* Sauv_Profil_ = nullptr;
    Nervures* Nervures_ = nullptr;
};

}  // namespace alyra
