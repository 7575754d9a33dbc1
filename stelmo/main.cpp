// Stelmo: the star-shaped lightening hole generator, as a window or from the
// command line.

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "number_reading.h"
#include "screenshot.h"
#include "star_hollow.h"
#include "stelmo_window.h"

namespace {

constexpr const char* kUsage =
    "Usage : stelmo [--dint T] [--dext T] [--dega T] [--nbang T] [--nbrad T] [-o FICHIER]\n"
    "               [--screenshot FICHIER.png]\n"
    "Sans option, ouvre la fenêtre. Avec une dimension ou -o, calcule l'évidement et\n"
    "enregistre le fichier de points sous le nom proposé (ou celui de -o).\n"
    "  --dint T    diamètre intérieur (texte du champ, défaut 30)\n"
    "  --dext T    diamètre extérieur (défaut 50)\n"
    "  --dega T    dégagement supérieur (défaut 10)\n"
    "  --nbang T   points par arc de cercle (défaut 20)\n"
    "  --nbrad T   points par segment radial (défaut 20)\n"
    "  -o FICHIER  nom du fichier à écrire\n"
    "  --screenshot FICHIER.png  enregistre l'image de la fenêtre au démarrage\n";

int run_batch(const platform::CommandLine& cl) {
    stelmo::StarFields fields;
    fields.dint = cl.value("--dint", fields.dint);
    fields.dext = cl.value("--dext", fields.dext);
    fields.dega = cl.value("--dega", fields.dega);
    fields.nbang = cl.value("--nbang", fields.nbang);
    fields.nbrad = cl.value("--nbrad", fields.nbrad);

    stelmo::StarHollow star;
    std::string name;
    std::string error;
    if (!star.calcul_etoile(fields, name, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string path = cl.value("-o", name);
    stelmo::SaveReport report;
    if (!star.sauve(path, pointfile::system_decimal_separator(), report, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n%s\n", report.title.c_str(), report.text.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::CommandLine cl;
    if (auto done = platform::parse_program_arguments(
            argc, argv, {"--dint", "--dext", "--dega", "--nbang", "--nbrad", "-o", "--screenshot"},
            {}, kUsage, "Stelmo v 1.1 - Ostrelo", cl)) {
        return *done;
    }
    std::string error;
    const bool batch = cl.has("--dint") || cl.has("--dext") || cl.has("--dega") ||
                       cl.has("--nbang") || cl.has("--nbrad") || cl.has("-o");
    if (batch && !cl.has("--screenshot")) {
        std::setlocale(LC_ALL, "");
        return run_batch(cl);
    }

    platform::use_offscreen_for_screenshot(argc, argv);
    QApplication app(argc, argv);
    stelmo::StelmoWindow window;
    if (cl.has("--screenshot")) {
        if (!platform::save_screenshot({&window}, cl.value("--screenshot"), &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    window.show();
    return app.exec();
}
