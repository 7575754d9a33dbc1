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
    "              [--settings FICHIER.conf]\n"
    "  --simulate FICHIER.dxf  ouvre le dessin, lance la découpe depuis (0, 0, 0) sur le\n"
    "                          port simulé avec les réglages de la machine, et affiche\n"
    "                          les réglages employés puis le bilan ; les impulsions\n"
    "                          sont contrôlées (code 1 si elles diffèrent des pas du\n"
    "                          pilote, ou si le dessin n'a aucune polyligne). Le fichier\n"
    "                          de mouvements coupe.dep est écrit dans le dossier courant.\n"
    "  --settings FICHIER.conf réglages de la machine à employer (défaut : ceux de\n"
    "                          l'utilisateur, ~/.config/Ostrelo/Vexor.conf, ou sans\n"
    "                          fichier 1 pas par mm, déplacement 5 et 2 mm/s, découpe 2\n"
    "                          et 1 mm/s, descente -2 mm) ; ils ne sont jamais modifiés\n"
    "  --realtime              exécute à la vitesse de la machine (défaut : chaque\n"
    "                          attente se termine aussitôt)\n"
    "  --trace FICHIER.csv     enregistre chaque écriture sur le port : temps en µs,\n"
    "                          port, octet (défaut : aucune trace)\n";

}  // namespace

int main(int argc, char** argv) {
    platform::CommandLine cl;
    if (auto done =
            platform::parse_program_arguments(argc, argv, {"--simulate", "--trace", "--settings"},
                                              {"--realtime"}, kUsage, "Vexor 1.0.3", cl)) {
        return *done;
    }
    if (cl.has("--simulate")) {
        // As under the window's event loop: the files must not follow the locale.
        std::setlocale(LC_ALL, "");
        vexor::SimulateOptions options;
        options.drawing = cl.value("--simulate");
        options.realtime = cl.has("--realtime");
        options.trace = cl.value("--trace");
        options.settings = cl.value("--settings");
        return vexor::run_simulate_command(options, argc, argv);
    }
    if (cl.has("--realtime") || cl.has("--trace") || cl.has("--settings")) {
        return platform::usage_mistake(
            cl, "--realtime, --trace et --settings ne s'emploient qu'avec --simulate");
    }
    std::fprintf(stderr,
                 "La fenêtre de Vexor n'est pas encore disponible : utilisez "
                 "« vexor --simulate FICHIER.dxf ».\n%s",
                 kUsage);
    return 1;
}
