#pragma once
// What Alyra's main window holds and does, without the window: the input
// fields, the two loaded profiles, the 3-D and turned sections, the new
// profiles and the shown results; loading profiles and projects, computing,
// the tip-height optimiser and saving projects and result files.
//
// Every operation either succeeds or leaves the state as it was and gives a
// French message.

#include <string>
#include <vector>

#include "fields.h"
#include "geometry.h"
#include "output_files.h"
#include "profile.h"
#include "results.h"
#include "ribs.h"

namespace alyra {

// A profile as the window shows it: its points, the caption of its label and
// the file name in its text box.
struct ProfileSlot {
    PointTable points = placeholder_profile();
    std::string label;
    std::string file_name;  // shown as kPasDeProfil while nothing was chosen
    bool chosen = false;
};

// The tip reference heights the optimiser proposes, "#0.00" each.
struct OptimiserValues {
    ShownNumber Txt_NOP;    // keep the typed height
    ShownNumber Txt_Align;  // both trailing edges at the same height
    ShownNumber txt_int;    // favour the lower surface
    ShownNumber txt_ext;    // favour the upper surface
};

// Txt_Opt for a slider position from 0 ("Intrados") to 100 ("Extrados").
ShownNumber Txt_Opt(const OptimiserValues& values, int position);

class AlyraModel {
  public:
    WingFields fields;
    std::string Txt_Nom_proj = kDefaultProjectName;

    // Load a point file as the root (tip) profile; the label takes the title
    // line or the file name, the text box the file name. The caller redraws;
    // the results of an earlier computation can no longer be saved.
    [[nodiscard]] bool Charge_Profil_Empl(const std::string& path, std::string& error);
    [[nodiscard]] bool Charge_Profil_Saum(const std::string& path, std::string& error);

    // Both profiles chosen (or a project opened): computing, project saving
    // and the optimiser are possible.
    bool can_compute() const { return empl_.chosen && saum_.chosen; }
    // A computation is done and no redraw came after it.
    bool can_save_results() const { return computed_; }

    // What every redraw of the initial views computes: the 3-D sections and
    // the results that follow from the inputs alone (chord, length, sweep,
    // rotation caption). Disables saving the results. `refused`, when given,
    // names the field a refusal is about (null when it is about no one field).
    [[nodiscard]] bool redraw(std::string& error, FieldText* refused = nullptr);

    // "Calculer les nouveaux profils": the redraw values, the final twists
    // and heights, the turn and the new profiles, from the current fields.
    // `refused` as for redraw.
    [[nodiscard]] bool compute(std::string& error, FieldText* refused = nullptr);

    // What the user must know about the last computation's new profiles:
    // one notice per profile that crosses itself (crossing.h); none before a
    // computation or after a redraw.
    std::vector<std::string> crossing_notices() const;

    // The optimiser's proposals after a fresh computation.
    [[nodiscard]] bool optimiser_values(OptimiserValues& out, std::string& error);
    // Takes a proposed height into txt_href_saum, then redraws and computes.
    [[nodiscard]] bool apply_tip_height(const ShownNumber& height, std::string& error);

    // Saves the project to `path` (line 2 from Txt_Nom_proj or the file name).
    [[nodiscard]] bool Sauve_Projet(const std::string& path, const std::string& date,
                                    char decimal_sep, SaveReport& report, std::string& error) const;
    // Opens a project: name, fields, both profiles. The caller redraws; the
    // results of an earlier computation can no longer be saved.
    [[nodiscard]] bool Charge_Projet(const std::string& path, std::string& error);

    // The names proposed for the three result files.
    ProposedNames proposed_names(char decimal_sep) const;
    // The proposed names of the three result files that already exist in
    // `folder`.
    std::vector<std::string> existing_result_files(const std::string& folder,
                                                   char decimal_sep) const;
    // Writes the data sheet, the root and the tip profile under their
    // proposed names into `folder` (empty: the current folder). The three
    // texts are built before anything is written.
    [[nodiscard]] bool Sauve_Fichiers(const std::string& folder, char decimal_sep,
                                      SaveReport& report, std::string& error) const;

    // The ribs of the panel between the loaded profiles, with the fields as
    // they stand (ribs.h).
    [[nodiscard]] bool Calc_Nervures(const RibRequest& request, std::vector<Rib>& ribs,
                                     std::string& error) const;

    const ProfileSlot& empl() const { return empl_; }
    const ProfileSlot& saum() const { return saum_; }
    const Section& root_section() const { return root3_; }
    const Section& tip_section() const { return tip3_; }
    const TurnedPanel& turned() const { return turned_; }
    const PointTable& root_final() const { return root_final_; }  // X_Empl_Final, Y_Empl_Final
    const PointTable& tip_final() const { return tip_final_; }    // X_Saum_Final, Y_Saum_Final
    const WingResults& results() const { return results_; }

  private:
    // The redraw values into `results`, the sections into `root3`, `tip3`.
    [[nodiscard]] bool redraw_values(const WingInputs& in, Section& root3, Section& tip3,
                                     WingResults& results, std::string& error) const;
    // The fields read into `in`, then the redraw values; `refused` as for
    // redraw.
    [[nodiscard]] bool read_and_redraw(WingInputs& in, Section& root3, Section& tip3,
                                       WingResults& results, std::string& error,
                                       FieldText* refused) const;
    [[nodiscard]] bool load_profile(const std::string& path, ProfileSlot& slot, std::string& error);

    ProfileSlot empl_;
    ProfileSlot saum_;
    Section root3_;
    Section tip3_;
    TurnedPanel turned_;
    PointTable root_final_;
    PointTable tip_final_;
    WingResults results_;
    bool computed_ = false;
};

}  // namespace alyra
