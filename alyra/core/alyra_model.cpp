#include "alyra_model.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <utility>

#include "crossing.h"
#include "number_format.h"
#include "number_reading.h"
#include "point_line.h"
#include "project_file.h"
#include "save_file.h"
#include "text_file.h"

namespace alyra {

ShownNumber Txt_Opt(const OptimiserValues& values, int position) {
    const int p = std::clamp(position, 0, 100);
    const double low = values.txt_int.shown;
    const double high = values.txt_ext.shown;
    return shown_number(low + (high - low) * p / 100, "#0.00");
}

bool AlyraModel::load_profile(const std::string& path, ProfileSlot& slot, std::string& error) {
    LoadedProfile loaded;
    if (!load_profile_file(path, loaded, error)) {
        return false;
    }
    slot.points = loaded.points;
    slot.label = std::move(loaded.label);
    slot.file_name = file_name_of(path);
    slot.chosen = true;
    // The last results no longer belong to what is loaded.
    computed_ = false;
    return true;
}

bool AlyraModel::Charge_Profil_Empl(const std::string& path, std::string& error) {
    return load_profile(path, empl_, error);
}

bool AlyraModel::Charge_Profil_Saum(const std::string& path, std::string& error) {
    return load_profile(path, saum_, error);
}

bool AlyraModel::redraw_values(const WingInputs& in, Section& root3, Section& tip3,
                               WingResults& results, std::string& error) const {
    double alpha = 0;
    if (!turn_angle(in, alpha, error)) {
        return false;
    }
    build_root_section(empl_.points, in, root3);
    build_tip_section(saum_.points, in, tip3);
    // With the twists inside the sections, the chord and the length follow
    // the turned sections: the root trailing edge and the tip end plane.
    const double chord = in.Ce * std::cos(deg_to_rad(root_section_angle(in))) * std::cos(alpha);
    const double tip_aft =
        in.vrillage_integre ? in.Cs * std::cos(deg_to_rad(tip_section_angle(in))) : in.Cs;
    const double length = in.L * std::cos(alpha) + (in.F + tip_aft) * std::sin(alpha);
    if (!std::isfinite(chord) || !std::isfinite(length)) {
        error = "Les dimensions du tronçon sont trop grandes pour être calculées.";
        return false;
    }
    results.Txt_Corde_Final = shown_number(chord, "#.00");
    results.Txt_Lg_Final = shown_number(length, "#.00");
    results.Txt_Fleche_Final = shown_number(0, "0.00");
    results.vrillage_integre = in.vrillage_integre;
    // The caption keeps the ten-digit value of pi it was always shown with.
    results.rotation_caption = "Position après rotation de " +
                               pointfile::format_pattern(alpha * 180 / 3.141592654, "0#.##") + "°";
    return true;
}

bool AlyraModel::read_and_redraw(WingInputs& in, Section& root3, Section& tip3,
                                 WingResults& results, std::string& error,
                                 FieldText* refused) const {
    FieldText field = nullptr;
    bool ok = read_inputs(fields, in, error, &field);
    if (ok && !redraw_values(in, root3, tip3, results, error)) {
        // Only a zero length stops the turn; other refusals are about the
        // panel as a whole.
        field = in.L == 0 ? &WingFields::Txt_Long : nullptr;
        ok = false;
    }
    if (!ok && refused) {
        *refused = field;
    }
    return ok;
}

bool AlyraModel::redraw(std::string& error, FieldText* refused) {
    computed_ = false;
    WingInputs in;
    auto root3 = std::make_unique<Section>();
    auto tip3 = std::make_unique<Section>();
    WingResults results = results_;
    if (!read_and_redraw(in, *root3, *tip3, results, error, refused)) {
        return false;
    }
    root3_ = *root3;
    tip3_ = *tip3;
    results_ = results;
    return true;
}

namespace {

// With the twists inside the profiles, the final twists become what is left
// to turn: the panel's twist less the one each new profile holds. The gap is
// the height of a section's first point above its chord end (none for a
// closed trailing edge), taken along the trailing edge to the root plane.
bool twists_left_to_turn(const WingInputs& in, const Section& root3, const Section& tip3,
                         const std::array<PointTable, 2>& finals, FinalTwists& twists,
                         std::string& error) {
    const double tip_gap =
        tip3.Y[0] - (in.Hs - in.Cs * std::sin(deg_to_rad(tip_section_angle(in))));
    const double root_gap =
        root3.Y[0] - (in.He - in.Ce * std::sin(deg_to_rad(root_section_angle(in))));
    const double gap_at_root = root_gap + (tip_gap - root_gap) * twists.root_te_along;
    double root_inside = 0;
    double tip_inside = 0;
    if (!chord_line_twist(finals[0], twists.HeF, twists.root_te_x, gap_at_root, root_inside,
                          error) ||
        !chord_line_twist(finals[1], twists.HsF, twists.tip_te_x, tip_gap, tip_inside, error)) {
        return false;
    }
    // A residual too small to show is none ("0.00", not "-0.00").
    const auto residual = [](double v) { return shown_number(v, "#0.00").shown == 0 ? 0.0 : v; };
    twists.VeF = residual(twists.VeF - root_inside);
    twists.VsF = residual(twists.VsF - tip_inside);
    return true;
}

}  // namespace

bool AlyraModel::compute(std::string& error, FieldText* refused) {
    if (refused) {
        *refused = nullptr;
    }
    if (!can_compute()) {
        error = "Choisissez d'abord les profils d'emplanture et de saumon.";
        return false;
    }
    WingInputs in;
    auto root3 = std::make_unique<Section>();
    auto tip3 = std::make_unique<Section>();
    WingResults results = results_;
    if (!read_and_redraw(in, *root3, *tip3, results, error, refused)) {
        return false;
    }
    // The final twists of the panel with its sections as they are built.
    WingInputs panel = in;
    if (in.vrillage_integre) {
        panel.Ve = root_section_angle(in);
        panel.Vs = tip_section_angle(in);
    }
    FinalTwists twists;
    double alpha = 0;
    if (!Calc_Vrillage_Final(panel, twists, error) || !turn_angle(in, alpha, error)) {
        return false;
    }
    auto turned = std::make_unique<TurnedPanel>();
    turn_section(*root3, alpha, turned->root);
    turn_section(*tip3, alpha, turned->tip);
    turned->root_href = in.He;
    turned->tip_href = in.Hs;
    turned->tip_le_depth = std::sqrt(in.L * in.L + in.F * in.F);

    auto finals = std::make_unique<std::array<PointTable, 2>>();
    if (!new_profiles(*turned, (*finals)[0], (*finals)[1], error)) {
        return false;
    }
    if (in.vrillage_integre && !twists_left_to_turn(in, *root3, *tip3, *finals, twists, error)) {
        return false;
    }
    results.Txt_Href_Empl_final = shown_number(twists.HeF, "#0.00");
    results.Txt_Href_Saum_final = shown_number(twists.HsF, "#0.00");
    results.Txt_Vrill_Empl_Final = shown_number(twists.VeF, "#0.00");
    results.Txt_Vrill_Saum_Final = shown_number(twists.VsF, "#0.00");

    root3_ = *root3;
    tip3_ = *tip3;
    turned_ = *turned;
    root_final_ = (*finals)[0];
    tip_final_ = (*finals)[1];
    results_ = results;
    computed_ = true;
    return true;
}

std::vector<std::string> AlyraModel::crossing_notices() const {
    if (!computed_) {
        return {};
    }
    return alyra::crossing_notices(root_final_, tip_final_);
}

bool AlyraModel::optimiser_values(OptimiserValues& out, std::string& error) {
    if (!redraw(error) || !compute(error)) {
        return false;
    }
    WingInputs in;
    if (!read_inputs(fields, in, error)) {
        return false;
    }
    const Section& R = turned_.root;
    const Section& T = turned_.tip;
    const auto last_r = static_cast<std::size_t>(R.nb - 1);
    const auto last_t = static_cast<std::size_t>(T.nb - 1);
    const double low_run = T.X[last_t] - T.X[last_t - 1];
    const double up_run = T.X[0] - T.X[1];
    if (low_run == 0 || up_run == 0) {
        error =
            "Le dernier ou le premier segment du profil du saumon est vertical : "
            "l'optimisation est impossible.";
        return false;
    }
    // The trailing edges at their twists; inside the profiles, the sections
    // also hold their pre-rotations.
    const double ve = in.vrillage_integre ? root_section_angle(in) : in.Ve;
    const double vs = in.vrillage_integre ? tip_section_angle(in) : in.Vs;
    const double align =
        in.He - in.Ce * std::sin(deg_to_rad(ve)) + in.Cs * std::sin(deg_to_rad(vs));
    const double m_low = (T.Y[last_t] - T.Y[last_t - 1]) / low_run;
    const double m_up = (T.Y[0] - T.Y[1]) / up_run;
    OptimiserValues v;
    v.Txt_NOP = shown_number(in.Hs, "#0.00");
    v.Txt_Align = shown_number(align, "#0.00");
    v.txt_int = shown_number(align + m_low * (T.X[last_t] - R.X[last_r]), "#0.00");
    v.txt_ext = shown_number(align + m_up * (T.X[0] - R.X[0]), "#0.00");
    if (!std::isfinite(v.txt_int.value) || !std::isfinite(v.txt_ext.value)) {
        error = "Les hauteurs proposées ne sont pas calculables.";
        return false;
    }
    out = v;
    return true;
}

bool AlyraModel::apply_tip_height(const ShownNumber& height, std::string& error) {
    const std::string before = fields.txt_href_saum;
    fields.txt_href_saum = pointfile::format_pattern(height.shown, "#0.00", '.');
    if (!redraw(error) || !compute(error)) {
        fields.txt_href_saum = before;
        return false;
    }
    return true;
}

bool AlyraModel::Sauve_Projet(const std::string& path, const std::string& date, char decimal_sep,
                              SaveReport& report, std::string& error) const {
    if (!can_compute()) {
        error = "Choisissez d'abord les profils d'emplanture et de saumon.";
        return false;
    }
    ProjectData p;
    p.name = project_name_line(Txt_Nom_proj, file_name_of(path));
    p.Txt_Long = fields.Txt_Long;
    p.txt_fleche = fields.txt_fleche;
    p.txt_prof_empl = empl_.file_name;
    p.txt_corde_empl = fields.txt_corde_empl;
    p.txt_href_empl = fields.txt_href_empl;
    p.txt_vril_empl2 = fields.txt_vril_empl2;
    p.txt_prof_saum = saum_.file_name;
    p.txt_corde_saum = fields.txt_corde_saum;
    p.txt_href_saum = fields.txt_href_saum;
    p.txt_vril_saum2 = fields.txt_vril_saum2;
    p.empl = {empl_.points, empl_.label};
    p.saum = {saum_.points, saum_.label};
    p.vrillage_integre = fields.chk_vrillage_integre;
    std::string text;
    if (!project_text(p, date, decimal_sep, text, error) ||
        !platform::save_file(path, text, &error)) {
        return false;
    }
    report = {"Sauvegarde du projet", "Paramètres du projet enregistrés"};
    return true;
}

bool AlyraModel::Charge_Projet(const std::string& path, std::string& error) {
    std::string bytes;
    auto p = std::make_unique<ProjectData>();
    if (!read_text_file(path, bytes, error) || !read_project(bytes, *p, error)) {
        return false;
    }
    Txt_Nom_proj = p->name;
    fields.Txt_Long = p->Txt_Long;
    fields.txt_fleche = p->txt_fleche;
    fields.txt_corde_empl = p->txt_corde_empl;
    fields.txt_href_empl = p->txt_href_empl;
    fields.txt_vril_empl2 = p->txt_vril_empl2;
    fields.txt_corde_saum = p->txt_corde_saum;
    fields.txt_href_saum = p->txt_href_saum;
    fields.txt_vril_saum2 = p->txt_vril_saum2;
    fields.chk_vrillage_integre = p->vrillage_integre;
    empl_ = {p->empl.points, p->empl.label, p->txt_prof_empl, true};
    saum_ = {p->saum.points, p->saum.label, p->txt_prof_saum, true};
    computed_ = false;
    return true;
}

ProposedNames AlyraModel::proposed_names(char decimal_sep) const {
    return alyra::proposed_names(Txt_Nom_proj, results_, decimal_sep);
}

namespace {

std::string folder_prefix(const std::string& folder) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') {
        prefix += '/';
    }
    return prefix;
}

}  // namespace

