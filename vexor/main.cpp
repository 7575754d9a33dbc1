// Vexor: the machine controller. Its window comes later; for now the program
// runs a cut job on the simulated port from the command line.

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "simulate_command.h"

namespace {

constexpr const char* kUsage =
    "Usage : vexor --simulate FICHIER.dxf [--realtime] [--trace FICHIER.csv]\n"
    "  --simulate FICHIER.dxf  ouvre le dessin, lance la découpe depuis (0, 0, 0) sur le\n"
    "                          port simulé avec les réglages de la machine, et affiche\n"
    "                          le bilan ; les impulsions sont contrôlées (code 1 si\n"
    "                          elles diffèrent des pas du pilote). Le fichier de\n"
    "                          mouvements coupe.dep est écrit dans le dossier courant.\n"
    "  --realtime              exécute à la vitesse de la machine, dans le fil de\n"
    "                          pas, et compte les retards (sinon chaque attente\n"
    "                          se termine aussitôt)\n"
    "  --trace FICHIER.csv     enregistre chaque écriture sur le port :\n"
    "                          temps en µs, port, octet\n"
    "  --help                  affiche cette aide\n"
    "  --version               affiche la version\n";

}  // namespace

int main(int argc, char** argv) {
    platform::CommandLine cl;
    if (auto done =
            platform::parse_program_arguments(argc, argv, {"--simulate", "--trace"}, {"--realtime"},
                                              kUsage, "Vexor version 1.0.3 - Ostrelo", cl)) {
        return *done;
    }
    if (cl.has("--simulate")) {
        // As under the window's event loop: the files must not follow the locale.
        std::setlocale(LC_ALL, "");
        vexor::SimulateOptions options;
        options.drawing = cl.value("--simulate");
        options.realtime = cl.has("--realtime");
        options.trace = cl.value("--trace");
        return vexor::run_simulate_command(options);
    }
    if (cl.has("--realtime") || cl.has("--trace")) {
        std::fprintf(stderr, "--realtime et --trace ne s'emploient qu'avec --simulate.\n%s",
                     kUsage);
        return 1;
    }
    std::fprintf(stderr,
                 "La fenêtre de Vexor n'est pas encore disponible : utilisez "
                 "« vexor --simulate FICHIER.dxf ».\n%s",
                 kUsage);
    return 1;
}
