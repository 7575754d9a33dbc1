// Cadrex: half an elliptical fuselage former, as a window or from the command
// line.

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "caract_dim.h"
#include "command_line.h"
#include "dimension_fields.h"
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
    "Chaque valeur est le texte d'un champ (défauts de la fenêtre entre parenthèses) :\n"
    "  --xse T, --xie T    extérieur : hauteur au-dessus (60) et au-dessous (40) de la\n"
    "                      ligne de référence\n"
    "  --ye T              extérieur : demi-largeur (40)\n"
    "  --xsi T, --xii T    intérieur : hauteurs (50, 35)\n"
    "  --yi T              intérieur : demi-largeur (35)\n"
    "  --dec T             décalage de la référence intérieure vers le haut (5)\n"
    "  --nse T, --nie T, --nsi T, --nii T   nombres de points (20, sans effet sur le tracé)\n"
    "  --ep-const T        épaisseur constante T : les dimensions intérieures en sont déduites\n"
    "  --male T            Vé mâle (languette) de profondeur T\n"
    "  --femelle T         Vé femelle (encoche) de profondeur T\n"
    "  --prefix TEXTE      préfixe du nom de fichier (Couple)\n"
    "  -o FICHIER          nom du fichier à écrire\n"
    "  --screenshot FICHIER.png  enregistre l'image des deux fenêtres au démarrage\n";

const std::vector<std::pair<const char*, std::string cadrex::DimensionFields::*>> kFieldOptions = {
    {"--xse", &cadrex::DimensionFields::xse}, {"--xie", &cadrex::DimensionFields::xie},
    {"--ye", &cadrex::DimensionFields::ye},   {"--nse", &cadrex::DimensionFields::nse},
    {"--nie", &cadrex::DimensionFields::nie}, {"--xsi", &cadrex::DimensionFields::xsi},
    {"--xii", &cadrex::DimensionFields::xii}, {"--yi", &cadrex::DimensionFields::yi},
    {"--dec", &cadrex::DimensionFields::dec}, {"--nsi", &cadrex::DimensionFields::nsi},
    {"--nii", &cadrex::DimensionFields::nii}, {"--prefix", &cadrex::DimensionFields::prefnom},
};

int run_batch(const platform::CommandLine& cl) {
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

    cadrex::TraceRequest request;
    cadrex::HalfFormer former;
    std::string error;
    if (!cadrex::trace_request(fields, request, error) ||
        !former.dessin_demi_forme(request.dims, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string path = cl.value("-o", request.nomfich);
    cadrex::SaveReport report;
    if (!former.Command1_Click(path, pointfile::system_decimal_separator(), report, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n%s\n", report.title.c_str(), report.text.c_str());
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
                                                      "Cadrex v1.3 - Ostrelo", cl)) {
        return platform::finish_output(*done);
    }
    if (cl.has("--male") && cl.has("--femelle")) {
        std::fprintf(stderr, "Choisissez --male ou --femelle, pas les deux.\n");
        return 1;
    }
    bool batch = cl.has("--ep-const") || cl.has("--male") || cl.has("--femelle") || cl.has("-o");
    for (const auto& option : kFieldOptions) {
        batch = batch || cl.has(option.first);
    }
    if (batch && !cl.has("--screenshot")) {
        std::setlocale(LC_ALL, "");
        return platform::finish_output(run_batch(cl));
    }

    platform::use_offscreen_for_screenshot(argc, argv);
    QApplication app(argc, argv);
    cadrex::CaractDim window;
    window.show();
    if (cl.has("--screenshot")) {
        QCoreApplication::processEvents();
        std::vector<QWidget*> windows = {&window};
        if (window.trace()) {
            windows.push_back(window.trace());
        }
        std::string error;
        if (!platform::save_screenshot(windows, cl.value("--screenshot"), &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    return app.exec();
}
