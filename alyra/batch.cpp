#include "batch.h"

#include <clocale>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

#include "alyra_model.h"
#include "file_errors.h"
#include "number_format.h"
#include "number_reading.h"
#include "printable.h"
#include "ribs.h"
#include "save_file.h"

namespace alyra {

const char* const kUsage =
    "Usage : alyra [--screenshot FICHIER.png] [--root A.dat --tip B.dat ... | --project F]\n"
    "        alyra --root A.dat --tip B.dat [--corde-empl T] [--href-empl T] [--vril-empl T]\n"
    "              [--corde-saum T] [--href-saum T] [--vril-saum T] [--fleche T] [--long T]\n"
    "              [--prerot-empl T] [--prerot-saum T] [--vrillage-integre] [--nom P]\n"
    "              [-o DOSSIER] [--save-project FICHIER.alyra]\n"
    "              [--nervures N [--stations S1,S2,...] [--coffrage MM]\n"
    "               [--longeron dessus|dessous:POS:LARGEUR:PROFONDEUR]...]\n"
    "        alyra --project FICHIER.alyra [--vrillage-integre] [-o DOSSIER]\n"
    "Calcule les profils d'emplanture et de saumon d'un tronçon d'aile effilé, en flèche\n"
    "et vrillé, et enregistre les deux fichiers de points et la fiche du tronçon sous\n"
    "leurs noms proposés dans DOSSIER. Rien n'est écrit si le calcul est refusé.\n"
    "Sans option, ou avec --project seul, ouvre la fenêtre (sur ce projet).\n"
    "Chaque valeur est le texte d'un champ, lu comme la fenêtre le lit (12,5 vaut 12, ce\n"
    "qui est signalé ; une valeur qui n'est pas un nombre est refusée) :\n"
    "  --root, --tip       fichiers de points des profils d'emplanture et de saumon\n"
    "  --corde-empl T      corde d'emplanture en mm (défaut 400)\n"
    "  --href-empl T       hauteur de référence d'emplanture en mm (défaut 20)\n"
    "  --vril-empl T       vrillage d'emplanture en degrés (défaut 0)\n"
    "  --corde-saum T      corde du saumon en mm (défaut 100)\n"
    "  --href-saum T       hauteur de référence du saumon en mm (défaut 20)\n"
    "  --vril-saum T       vrillage du saumon en degrés (défaut 0)\n"
    "  --fleche T          flèche du bord d'attaque du saumon en mm (défaut 350)\n"
    "  --long T            longueur du tronçon en mm (défaut 400)\n"
    "  --prerot-empl T     rotation préalable du profil d'emplanture en degrés (défaut 0)\n"
    "  --prerot-saum T     rotation préalable du profil du saumon en degrés (défaut 0)\n"
    "  --vrillage-integre  met les vrillages dans les profils calculés (ils sont coupés\n"
    "                      tels quels ; les vrillages indiqués sont ce qu'il reste à\n"
    "                      appliquer ; défaut : non) ; un projet peut aussi le demander\n"
    "  --nom P             nom du projet, début des noms de fichiers (défaut Alyra)\n"
    "  -o, --out DOSSIER   dossier des fichiers calculés (défaut : le dossier courant ;\n"
    "                      créé s'il n'existe pas)\n"
    "  --save-project F    enregistre aussi le projet dans F (défaut : aucun)\n"
    "  --project F         charge le projet F au lieu des profils et des valeurs\n"
    "  --nervures N        écrit aussi les N nervures du tronçon (emplanture et saumon\n"
    "                      comprises, régulièrement espacées) : NOM_Nervures.dxf et\n"
    "                      NOM_Nervures.txt dans DOSSIER\n"
    "  --stations S1,S2    les nervures à ces distances de l'emplanture (mm)\n"
    "  --coffrage MM       épaisseur du coffrage : le contour est décalé vers\n"
    "                      l'intérieur d'autant (défaut 0)\n"
    "  --longeron F:P:L:H  encoche de longeron (au plus 4) : face dessus ou dessous,\n"
    "                      bord avant à P mm du bord d'attaque (ou P% de la corde),\n"
    "                      largeur L et profondeur H en mm, d'équerre à la corde\n"
    "  --screenshot F.png  enregistre l'image de la fenêtre après le chargement et le\n"
    "                      calcul des profils ou du projet indiqués (défaut : aucune)\n";

namespace {

// Command-line option -> the field it fills, and the field's name in messages.
struct FieldOption {
    std::string name;
    std::string WingFields::*field;
    const char* caption;
};

const std::vector<FieldOption>& field_options() {
    static const std::vector<FieldOption> options = {
        {"--corde-empl", &WingFields::txt_corde_empl, "La corde d'emplanture"},
        {"--href-empl", &WingFields::txt_href_empl, "La hauteur de référence d'emplanture"},
        {"--vril-empl", &WingFields::txt_vril_empl2, "Le vrillage d'emplanture"},
        {"--prerot-empl", &WingFields::txt_vril_empl, "La rotation du profil d'emplanture"},
        {"--corde-saum", &WingFields::txt_corde_saum, "La corde du saumon"},
        {"--href-saum", &WingFields::txt_href_saum, "La hauteur de référence du saumon"},
        {"--vril-saum", &WingFields::txt_vril_saum2, "Le vrillage du saumon"},
        {"--prerot-saum", &WingFields::txt_vril_saum, "La rotation du profil du saumon"},
        {"--fleche", &WingFields::txt_fleche, "La flèche"},
        {"--long", &WingFields::Txt_Long, "La longueur du tronçon"},
    };
    return options;
}

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900);
    return text;
}

