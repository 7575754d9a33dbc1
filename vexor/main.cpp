// Vexor: the machine controller, as a window or from the command line.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <string>

#include "command_line.h"
#include "desktop_identity.h"
#include "field_checks.h"
#include "french_qt.h"
#include "grbl_command.h"
#include "main_frame.h"
#include "qt_settings_store.h"
#include "screenshot.h"
#include "simulate_command.h"
#include "vexor_machine.h"

namespace {

constexpr const char* kUsage =
    "Usage : vexor [DESSIN.dxf]\n"
    "        vexor --screenshot IMAGE.png [--screenshot-after SECONDES] [DESSIN.dxf]\n"
    "        vexor --simulate FICHIER.dxf [--realtime] [--trace FICHIER.csv]\n"
    "              [--settings FICHIER.conf] [--feed-override P]\n"
    "        vexor --grbl PORT --run DESSIN.dxf [--check]\n"
    "Sans option, ouvre la fenêtre, sur le dessin s'il est donné.\n"
    "  --screenshot IMAGE.png  enregistre l'image de la fenêtre (sans écran), port\n"
    "                          simulé, réglages lus mais jamais réécrits\n"
    "  --screenshot-after SECONDES\n"
    "                          lance d'abord la découpe du dessin sur le port simulé,\n"
    "                          à la vitesse de la machine, et prend l'image après ce\n"
    "                          nombre de secondes (les fichiers de mouvements vont\n"
    "                          dans un dossier temporaire ; défaut : image avant la\n"
    "                          découpe)\n"
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
    "  --realtime              exécute à la vitesse de la machine, dans le fil de\n"
    "                          pas, et compte les retards (défaut : chaque attente\n"
    "                          se termine aussitôt)\n"
    "  --trace FICHIER.csv     enregistre chaque écriture sur le port : temps en µs,\n"
    "                          port, octet (défaut : aucune trace)\n"
    "  --feed-override P       correction d'avance de P % (10 à 200) dès le début : les\n"
    "                          descentes, segments et remontées vont à P % de leur\n"
    "                          vitesse, sans dépasser celle de déplacement ; les\n"
    "                          déplacements gardent la leur (défaut : 100)\n"
    "  --grbl PORT             port série d'un contrôleur GRBL (ex. /dev/ttyUSB0, 115200\n"
    "                          bauds) : affiche les réglages lus ($$), puis envoie\n"
    "                          la découpe du dessin de --run en G-code (descente et\n"
    "                          vitesses de découpe des réglages de l'utilisateur) ;\n"
    "                          code 1 sur une erreur, une alarme ou un port perdu\n"
    "  --run DESSIN.dxf        le dessin à découper par le contrôleur GRBL\n"
    "  --check                 mode contrôle de GRBL ($C) : le programme est lu sans\n"
    "                          mouvement et la première ligne refusée est nommée\n"
    "Réglages lus dans ~/.config/Ostrelo/Vexor.conf (nombres entiers, écrits par la\n"
    "fenêtre : menu « Paramétrage ») :\n"
    "  [Machine] StepX, StepY, StepZ  pas du moteur par mm, × 100000 (32000000 :\n"
    "                          320 pas par mm ; 1 à 1000 pas par mm)\n"
    "  [Machine] CourseX, CourseY, CourseZ  course de l'axe de part et d'autre de\n"
    "                          l'origine, en centièmes de mm (100000 : 1000 mm)\n"
    "  [Descente] ZBas         Z de l'outil pendant la découpe, en dixièmes de mm\n"
    "                          (-30 : -3 mm ; de -99 à 0 mm)\n"
    "  [Deplacement] SpeedXY, SpeedZ  vitesses de déplacement, en mm/s (0 à 99)\n"
    "  [Decoupe] SpeedXY, SpeedZ  vitesses de découpe, en mm/s (0 à 99)\n"
    "  [Port] PinXClk, PinXDir, PinYClk, PinYDir, PinZClk, PinZDir  broches horloge\n"
    "                          et direction du port parallèle (2 à 9)\n"
    "  [Port] PinXInv, PinYInv, PinZInv  direction inversée (0 ou 1)\n"
    "  [Port] Lpt              port parallèle LPT1 ou LPT2 (1 ou 2)\n"
    "  [Port] Backend          0 port parallèle, 1 contrôleur GRBL\n"
    "  [Port] Device, Baud     port série du contrôleur GRBL (texte) et sa vitesse\n"
    "                          en bauds\n"
    "  [Recent File List] File1 à File4  les derniers dessins ouverts\n";

// The window, rendered offscreen; with `after` seconds, during a simulated
// job of the drawing.
int screenshot(QApplication& app, const platform::CommandLine& cl, const QString& drawing) {
    float after = -1;
    if (cl.has("--screenshot-after")) {
        std::string refusal;
        if (!vexor::check_real_field(cl.value("--screenshot-after"), 0, 3600, after, refusal)) {
            return platform::usage_mistake(
                cl, "--screenshot-after attend un nombre de secondes entre 0 et 3600");
        }
        if (drawing.isEmpty()) {
            return platform::usage_mistake(cl, "--screenshot-after demande un dessin à découper");
        }
    }
    auto machine = vexor::VexorMachine::for_program({.keepSettings = false, .simulatePort = true});
    QTemporaryDir moves;
    const std::string folder = moves.path().toStdString();
    machine->runner().command([&](vexor::CStepDriver& d) { d.set_move_folder(folder); });
    vexor::CMainFrame frame(*machine, nullptr);
    std::string problem;
    frame.set_message_sink([&problem](QWidget*, const QString& title, const QString& text,
                                      platform::MessageKind kind) {
        if (kind == platform::MessageKind::Warning) {
            problem = (title + " : " + text).toStdString();
        }
    });
    frame.show();
    if (!drawing.isEmpty() && !frame.open_file(drawing)) {
        return platform::refuse(problem);
    }
    if (after >= 0) {
        frame.start_job();
        if (!problem.empty()) {
            return platform::refuse(problem);
        }
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < after * 1000) {
            app.processEvents(QEventLoop::AllEvents, 50);
        }
        frame.refresh();
    }
    std::string error;
    if (!platform::save_screenshot({&frame}, cl.value("--screenshot"), &error)) {
        return platform::refuse(error);
    }
    return 0;
}

