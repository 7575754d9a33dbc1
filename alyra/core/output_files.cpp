#include "output_files.h"

#include "number_format.h"
#include "point_line.h"

namespace alyra {

namespace {

std::string one_decimal(double value, char decimal_sep) {
    return pointfile::format_pattern(value, "#.0", decimal_sep);
}

// What follows a twist when the twist is inside the profiles: the file names
// and texts then give only what is left to turn.
std::string name_mark(const WingResults& r) {
    return r.vrillage_integre ? "_vrillage_integre" : "";
}
std::string text_mark(const WingResults& r) {
    return r.vrillage_integre ? " (vrillage intégré)" : "";
}

}  // namespace

ProposedNames proposed_names(const std::string& project, const WingResults& r, char decimal_sep) {
    const std::string chord = "_C" + one_decimal(r.Txt_Corde_Final.shown, decimal_sep);
    ProposedNames names;
    names.root = project + "_Empl" + chord + "_H" +
                 one_decimal(r.Txt_Href_Empl_final.shown, decimal_sep) + "_L0.0_V" +
                 one_decimal(r.Txt_Vrill_Empl_Final.shown, decimal_sep) + name_mark(r) + ".dat";
    names.tip = project + "_Saum" + chord + "_H" +
                one_decimal(r.Txt_Href_Saum_final.shown, decimal_sep) + "_L" +
                one_decimal(r.Txt_Lg_Final.shown, decimal_sep) + "_V" +
                one_decimal(r.Txt_Vrill_Saum_Final.shown, decimal_sep) + name_mark(r) + ".dat";
    names.data = project + "_Data_Troncon.txt";
    return names;
}

std::string root_title(const std::string& profile_name, const WingResults& r) {
    return "Emplanture base " + profile_name + " - Corde " + r.Txt_Corde_Final.text + "mm - Href " +
           r.Txt_Href_Empl_final.text + "mm - Vrillage " + r.Txt_Vrill_Empl_Final.text + "deg" +
           text_mark(r);
}

std::string tip_title(const std::string& profile_name, const WingResults& r) {
    return "Saumon base " + profile_name + " - Corde " + r.Txt_Corde_Final.text + "mm - Href " +
           r.Txt_Href_Saum_final.text + "mm - Longueur " + r.Txt_Lg_Final.text + "mm - Vrillage " +
           r.Txt_Vrill_Saum_Final.text + "deg" + text_mark(r);
}

std::string data_sheet_text(const ProposedNames& names, const WingResults& r) {
    const std::string lines[] = {
        std::string("Profils généré par le programme Alyra écrit par ") + kAuthor,
        std::string(68, '='),
        "  Longueur du tronçon   : " + r.Txt_Lg_Final.text + " mm",
        "  Flèche du tronçon     : 0.00 mm",
        "  Profil d'emplanture   : " + names.root,
        "    Corde               : " + r.Txt_Corde_Final.text + " mm",
        "    Haut. ligne de base : " + r.Txt_Href_Empl_final.text + " mm",
        "    Vrillage            : " + r.Txt_Vrill_Empl_Final.text + " °" + text_mark(r),
        "  Profil du saumon      : " + names.tip,
        "    Corde               : " + r.Txt_Corde_Final.text + " mm",
        "    Haut. ligne de base : " + r.Txt_Href_Saum_final.text + " mm",
        "    Vrillage            : " + r.Txt_Vrill_Saum_Final.text + " °" + text_mark(r),
        " ",
        "-= [ EOF ]=-",
    };
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += pointfile::kLineEnd;
    }
    return text;
}

}  // namespace alyra