std::vector<std::string> AlyraModel::existing_result_files(const std::string& folder,
                                                           char decimal_sep) const {
    const ProposedNames names = proposed_names(decimal_sep);
    std::vector<std::string> existing;
    for (const std::string* name : {&names.root, &names.tip, &names.data}) {
        std::error_code ec;
        if (std::filesystem::exists(folder_prefix(folder) + *name, ec)) {
            existing.push_back(*name);
        }
    }
    return existing;
}

bool AlyraModel::Sauve_Fichiers(const std::string& folder, char decimal_sep, SaveReport& report,
                                std::string& error) const {
    if (!computed_) {
        error = "Calculez d'abord les nouveaux profils.";
        return false;
    }
    // The project name comes from the user or from a project file: it names
    // files in `folder`, never elsewhere.
    if (!platform::check_plain_name(Txt_Nom_proj, error)) {
        return false;
    }
    const ProposedNames names = proposed_names(decimal_sep);
    std::string root_text;
    std::string tip_text;
    if (!profile_file_text(root_title(empl_.file_name, results_), root_final_,
                           results_.Txt_Href_Empl_final.shown, decimal_sep, root_text, error) ||
        !profile_file_text(tip_title(saum_.file_name, results_), tip_final_,
                           results_.Txt_Href_Saum_final.shown, decimal_sep, tip_text, error)) {
        return false;
    }
    const std::string prefix = folder_prefix(folder);
    // Each file is written whole or not at all; a failure says which ones
    // are already written.
    const std::pair<const std::string*, std::string> files[] = {
        {&names.data, data_sheet_text(names, results_)},
        {&names.root, std::move(root_text)},
        {&names.tip, std::move(tip_text)},
    };
    std::string written;
    for (const auto& [name, text] : files) {
        if (!platform::save_file(prefix + *name, text, &error)) {
            if (!written.empty()) {
                error += " Déjà enregistrés : " + written + ".";
            }
            return false;
        }
        written += (written.empty() ? "« " : ", « ") + *name + " »";
    }
    const std::string eol(pointfile::kLineEnd);
    report.title = "Sauvegarde effectuée";
    report.text = names.root + eol + names.tip + eol + names.data + eol + eol +
                  "Dans le dossier :" + eol + folder;
    return true;
}

bool AlyraModel::Calc_Nervures(const RibRequest& request, std::vector<Rib>& ribs,
                               std::string& error) const {
    if (!can_compute()) {
        error = "Choisissez d'abord les profils d'emplanture et de saumon.";
        return false;
    }
    WingInputs in;
    return read_inputs(fields, in, error) &&
           compute_ribs(empl_.points, saum_.points, in, request, ribs, error);
}

}  // namespace alyra