// `--simulate`: the cut job on the simulated port, without a window.
int simulate(const platform::CommandLine& cl) {
    if (!cl.positional.empty() || cl.has("--screenshot") || cl.has("--screenshot-after")) {
        return platform::usage_mistake(cl,
                                       "--simulate ne s'emploie qu'avec --realtime, --trace, "
                                       "--settings et --feed-override");
    }
    int feed_override = 100;
    std::string refusal;
    if (cl.has("--feed-override") &&
        !vexor::check_int_field(cl.value("--feed-override"), vexor::CStepDriver::kMinOverride,
                                vexor::CStepDriver::kMaxOverride, feed_override, refusal)) {
        return platform::refuse("La correction d'avance « " + cl.value("--feed-override") +
                                " » est refusée : donnez un pourcentage entier de 10 à 200.");
    }
    // As under the window's event loop: the files must not follow the locale.
    std::setlocale(LC_ALL, "");
    vexor::SimulateOptions options;
    options.drawing = cl.value("--simulate");
    options.realtime = cl.has("--realtime");
    options.trace = cl.value("--trace");
    options.settings = cl.value("--settings");
    options.feedOverride = feed_override;
    return platform::finish_output(vexor::run_simulate_command(options));
}

// `--grbl PORT --run DESSIN.dxf [--check]`: the job streamed to a GRBL
// controller, without a window.
int grbl(const platform::CommandLine& cl) {
    if (!cl.positional.empty() || cl.has("--simulate") || cl.has("--screenshot") ||
        cl.has("--screenshot-after") || cl.has("--realtime") || cl.has("--trace") ||
        cl.has("--settings") || cl.has("--feed-override")) {
        return platform::usage_mistake(cl, "--grbl ne s'emploie qu'avec --run et --check");
    }
    if (!cl.has("--run")) {
        return platform::usage_mistake(cl,
                                       "--grbl demande le dessin à découper (--run DESSIN.dxf)");
    }
    vexor::GrblOptions options;
    options.device = cl.value("--grbl");
    options.drawing = cl.value("--run");
    options.check = cl.has("--check");
    return platform::finish_output(vexor::run_grbl_command(options));
}

}  // namespace

int main(int argc, char** argv) {
    platform::CommandLine cl;
    if (auto done = platform::parse_program_arguments(
            argc, argv,
            {"--simulate", "--trace", "--settings", "--feed-override", "--screenshot",
             "--screenshot-after", "--grbl", "--run"},
            {"--realtime", "--check"}, kUsage, "Vexor 1.0.3", cl, 1)) {
        return platform::finish_output(*done);
    }
    if (cl.has("--grbl")) {
        return grbl(cl);
    }
    if (cl.has("--run") || cl.has("--check")) {
        return platform::usage_mistake(cl, "--run et --check ne s'emploient qu'avec --grbl");
    }
    if (cl.has("--simulate")) {
        return simulate(cl);
    }
    if (cl.has("--realtime") || cl.has("--trace") || cl.has("--settings") ||
        cl.has("--feed-override")) {
        return platform::usage_mistake(cl,
                                       "--realtime, --trace, --settings et --feed-override ne "
                                       "s'emploient qu'avec --simulate");
    }
    if (cl.has("--screenshot-after") && !cl.has("--screenshot")) {
        return platform::usage_mistake(cl, "--screenshot-after ne s'emploie qu'avec --screenshot");
    }

    platform::use_offscreen_for_screenshot(argc, argv);
    QApplication app(argc, argv);
    platform::install_qt_french(app);
    platform::set_desktop_identity(app, "Vexor");
    QApplication::setOrganizationName("Ostrelo");
    QApplication::setApplicationName("Vexor");
    const QString drawing =
        cl.positional.empty() ? QString() : QString::fromLocal8Bit(cl.positional.front().c_str());
    if (cl.has("--screenshot")) {
        return screenshot(app, cl, drawing);
    }
    auto machine = vexor::VexorMachine::for_program({.keepSettings = true, .simulatePort = false});
    const auto recent = platform::make_user_settings("Vexor");
    vexor::CMainFrame frame(*machine, recent.get());
    frame.show();
    // Stored settings that could not be used were replaced by their
    // defaults: the user is told which, before the machine moves.
    platform::show_settings_notices(&frame, "Réglages", machine->doc().settings_notices());
    if (!drawing.isEmpty()) {
        frame.open_file(drawing);
    }
    return app.exec();
}
