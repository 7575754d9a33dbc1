#include "output_files.h"

#include "number_format.h"
#include "point_line.h"

namespace alyra {

namespace {

std::string one_decimal(double value, char decimal_sep) {
    return pointfile::format_pattern(value, "#.0", decimal_sep);
}

}  // namespace

ProposedNames proposed_names(const std::string& project, const WingResults& r, char decimal_sep) {
    const std::string chord = "_C" + one_decimal(r.Txt_Corde_Final.shown, decimal_sep);
    ProposedNames names;
    names.root = project + "_Empl" + chord + "_H" +
                 one_decimal(r.Txt_Href_Empl_final.shown, decimal_sep) + "_L0.0_V" +
                 one_decimal(r.Txt_Vrill_Empl_Final.shown, decimal_sep) + ".dat";
    names.tip = project + "_Saum" + chord + "_H" +
                one_decimal(r.Txt_Href_Saum_final.shown, decimal_sep) + "_L" +
                one_decimal(r.Txt_Lg_Final.shown, decimal_sep) + "_V" +
                one_decimal(r.Txt_Vrill_Saum_Final.shown, decimal_sep) + ".dat";
    names.data = project + "_Data_Troncon.txt";
    return names;
}

std::string root_title(const std::string& profile_name, const WingResults& r) {
    return "Emplanture base " + profile_name + " - Corde " + r.Txt_Corde_Final.text + "mm - Href " +
           r.Txt_Href_Empl_final.text + "mm - Vrillage " + r.Txt_Vrill_Empl_Final.text + "deg";
}

std::string tip_title(const std::string& profile_name, const WingResults& r) {
    return "Saumon base " + profile_name + " - Corde " + r.Txt_Corde_Final.text + "mm - Href " +
           r.Txt_Href_Saum_final.text + "mm - Longueur " + r.Txt_Lg_Final.text + "mm - Vrillage " +
           r.Txt_Vrill_Saum_Final.text + "deg";
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
        "    Vrillage            : " + r.Txt_Vrill_Empl_Final.text + " °",
        "  Profil du saumon      : " + names.tip,
        "    Corde               : " + r.Txt_Corde_Final.text + " mm",
        "    Haut. ligne de base : " + r.Txt_Href_Saum_final.text + " mm",
        "    Vrillage            : " + r.Txt_Vrill_Saum_Final.text + " °",
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