void print_report(const SaveReport& report) {
    std::string text = report.text;
    for (std::size_t p; (p = text.find('\r')) != std::string::npos;) {
        text.erase(p, 1);
    }
    std::printf("%s :\n%s\n", report.title.c_str(), text.c_str());
}

void print_results(const AlyraModel& m) {
    const WingResults& r = m.results();
    // The labels are the title lines of the user's files.
    std::printf("Emplanture : %s (%d points)\n", platform::printable(m.empl().label).c_str(),
                m.empl().points.nb_pts);
    std::printf("Saumon : %s (%d points)\n", platform::printable(m.saum().label).c_str(),
                m.saum().points.nb_pts);
    std::printf("%s\n", r.rotation_caption.c_str());
    if (r.vrillage_integre) {
        std::printf(
            "Vrillage intégré aux profils : les vrillages sont ce qu'il reste à appliquer\n");
    }
    const std::pair<const char*, const ShownNumber*> rows[] = {
        {"Corde profils :   ", &r.Txt_Corde_Final},
        {"Longueur :        ", &r.Txt_Lg_Final},
        {"Flèche :          ", &r.Txt_Fleche_Final},
        {"Hréf. empl. :     ", &r.Txt_Href_Empl_final},
        {"Hréf. saumon :    ", &r.Txt_Href_Saum_final},
        {"Vrillage empl. :  ", &r.Txt_Vrill_Empl_Final},
        {"Vrillage saum. :  ", &r.Txt_Vrill_Saum_Final},
    };
    for (const auto& [caption, number] : rows) {
        const bool angle = number == &r.Txt_Vrill_Empl_Final || number == &r.Txt_Vrill_Saum_Final;
        std::printf("  %s%s %s\n", caption, number->text.c_str(), angle ? "°" : "mm");
    }
    std::printf("Nouveaux profils : %d points à l'emplanture, %d au saumon\n",
                m.root_final().nb_pts, m.tip_final().nb_pts);
}

}  // namespace

const std::set<std::string>& batch_value_options() {
    static const std::set<std::string> options = [] {
        std::set<std::string> o = {"--root",         "--tip",     "--nom",      "--out",
                                   "--save-project", "--project", "--nervures", "--stations",
                                   "--coffrage",     "--longeron"};
        for (const FieldOption& option : field_options()) {
            o.insert(option.name);
        }
        return o;
    }();
    return options;
}

const std::set<std::string>& batch_flags() {
    static const std::set<std::string> flags = {"--help", "--version", "--vrillage-integre"};
    return flags;
}

bool is_batch(const platform::CommandLine& cl) {
    for (const std::string& option : batch_value_options()) {
        if (cl.has(option)) {
            return true;
        }
    }
    return false;
}

bool opens_window(const platform::CommandLine& cl) {
    return cl.has("--screenshot") || !is_batch(cl) ||
           (cl.has("--project") && !cl.has("--out") && !cl.has("--save-project") &&
            !cl.has("--nervures") && !cl.has("--stations"));
}

int load_from_command_line(const platform::CommandLine& cl, AlyraModel& model, std::string& error) {
    if (cl.has("--project")) {
        for (const std::string& option : batch_value_options()) {
            const bool rib_option = option == "--nervures" || option == "--stations" ||
                                    option == "--coffrage" || option == "--longeron";
            if (cl.has(option) && option != "--project" && option != "--out" && !rib_option) {
                error = "L'option " + option + " ne se combine pas avec --project";
                return 2;
            }
        }
        if (!model.Charge_Projet(cl.value("--project"), error)) {
            return 1;
        }
        model.fields.chk_vrillage_integre |= cl.has("--vrillage-integre");
        return 0;
    }
    if (!cl.has("--root") || !cl.has("--tip")) {
        error = "Indiquez les deux profils : --root et --tip (ou un projet : --project)";
        return 2;
    }
    // Every value given must begin with a number; what a decimal comma makes
    // of one is told on the error output.
    for (const FieldOption& option : field_options()) {
        std::string notice;
        if (cl.has(option.name) &&
            !pointfile::check_typed_number(cl.value(option.name), option.caption, notice, error)) {
            return 1;
        }
        if (!notice.empty()) {
            std::fprintf(stderr, "%s\n", notice.c_str());
        }
        model.fields.*option.field = cl.value(option.name, model.fields.*option.field);
    }
    model.Txt_Nom_proj = cl.value("--nom", model.Txt_Nom_proj);
    model.fields.chk_vrillage_integre = cl.has("--vrillage-integre");
    return model.Charge_Profil_Empl(cl.value("--root"), error) &&
                   model.Charge_Profil_Saum(cl.value("--tip"), error)
               ? 0
               : 1;
}

