// Cadrex: half an elliptical fuselage former, as a window or from the command
// line.

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "caract_dim.h"
#include "command_line.h"
#include "desktop_identity.h"
#include "dimension_fields.h"
#include "file_errors.h"
#include "french_qt.h"
#include "half_former.h"
#include "number_reading.h"
#include "screenshot.h"

namespace {

constexpr const char* kUsage =
    "Usage : cadrex [--xse T] [--xie T] [--ye T] [--nse T] [--nie T] [--xsi T] [--xii T]\n"
    "               [--yi T] [--dec T] [--nsi T] [--nii T] [--ep-const T]\n"
    "               [--male T | --femelle T] [--prefix TEXTE] [-o FICHIER]\n"
    "               [--screenshot FICHIER.png]\n"
    "Sans option, ouvre la fenêtre. Avec une option de calcul, trace le demi-couple et\n"
    "enregistre le fichier de points sous le nom proposé (ou celui de -o).\n"
    "Chaque valeur est le texte d'un champ, lu comme la fenêtre le lit (60,5 vaut 60, ce\n"
    "qui est signalé ; une valeur qui n'est pas un nombre est refusée, comme un couple\n"
    "impossible : paroi négative, épaisseur plus grande que la demi-largeur, plus de 10 m) ;\n"
    "longueurs en mm, défauts de la fenêtre entre parenthèses :\n"
    "  --xse T, --xie T    extérieur : hauteur au-dessus (60) et au-dessous (40) de la\n"
    "                      ligne de référence\n"
    "  --ye T              extérieur : demi-largeur (40)\n"
    "  --xsi T, --xii T    intérieur : hauteurs (50, 35)\n"
    "  --yi T              intérieur : demi-largeur (35)\n"
    "  --dec T             décalage de la référence intérieure vers le haut (5)\n"
    "  --nse T, --nie T, --nsi T, --nii T   nombres de points (20, sans effet sur le tracé)\n"
    "  --ep-const T        épaisseur constante T : les dimensions intérieures en sont déduites\n"
    "                      (défaut : sans, épaisseur 6)\n"
    "  --male T            Vé mâle (languette) de profondeur T (défaut : sans Vé, 2)\n"
    "  --femelle T         Vé femelle (encoche) de profondeur T\n"
    "  --prefix TEXTE      préfixe du nom de fichier (Couple)\n"
    "  -o, --out FICHIER   fichier à écrire (défaut : le nom proposé, « Couple 100 - 40 - e\n"
    "                      6.3.dat » pour les valeurs par défaut, dans le dossier courant) ;\n"
    "                      son dossier est créé s'il n'existe pas\n"
    "  --screenshot FICHIER.png  enregistre l'image des deux fenêtres, les options\n"
    "                      ci-dessus appliquées, sans rien enregistrer d'autre\n";

const std::vector<std::pair<const char*, std::string cadrex::DimensionFields::*>> kFieldOptions = {
    {"--xse", &cadrex::DimensionFields::xse}, {"--xie", &cadrex::DimensionFields::xie},
    {"--ye", &cadrex::DimensionFields::ye},   {"--nse", &cadrex::DimensionFields::nse},
    {"--nie", &cadrex::DimensionFields::nie}, {"--xsi", &cadrex::DimensionFields::xsi},
    {"--xii", &cadrex::DimensionFields::xii}, {"--yi", &cadrex::DimensionFields::yi},
    {"--dec", &cadrex::DimensionFields::dec}, {"--nsi", &cadrex::DimensionFields::nsi},
    {"--nii", &cadrex::DimensionFields::nii}, {"--prefix", &cadrex::DimensionFields::prefnom},
};

// The options whose value is a number, with the field each one names.
const std::pair<const char*, const char*> kNumberOptions[] = {
    {"--xse", "La hauteur Xsup extérieure"},
    {"--xie", "La hauteur Xinf extérieure"},
    {"--ye", "La demi-largeur extérieure"},
    {"--nse", "Le nombre de points Xsup extérieur"},
    {"--nie", "Le nombre de points Xinf extérieur"},
    {"--xsi", "La hauteur Xsup intérieure"},
    {"--xii", "La hauteur Xinf intérieure"},
    {"--yi", "La demi-largeur intérieure"},
    {"--dec", "Le décalage"},
    {"--nsi", "Le nombre de points Xsup intérieur"},
    {"--nii", "Le nombre de points Xinf intérieur"},
    {"--ep-const", "L'épaisseur"},
    {"--male", "La profondeur du Vé"},
    {"--femelle", "La profondeur du Vé"},
};

// Every value given must begin with a number; what a decimal comma makes of
// one is told on the error output.
bool check_numbers(const platform::CommandLine& cl, std::string& error) {
    return platform::check_option_values(cl, kNumberOptions, pointfile::check_typed_number, error);
}

cadrex::DimensionFields fields_from(const platform::CommandLine& cl) {
    cadrex::DimensionFields fields;
    for (const auto& [option, member] : kFieldOptions) {
        fields.*member = cl.value(option, fields.*member);
    }
    if (cl.has("--ep-const")) {
        fields.ep_const = true;
        fields.ep = cl.value("--ep-const");
        cadrex::derive_inner_fields(fields);
    }
    if (cl.has("--male")) {
        fields.pos_ve = cadrex::kMale;
        fields.prof = cl.value("--male");
    } else if (cl.has("--femelle")) {
        fields.pos_ve = cadrex::kFemelle;
        fields.prof = cl.value("--femelle");
    }
    return fields;
}

int run_batch(const platform::CommandLine& cl) {
    const cadrex::DimensionFields fields = fields_from(cl);
    cadrex::TraceRequest request;
    cadrex::HalfFormer former;
    std::string error;
    if (!cadrex::trace_request(fields, request, error) ||
        !cadrex::check_part(fields, request, error) ||
        !former.dessin_demi_forme(request.dims, error)) {
        return platform::refuse(error);
    }
    const std::string path = cl.value("-o", request.nomfich);
    if (!platform::make_output_folder(platform::folder_of(path), error)) {
        return platform::refuse(error);
    }
    cadrex::SaveReport report;
    if (!former.Command1_Click(path, pointfile::system_decimal_separator(), report, error)) {
        return platform::refuse(error);
    }
    std::printf("%s\n%s\n", report.title.c_str(), report.text.c_str());
    return 0;
}

// Both windows as the options leave them: the dimensions window shown (it
// plots the defaults), the fields typed in, "Tracer / Mettre à jour" pressed,
// the file name typed into the plot window.
int screenshot(const platform::CommandLine& cl, int& argc, char** argv) {
    platform::use_offscreen_for_screenshot(argc, argv);
    QApplication app(argc, argv);
    platform::install_qt_french(app);
    platform::set_desktop_identity(app, "Cadrex");
    cadrex::CaractDim window;
    bool refused = false;
    window.set_message_sink(platform::stderr_message_sink(&refused));
    window.show();
    QCoreApplication::processEvents();
    window.set_fields(fields_from(cl));
    if (!window.bt_trace_Click() || refused) {
        return platform::kExitRefused;
    }
    if (cl.has("-o")) {
        window.trace()->set_nomfich(QString::fromStdString(cl.value("-o")));
    }
    QCoreApplication::processEvents();
    std::string error;
    if (!platform::save_screenshot({&window, window.trace()}, cl.value("--screenshot"), &error)) {
        return platform::refuse(error);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::set<std::string> with_value = {"--ep-const", "--male", "--femelle", "-o", "--screenshot"};
    for (const auto& option : kFieldOptions) {
        with_value.insert(option.first);
    }
    platform::CommandLine cl;
    if (auto done = platform::parse_program_arguments(argc, argv, with_value, {}, kUsage,
                                                      "Cadrex 1.3", cl)) {
        return platform::finish_output(*done);
    }
    if (cl.has("--male") && cl.has("--femelle")) {
        return platform::usage_mistake(cl, "Choisissez --male ou --femelle, pas les deux");
    }
    if (std::string error; !check_numbers(cl, error)) {
        return platform::refuse(error);
    }
    if (cl.has("--screenshot")) {
        return screenshot(cl, argc, argv);
    }
    bool batch = cl.has("--ep-const") || cl.has("--male") || cl.has("--femelle") || cl.has("-o");
    for (const auto& option : kFieldOptions) {
        batch = batch || cl.has(option.first);
    }
    if (batch) {
        std::setlocale(LC_ALL, "");
        return platform::finish_output(run_batch(cl));
    }
    QApplication app(argc, argv);
    platform::install_qt_french(app);
    platform::set_desktop_identity(app, "Cadrex");
    cadrex::CaractDim window;
    window.show();
    return app.exec();
}
