// Stelmo: the star-shaped lightening hole generator, as a window or from the
// command line.

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"
#include "desktop_identity.h"
#include "file_errors.h"
#include "french_qt.h"
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
    "Chaque valeur est le texte d'un champ, lu comme la fenêtre le lit (50,5 vaut 50, ce\n"
    "qui est signalé ; une valeur qui n'est pas un nombre est refusée) :\n"
    "  --dint T    diamètre intérieur en mm (défaut 30)\n"
    "  --dext T    diamètre extérieur en mm (défaut 50)\n"
    "  --dega T    dégagement supérieur en mm (défaut 10)\n"
    "  --nbang T   nombre de points par arc de cercle (défaut 20)\n"
    "  --nbrad T   nombre de points par segment radial (défaut 20)\n"
    "  -o, --out FICHIER  fichier à écrire (défaut : le nom proposé, « Etoile 50 30 10.dat »\n"
    "                     pour les valeurs par défaut, dans le dossier courant) ; son dossier\n"
    "                     est créé s'il n'existe pas\n"
    "  --screenshot FICHIER.png  enregistre l'image de la fenêtre, les options ci-dessus\n"
    "                     appliquées, sans rien enregistrer d'autre\n";

const std::pair<const char*, const char*> kFieldOptions[] = {
    {"--dint", "Le diamètre intérieur"},
    {"--dext", "Le diamètre extérieur"},
    {"--dega", "Le dégagement supérieur"},
    {"--nbang", "Le nombre de points par arc de cercle"},
    {"--nbrad", "Le nombre de points par segment radial"},
};

// Every value given must begin with a number; what a decimal comma makes of
// one is told on the error output.
bool check_numbers(const platform::CommandLine& cl, std::string& error) {
    return platform::check_option_values(cl, kFieldOptions, pointfile::check_typed_number, error);
}

stelmo::StarFields fields_from(const platform::CommandLine& cl) {
    stelmo::StarFields fields;
    fields.dint = cl.value("--dint", fields.dint);
    fields.dext = cl.value("--dext", fields.dext);
    fields.dega = cl.value("--dega", fields.dega);
    fields.nbang = cl.value("--nbang", fields.nbang);
    fields.nbrad = cl.value("--nbrad", fields.nbrad);
    return fields;
}

int run_batch(const platform::CommandLine& cl) {
    const stelmo::StarFields fields = fields_from(cl);
    stelmo::StarHollow star;
    std::string name;
    std::string error;
    if (!star.calcul_etoile(fields, name, error)) {
        return platform::refuse(error);
    }
    const std::string path = cl.value("-o", name);
    if (!platform::make_output_folder(platform::folder_of(path), error)) {
        return platform::refuse(error);
    }
    stelmo::SaveReport report;
    if (!star.sauve(path, pointfile::system_decimal_separator(), report, error)) {
        return platform::refuse(error);
    }
    std::printf("%s\n%s\n", report.title.c_str(), report.text.c_str());
    return 0;
}

// The window as the options leave it: shown (it computes the defaults), the
// fields typed in, "Tracer / mettre à jour" pressed, the file name typed.
int screenshot(const platform::CommandLine& cl, int& argc, char** argv) {
    platform::use_offscreen_for_screenshot(argc, argv);
    QApplication app(argc, argv);
    platform::install_qt_french(app);
    platform::set_desktop_identity(app, "Stelmo");
    stelmo::StelmoWindow window;
    bool refused = false;
    window.set_message_sink(platform::stderr_message_sink(&refused));
    window.show();
    QCoreApplication::processEvents();
    window.set_fields(fields_from(cl));
    if (!window.bt_trace_Click() || refused) {
        return platform::kExitRefused;
    }
    if (cl.has("-o")) {
        window.set_nomfich(cl.value("-o"));
    }
    std::string error;
    if (!platform::save_screenshot({&window}, cl.value("--screenshot"), &error)) {
        return platform::refuse(error);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::CommandLine cl;
    if (auto done = platform::parse_program_arguments(
            argc, argv, {"--dint", "--dext", "--dega", "--nbang", "--nbrad", "-o", "--screenshot"},
            {}, kUsage, "Stelmo 1.1", cl)) {
        return platform::finish_output(*done);
    }
    if (std::string error; !check_numbers(cl, error)) {
        return platform::refuse(error);
    }
    if (cl.has("--screenshot")) {
        return screenshot(cl, argc, argv);
    }
    bool batch = cl.has("-o");
    for (const auto& option : kFieldOptions) {
        batch = batch || cl.has(option.first);
    }
    if (batch) {
        std::setlocale(LC_ALL, "");
        return platform::finish_output(run_batch(cl));
    }
    QApplication app(argc, argv);
    platform::install_qt_french(app);
    platform::set_desktop_identity(app, "Stelmo");
    stelmo::StelmoWindow window;
    window.show();
    return app.exec();
}