std::vector<std::string> repeated_values(int argc, char** argv, const std::string& option) {
    std::vector<std::string> values;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == option && i + 1 < argc) {
            values.emplace_back(argv[++i]);
        } else if (arg.rfind(option + "=", 0) == 0) {
            values.push_back(arg.substr(option.size() + 1));
        }
    }
    return values;
}

int rib_request(const platform::CommandLine& cl, const std::vector<std::string>& longerons,
                RibRequest& request, std::string& error) {
    const bool ribs = cl.has("--nervures") || cl.has("--stations");
    if (!ribs) {
        if (cl.has("--coffrage") || cl.has("--longeron")) {
            error = "--coffrage et --longeron vont avec --nervures";
            return 2;
        }
        return 0;
    }
    RibRequest r;
    if (cl.has("--nervures")) {
        if (!read_rib_count(cl.value("--nervures"), r.count, error)) {
            return 1;
        }
    }
    if (cl.has("--stations") && !read_stations(cl.value("--stations"), r.stations, error)) {
        return 1;
    }
    if (cl.has("--coffrage") &&
        !read_rib_number(cl.value("--coffrage"), "Le coffrage", r.sheeting, error)) {
        return 1;
    }
    if (longerons.size() > static_cast<std::size_t>(kMaxNotches)) {
        error = "Au plus " + std::to_string(kMaxNotches) + " encoches de longeron.";
        return 1;
    }
    for (const std::string& text : longerons) {
        SparNotch n;
        if (!read_notch(text, n, error)) {
            return 1;
        }
        r.notches.push_back(n);
    }
    request = std::move(r);
    return 0;
}

int run_batch(const platform::CommandLine& cl, const std::vector<std::string>& longerons) {
    std::setlocale(LC_ALL, "");
    const char sep = pointfile::system_decimal_separator();
    AlyraModel model;
    std::string error;

    if (const int refused = load_from_command_line(cl, model, error)) {
        return refused == 2 ? platform::usage_mistake(cl, error) : platform::refuse(error);
    }
    RibRequest request;
    if (const int refused = rib_request(cl, longerons, request, error)) {
        return refused == 2 ? platform::usage_mistake(cl, error) : platform::refuse(error);
    }
    const bool with_ribs = cl.has("--nervures") || cl.has("--stations");
    // Everything that can be checked is checked before the first file is
    // written: the computation and the ribs, then the folders (made when
    // missing).
    const std::string project = cl.value("--save-project");
    std::vector<Rib> ribs;
    if (!model.redraw(error) || !model.compute(error) ||
        (with_ribs && !model.Calc_Nervures(request, ribs, error)) ||
        (with_ribs && !platform::check_plain_name(model.Txt_Nom_proj, error)) ||
        !platform::make_output_folder(cl.value("--out"), error) ||
        (!project.empty() && !platform::make_output_folder(platform::folder_of(project), error))) {
        return platform::refuse(error);
    }
    print_results(model);
    // A template that crosses itself is still written as computed; the user
    // is told where it leaves the panel.
    for (const std::string& notice : model.crossing_notices()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    if (cl.has("--save-project")) {
        SaveReport report;
        if (!model.Sauve_Projet(project, today(), sep, report, error)) {
            return platform::refuse(error);
        }
        print_report(report);
    }
    SaveReport report;
    if (!model.Sauve_Fichiers(cl.value("--out", "."), sep, report, error)) {
        if (cl.has("--save-project")) {
            error += " Le projet « " + project + " » est enregistré.";
        }
        return platform::refuse(error);
    }
    print_report(report);
    if (with_ribs) {
        if (!save_ribs(ribs, request, model.Txt_Nom_proj, cl.value("--out", "."), report, error)) {
            return platform::refuse(error);
        }
        std::printf("%d nervures :\n", static_cast<int>(ribs.size()));
        for (const Rib& rib : ribs) {
            std::printf("  %d : station %s mm, corde %s mm\n", rib.number,
                        pointfile::format_pattern(rib.station, "#0.00").c_str(),
                        pointfile::format_pattern(rib.chord, "#0.00").c_str());
        }
        print_report(report);
    }
    return 0;
}

}  // namespace alyra
