// Plandor: the cut-planning editor, as a window (on a plan or a drawing named
// on the command line) or from the command line: --dump shows what the import
// of a DXF drawing gives, --import/--save makes a plan of a drawing (with
// --curves the import reads every curve of the drawing, --auto plans its cut),
// --export writes the
// cut of a plan (--export-gcode as a G-code program) and --screenshot renders
// the window to a PNG.

#include <QApplication>
#include <QString>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "auto_plan.h"
#include "c_format.h"
#include "command_line.h"
#include "desktop_identity.h"
#include "file_errors.h"
#include "french_qt.h"
#include "gcode_writer.h"
#include "import_report.h"
#include "logical_units.h"
#include "main_frame.h"
#include "plandor_doc.h"
#include "plandor_view.h"
#include "preferences.h"
#include "qt_settings_store.h"
#include "screenshot.h"
#include "settings_store.h"

namespace {

constexpr const char* kUsage =
    "Usage : plandor [PLAN.cmg | DESSIN.dxf]\n"
    "        plandor --screenshot IMAGE.png [--mode MODE] [--zoom N|fit]\n"
    "               [PLAN.cmg | DESSIN.dxf]\n"
    "        plandor --dump FICHIER.dxf [--curves]\n"
    "        plandor --import FICHIER.dxf [--curves] [RÉGLAGES DE COUPE] -o PLAN.cmg\n"
    "        plandor --import FICHIER.dxf [--curves] --auto [--tabs N] [RÉGLAGES DE COUPE]\n"
    "               -o PLAN.cmg\n"
    "               [--export SORTIE.dxf] [--export-gcode SORTIE.nc [RÉGLAGES G-CODE]]\n"
    "        plandor [--import FICHIER.dxf [--curves]] --points FICHIER.dat --size MM\n"
    "               [--at X,Y] [--angle DEG] [--mirror] [--points …] [--auto [--tabs N]]\n"
    "               -o PLAN.cmg [--export SORTIE.dxf] [--export-gcode SORTIE.nc]\n"
    "        plandor --export SORTIE.dxf PLAN.cmg\n"
    "        plandor --export-gcode SORTIE.nc PLAN.cmg [RÉGLAGES G-CODE]\n"
    "  --dump FICHIER.dxf  importe le dessin dans un document nouveau et affiche,\n"
    "                      pour chaque polyligne i, la ligne \"POLYLINE i n\" puis\n"
    "                      ses n points \"x y z\", un par ligne\n"
    "  --import FICHIER.dxf -o PLAN.cmg (ou --out, --save PLAN.cmg)\n"
    "                      importe le dessin dans un document nouveau (rayon de\n"
    "                      fraise, attaches et planche des réglages de l'utilisateur,\n"
    "                      ~/.config/Ostrelo/Plandor.conf, ou des réglages de coupe)\n"
    "                      et l'enregistre comme plan .cmg ; son dossier est créé\n"
    "                      s'il n'existe pas\n"
    "  Réglages de coupe (avec --import ou --points ; ils remplacent pour ce plan\n"
    "  ceux de l'utilisateur, qui ne sont pas modifiés) :\n"
    "  --radius MM         rayon de la fraise (0 à 5 mm)\n"
    "  --tab-width MM      largeur des points d'accroche (2 à 10 mm)\n"
    "  --board LxH         planche de L mm de long (en X) sur H mm de large (en Y),\n"
    "                      en mm entiers de 10 à 1000 (ex. 600x300)\n"
    "  --curves            importe toutes les courbes du dessin (arcs, cercles,\n"
    "                      ellipses, splines, blocs, polylignes légères), pièces\n"
    "                      chaînées en contours, en mm quelles que soient ses unités\n"
    "  --points FICHIER.dat  importe un fichier de points (Stelmo, Cadrex, Alyra,\n"
    "                      profil Selig ou Lednicer) ; se répète, et chaque --size,\n"
    "                      --at, --angle, --mirror vaut pour le --points qui le précède\n"
    "  --size MM           la longueur que vaut 1 dans le fichier : corde d'un profil,\n"
    "                      diamètre extérieur d'une étoile, hauteur totale d'un couple\n"
    "  --at X,Y            position de l'origine du fichier sur la planche, en mm\n"
    "                      (défaut 0,0)\n"
    "  --angle DEG         rotation autour de cette origine, en degrés (défaut 0)\n"
    "  --mirror            complète par symétrie autour de l'axe X du fichier (un\n"
    "                      demi-couple devient le couple entier)\n"
    "  --auto              planifie toute la découpe : contour à l'extérieur des pièces\n"
    "                      et à l'intérieur des trous, points d'accroche, trous avant\n"
    "                      leur pièce, liaisons depuis l'origine par le plus court\n"
    "  --tabs N            points d'accroche par pièce avec --auto (2 par défaut, 0 à 50)\n"
    "  --export SORTIE.dxf PLAN.cmg\n"
    "                      ouvre le plan et écrit ses contours dans l'ordre des\n"
    "                      liaisons, coupés aux points d'accroche, dans SORTIE.dxf\n"
    "                      (son dossier est créé s'il n'existe pas)\n"
    "  --export-gcode SORTIE.nc PLAN.cmg\n"
    "                      ouvre le plan et écrit les mêmes contours, dans le même\n"
    "                      ordre, en programme G-code (Z 0 au-dessus de la planche)\n"
    "  Réglages G-code (par défaut ceux de la section GCODE des réglages de\n"
    "  l'utilisateur, qui ne sont pas modifiés) :\n"
    "  --dialect grbl|linuxcnc  commande numérique : GRBL 1.1, grblHAL, FluidNC,\n"
    "                      ou LinuxCNC, Mach3 (défaut grbl)\n"
    "  --depth MM          profondeur de coupe (défaut 3 mm)\n"
    "  --pass-depth MM     profondeur de chaque passe, au plus la profondeur de\n"
    "                      coupe (défaut 1,5 mm)\n"
    "  --safe-z MM         hauteur des déplacements au-dessus de la planche\n"
    "                      (défaut 5 mm)\n"
    "  --tab-height MM     épaisseur laissée sur les points d'accroche (défaut 1 mm,\n"
    "                      0 : aucune)\n"
    "  --feed MM_PAR_MIN   avance de coupe (défaut 600 mm/min)\n"
    "  --plunge MM_PAR_MIN avance de plongée (défaut 150 mm/min)\n"
    "  --spindle TR_PAR_MIN vitesse de broche (défaut 0 : aucune commande de broche)\n"
    "  PLAN.cmg, DESSIN.dxf ouvre la fenêtre sur ce plan, ou sur un plan nouveau\n"
    "                      où le dessin est importé\n"
    "  --screenshot IMAGE.png\n"
    "                      enregistre l'image de la fenêtre, ouverte sur le fichier\n"
    "  --mode MODE         le mode de la fenêtre : normal, detourage, accrochage\n"
    "                      ou liaison (défaut : normal)\n"
    "  --zoom N            N pas de zoom avant (0 à 10) au centre de la planche\n"
    "  --zoom fit          le dessin entier, comme « Affichage > Tout voir » (défaut\n"
    "                      de --screenshot sur un fichier ; sinon 0)\n"
    "Réglages lus dans ~/.config/Ostrelo/Plandor.conf (nombres entiers, écrits par\n"
    "la fenêtre : « Outils > Préférences » et « Outils > Préférences G-code… ») :\n"
    "  [FRAISE] TAILLE     rayon de la fraise, en centièmes de mm (100 : 1 mm)\n"
    "  [ATTACHE] TAILLE    largeur des points d'accroche, en centièmes de mm\n"
    "  [ATTACHE] DEPLACEMENT  pas du déplacement d'un point d'accroche, en\n"
    "                      centièmes de mm\n"
    "  [PLANCHE] LONGUEUR, LARGEUR  taille de la planche, en mm\n"
    "  [GCODE] PROFONDEUR, PASSE, SECURITE, ATTACHE  profondeur de coupe, de\n"
    "                      passe, hauteur de sécurité, épaisseur des points\n"
    "                      d'accroche, en centièmes de mm (300 : 3 mm)\n"
    "  [GCODE] AVANCE, PLONGEE  avances de coupe et de plongée, en mm/min\n"
    "  [GCODE] BROCHE      vitesse de broche, en tr/min (0 : aucune commande)\n"
    "  [GCODE] DIALECTE    0 grbl, 1 linuxcnc\n"
    "  [Recent File List] File1 à File4  les derniers plans ouverts par la fenêtre\n"
    "et dans ~/.config/Ostrelo/Vexor.conf, pour le temps de découpe estimé :\n"
    "  [Decoupe] SpeedXY, [Deplacement] SpeedXY  vitesses de découpe et de\n"
    "                      déplacement de la machine, en mm/s\n";

// One --points with the options that follow it.
struct PointsArg {
    std::string file;
    std::string size;
    std::string at;
    std::string angle;
    bool hasSize = false;
    bool hasAt = false;
    bool hasAngle = false;
    bool mirror = false;
};

// Takes the --points groups out of the arguments; `rest` keeps the others
// for the parser. False with the usage mistake in `mistake`.
bool take_point_args(int argc, char** argv, std::vector<PointsArg>& groups,
                     std::vector<char*>& rest, std::string& mistake) {
    rest.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inline_value = false;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.erase(eq);
            inline_value = true;
        }
        const bool with_value =
            arg == "--points" || arg == "--size" || arg == "--at" || arg == "--angle";
        if (!with_value && arg != "--mirror") {
            rest.push_back(argv[i]);
            continue;
        }
        if (with_value && !inline_value) {
            if (i + 1 >= argc) {
                mistake = "Valeur manquante pour " + arg;
                return false;
            }
            value = argv[++i];
        }
        if (arg == "--points") {
            PointsArg group;
            group.file = value;
            groups.push_back(group);
            continue;
        }
        if (groups.empty()) {
            mistake = arg + " vaut pour le --points qui le précède";
            return false;
        }
        PointsArg& g = groups.back();
        if (arg == "--size") {
            g.size = value;
            g.hasSize = true;
        } else if (arg == "--at") {
            g.at = value;
            g.hasAt = true;
        } else if (arg == "--angle") {
            g.angle = value;
            g.hasAngle = true;
        } else {
            g.mirror = true;
        }
    }
    for (const PointsArg& g : groups) {
        if (!g.hasSize) {
            mistake =
                "--points " + g.file + " : --size manque (la longueur que vaut 1 dans le fichier)";
            return false;
        }
    }
    return true;
}

bool read_number(const std::string& option, const std::string& text, bool integer, double& value,
                 std::string& error);

// The placements of the --points groups, every number checked before any
// file is read or written.
bool point_placements(const std::vector<PointsArg>& groups,
                      std::vector<plandor::PointPlacement>& placements, std::string& error) {
    for (const PointsArg& g : groups) {
        plandor::PointPlacement at;
        if (!read_number("--size", g.size, false, at.size, error)) {
            return false;
        }
        if (!(at.size > 0)) {
            error = "--size : « " + g.size + " » : la taille doit être plus grande que 0 mm.";
            return false;
        }
        if (g.hasAt) {
            const size_t comma = g.at.find(',');
            if (comma == std::string::npos ||
                !read_number("--at", g.at.substr(0, comma), false, at.x, error) ||
                !read_number("--at", g.at.substr(comma + 1), false, at.y, error)) {
                error = "--at : « " + g.at + " » n'est pas une position X,Y en mm.";
                return false;
            }
        }
        if (g.hasAngle && !read_number("--angle", g.angle, false, at.angle, error)) {
            return false;
        }
        at.mirror = g.mirror;
        placements.push_back(at);
    }
    return true;
}

// Imports the point files after what the plan holds; the report says what
// each gave.
bool import_point_files(plandor::CPlandorDoc& doc, const std::vector<PointsArg>& groups,
                        const std::vector<plandor::PointPlacement>& placements, std::string& report,
                        std::string& error) {
    for (size_t k = 0; k < groups.size(); ++k) {
        std::string one;
        if (!doc.import_points(groups[k].file, placements[k], error, &one)) {
            return false;
        }
        report += one;
    }
    return true;
}

// Imports a drawing into `doc` with the import the options choose; the
// report says what was read.
bool import_drawing(plandor::CPlandorDoc& doc, const std::string& path, bool curves,
                    std::string& report) {
    if (curves) {
        return doc.import_dxf_curves(path, report, &report);
    }
    const bool read = doc.import_dxf(path, report, &report);
    report = plandor::command_line_text(report);
    return read;
}

int dump(const std::string& path, bool curves) {
    // Only the drawing is shown: the user's settings are not needed.
    platform::MemorySettingsStore settings;
    plandor::CPlandorDoc doc(settings);
    std::string report;
    if (!import_drawing(doc, path, curves, report)) {
        std::fprintf(stderr, "%s\n", report.c_str());
        return 1;
    }
    // The points go to the standard output, the report beside them.
    std::fputs(report.c_str(), stderr);
    std::string out;
    for (int i = 0; i < doc.polylineCount; ++i) {
        const common::CPolyline& p = *doc.polylines[static_cast<size_t>(i)];
        out += "POLYLINE " + std::to_string(i) + " " + std::to_string(p.nbPoints) + "\n";
        for (int k = 0; k < p.nbPoints; ++k) {
            const common::Point3& pt = p.points[static_cast<size_t>(k)];
            out += common::format_f(pt.x) + " " + common::format_f(pt.y) + " " +
                   common::format_f(pt.z) + "\n";
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// The stored settings replaced by their defaults, one line each.
void print_notices(const plandor::CPlandorDoc& doc) {
    for (const std::string& notice : doc.settingsNotices) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
}

// The G-code options of the command line, each with what it sets.
struct GcodeOption {
    const char* name;
    double common::GcodeSettings::*length;  // nullptr for the spindle
};
constexpr GcodeOption kGcodeOptions[] = {
    {"--depth", &common::GcodeSettings::depth},
    {"--pass-depth", &common::GcodeSettings::passDepth},
    {"--safe-z", &common::GcodeSettings::safeHeight},
    {"--tab-height", &common::GcodeSettings::tabHeight},
    {"--feed", &common::GcodeSettings::cuttingFeed},
    {"--plunge", &common::GcodeSettings::plungeFeed},
    {"--spindle", nullptr},
};

bool has_gcode_option(const platform::CommandLine& cl) {
    for (const GcodeOption& option : kGcodeOptions) {
        if (cl.has(option.name)) {
            return true;
        }
    }
    return cl.has("--dialect");
}

// A number with a decimal point, whole when `integer`; the French refusal
// in `error` otherwise.
bool read_number(const std::string& option, const std::string& text, bool integer, double& value,
                 std::string& error) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        error = option + " : « " + text + " » n'est pas un nombre.";
        return false;
    }
    if (integer && value != std::floor(value)) {
        error = option + " : « " + text + " » n'est pas un nombre entier.";
        return false;
    }
    return true;
}

// The stored G-code settings with the command line's options over them,
// checked as the export checks them.
bool gcode_settings(const platform::CommandLine& cl, common::GcodeSettings& settings,
                    std::string& error) {
    if (cl.has("--dialect") && !common::parse_dialect(cl.value("--dialect"), settings.dialect)) {
        error = "Dialecte G-code inconnu : « " + cl.value("--dialect") + " » (grbl ou linuxcnc).";
        return false;
    }
    for (const GcodeOption& option : kGcodeOptions) {
        if (!cl.has(option.name)) {
            continue;
        }
        double value = 0;
        if (!read_number(option.name, cl.value(option.name), option.length == nullptr, value,
                         error)) {
            return false;
        }
        if (option.length != nullptr) {
            settings.*option.length = value;
        } else if (std::fabs(value) > common::kGcodeMaxValue) {
            error = "La vitesse de broche ne peut pas dépasser 100000 tr/min.";
            return false;
        } else {
            settings.spindleSpeed = static_cast<int>(value);
        }
    }
    return common::check(settings, error);
}

// The cut settings of the command line, over the stored ones for one run.
struct CutOptions {
    bool hasRadius = false, hasTabWidth = false, hasBoard = false;
    double radius = 0, tabWidth = 0;
    int boardLength = 0, boardWidth = 0;
};

bool has_cut_option(const platform::CommandLine& cl) {
    return cl.has("--radius") || cl.has("--tab-width") || cl.has("--board");
}

// The shortest text of a bound ("5", "0.5").
std::string shortest(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// A length of the command line within `range`, in mm; `what` names it in
// the refusal ("Le rayon de fraise").
bool read_length(const platform::CommandLine& cl, const char* option, const char* what,
                 const char* agreed, const plandor::PreferenceRange& range, double& value,
                 std::string& error) {
    if (!read_number(option, cl.value(option), false, value, error)) {
        return false;
    }
    if (value < range.min || value > range.max) {
        error = std::string(option) + " : « " + cl.value(option) + " » : " + what + " doit être " +
                agreed + " entre " + shortest(range.min) + " et " + shortest(range.max) + " mm.";
        return false;
    }
    return true;
}

// --radius, --tab-width and --board read and checked before any file is
// read or written.
bool cut_options(const platform::CommandLine& cl, CutOptions& cut, std::string& error) {
    cut.hasRadius = cl.has("--radius");
    cut.hasTabWidth = cl.has("--tab-width");
    cut.hasBoard = cl.has("--board");
    if (cut.hasRadius && !read_length(cl, "--radius", "le rayon de fraise", "compris",
                                      plandor::kRadiusRange, cut.radius, error)) {
        return false;
    }
    if (cut.hasTabWidth && !read_length(cl, "--tab-width", "La largeur des points d'accroche",
                                        "comprise", plandor::kTabWidthRange, cut.tabWidth, error)) {
        return false;
    }
    if (cut.hasBoard) {
        const std::string text = cl.value("--board");
        const size_t x = text.find_first_of("xX");
        double length = 0;
        double width = 0;
        std::string unused;
        const auto& range = plandor::kBoardRange;
        if (x == std::string::npos ||
            !read_number("--board", text.substr(0, x), true, length, unused) ||
            !read_number("--board", text.substr(x + 1), true, width, unused) ||
            length < range.min || length > range.max || width < range.min || width > range.max) {
            error = "--board : « " + text +
                    " » n'est pas une taille de planche LxH : longueur et largeur en mm "
                    "entiers, de 10 à 1000 (par exemple 600x300).";
            return false;
        }
        cut.boardLength = static_cast<int>(length);
        cut.boardWidth = static_cast<int>(width);
    }
    return true;
}

// The options over what the document read from the store; the store is
// not written.
void apply_cut_options(const CutOptions& cut, plandor::CPlandorDoc& doc) {
    if (cut.hasRadius) {
        doc.cutterRadius = static_cast<float>(cut.radius);
    }
    if (cut.hasTabWidth) {
        doc.tabWidth = static_cast<float>(cut.tabWidth);
    }
    if (cut.hasBoard) {
        doc.boardLength = cut.boardLength;
        doc.boardWidth = cut.boardWidth;
    }
}

// Writes the plan's G-code and says what it holds.
int write_gcode_file(const plandor::CPlandorDoc& doc, const common::GcodeSettings& settings,
                     const std::string& nc) {
    std::string report;
    std::string error;
    if (!platform::make_output_folder(platform::folder_of(nc), error) ||
        !doc.export_gcode(nc, settings, report, error)) {
        return platform::refuse(error);
    }
    std::printf("%s\nProgramme G-code enregistré dans %s\n", report.c_str(), nc.c_str());
    return 0;
}

bool has_cmg_extension(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && path.compare(dot, std::string::npos, ".cmg") == 0;
}

int import_and_save(const std::string& dxf, const std::string& cmg, bool curves,
                    const std::vector<PointsArg>& points, const platform::CommandLine& cl) {
    // A plan saved under another name could not be opened again.
    if (!has_cmg_extension(cmg)) {
        return platform::refuse(std::string(plandor::kNotCmgMessage) + " : " + cmg);
    }
    const auto settings = platform::make_user_settings("Plandor");
    plandor::CPlandorDoc doc(*settings);
    print_notices(doc);
    std::vector<plandor::PointPlacement> placements;
    std::string error;
    CutOptions cut;
    if (!cut_options(cl, cut, error) || !point_placements(points, placements, error)) {
        return platform::refuse(error);
    }
    apply_cut_options(cut, doc);
    std::string report;
    if (!dxf.empty() && !import_drawing(doc, dxf, curves, report)) {
        return platform::refuse(report);
    }
    if (!import_point_files(doc, points, placements, report, error)) {
        return platform::refuse(error);
    }
    if (!platform::make_output_folder(platform::folder_of(cmg), error) ||
        !doc.save_document(cmg, error)) {
        return platform::refuse(error);
    }
    std::fputs(report.c_str(), stdout);
    std::printf("%d polylignes importées, plan enregistré dans %s\n", doc.polylineCount,
                cmg.c_str());
    return 0;
}

int plan_and_save(const std::string& dxf, const std::string& cmg, int tabs,
                  const std::string& export_to, bool curves, const platform::CommandLine& cl,
                  const std::vector<PointsArg>& points) {
    if (!has_cmg_extension(cmg)) {
        return platform::refuse(std::string(plandor::kNotCmgMessage) + " : " + cmg);
    }
    const auto settings = platform::make_user_settings("Plandor");
    plandor::CPlandorDoc doc(*settings);
    print_notices(doc);
    // Refused G-code settings leave no file at all.
    const std::string gcode_to = cl.value("--export-gcode");
    common::GcodeSettings gcode = doc.gcode;
    std::string refused;
    if (cl.has("--export-gcode") && !gcode_settings(cl, gcode, refused)) {
        return platform::refuse(refused);
    }
    std::vector<plandor::PointPlacement> placements;
    CutOptions cut;
    if (!cut_options(cl, cut, refused) || !point_placements(points, placements, refused)) {
        return platform::refuse(refused);
    }
    apply_cut_options(cut, doc);
    std::string imported;
    if (!dxf.empty() && !import_drawing(doc, dxf, curves, imported)) {
        return platform::refuse(imported);
    }
    if (!import_point_files(doc, points, placements, imported, refused)) {
        return platform::refuse(refused);
    }
    std::fputs(imported.c_str(), stdout);
    std::string error;
    if (!platform::make_output_folder(platform::folder_of(cmg), error) ||
        (!export_to.empty() &&
         !platform::make_output_folder(platform::folder_of(export_to), error))) {
        return platform::refuse(error);
    }
    plandor::PlanOptions options;
    options.tabsPerPart = tabs;
    options = plandor::machine_speeds(*platform::make_user_settings("Vexor"), options);
    const plandor::PlanReport report = plandor::plan_automatically(doc, options);
    if (report.done == 0) {
        return platform::refuse(report.error);
    }
    std::fputs(plandor::plan_report_text(report, options).c_str(), stdout);
    if (!doc.save_document(cmg, error)) {
        return platform::refuse(error);
    }
    std::printf("Plan enregistré dans %s\n", cmg.c_str());
    if (!export_to.empty()) {
        if (!doc.export_dxf(export_to, error)) {
            return platform::refuse(error);
        }
        std::printf("%d contours exportés dans %s\n", report.links, export_to.c_str());
    }
    if (cl.has("--export-gcode")) {
        return write_gcode_file(doc, gcode, gcode_to);
    }
    return 0;
}

// A whole number of tabs, 0 to 50; -1 for any other text.
int tab_count(const std::string& text) {
    int value = -1;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        !common::scan_d(text.c_str(), value) || value > plandor::kMaxTabsPerOutline) {
        return -1;
    }
    return value;
}

int open_and_export_gcode(const std::string& cmg, const platform::CommandLine& cl) {
    const auto settings = platform::make_user_settings("Plandor");
    plandor::CPlandorDoc doc(*settings);
    print_notices(doc);
    common::GcodeSettings gcode = doc.gcode;
    std::string error;
    if (!gcode_settings(cl, gcode, error) || !doc.open_document(cmg, error)) {
        return platform::refuse(error);
    }
    if (doc.linkCount == 0) {
        return platform::refuse("Le plan n'a aucune liaison : il n'y a rien à exporter.");
    }
    return write_gcode_file(doc, gcode, cl.value("--export-gcode"));
}

int open_and_export(const std::string& cmg, const std::string& dxf) {
    const auto settings = platform::make_user_settings("Plandor");
    plandor::CPlandorDoc doc(*settings);
    print_notices(doc);
    std::string error;
    if (!doc.open_document(cmg, error)) {
        return platform::refuse(error);
    }
    if (doc.linkCount == 0) {
        return platform::refuse("Le plan n'a aucune liaison : il n'y a rien à exporter.");
    }
    if (!platform::make_output_folder(platform::folder_of(dxf), error) ||
        !doc.export_dxf(dxf, error)) {
        return platform::refuse(error);
    }
    // A chained polyline without offset contour writes nothing.
    int written = 0;
    for (int index : doc.cut_order()) {
        written += doc.polylines[static_cast<size_t>(index)]->nbOffsetPoints > 0 ? 1 : 0;
    }
    std::printf("%d contours exportés dans %s\n", written, dxf.c_str());
    return 0;
}

bool mode_named(const std::string& name, plandor::EditMode& mode) {
    const std::pair<const char*, plandor::EditMode> modes[] = {
        {"normal", plandor::EditMode::Normal},
        {"detourage", plandor::EditMode::Cut},
        {"accrochage", plandor::EditMode::Tab},
        {"liaison", plandor::EditMode::Link}};
    for (const auto& [text, value] : modes) {
        if (name == text) {
            mode = value;
            return true;
        }
    }
    return false;
}

// Zooms in on the middle of the board, as the wheel would there.
void show_board_closer(plandor::CMainFrame& frame, int steps) {
    frame.show();
    QCoreApplication::processEvents();
    plandor::CPlandorView& view = *frame.view();
    for (int step = 0; step < steps; ++step) {
        const plandor::CPlandorDoc& doc = frame.doc();
        const common::LogicalPoint middle =
            common::logical_point(static_cast<float>(doc.boardLength) / 2,
                                  static_cast<float>(doc.boardWidth) / 2, view.state().zoom);
        view.zoom_at(view.logical_to_pixels().map(QPoint(middle.x, middle.y)), true);
        view.viewport()->repaint();
    }
}

// The window, on the file named on the command line; with --screenshot it is
// rendered offscreen to a PNG, and a refused file ends the program.
int run_window(int argc, char** argv, const platform::CommandLine& cl) {
    plandor::EditMode mode = plandor::EditMode::Normal;
    if (!mode_named(cl.value("--mode", "normal"), mode)) {
        return platform::usage_mistake(cl, "Mode inconnu : " + cl.value("--mode") +
                                               " (normal, detourage, accrochage ou liaison)");
    }
    const bool screenshot = cl.has("--screenshot");
    // A screenshot of a file shows the whole drawing unless told otherwise.
    const std::string zoom = cl.value("--zoom", screenshot && !cl.positional.empty() ? "fit" : "0");
    const bool fit = zoom == "fit";
    int zoom_steps = 0;
    if (!fit && (zoom.find_first_not_of("0123456789") != std::string::npos ||
                 !common::scan_d(zoom.c_str(), zoom_steps) || zoom_steps < 0 || zoom_steps > 10)) {
        return platform::usage_mistake(
            cl, "--zoom : « " + zoom + " » n'est pas un nombre de pas de 0 à 10, ni fit");
    }
    platform::use_offscreen_for_screenshot(argc, argv);
    QApplication app(argc, argv);
    platform::install_qt_french(app);
    platform::set_desktop_identity(app, "Plandor");
    const auto settings = platform::make_user_settings("Plandor");
    // The machine's speeds give the automatic plan its time estimate.
    const auto machine = platform::make_user_settings("Vexor");
    plandor::CMainFrame frame(*settings, !screenshot);
    frame.set_machine_settings(*machine);
    if (screenshot) {
        frame.set_message_sink(
            [](QWidget*, const QString&, const QString& text, platform::MessageKind) {
                std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            });
    } else {
        frame.show();
        // Stored settings that could not be used were replaced by their
        // defaults: the user is told which.
        platform::show_settings_notices(&frame, "ATTENTION", frame.doc().settingsNotices);
    }
    if (!cl.positional.empty() &&
        !frame.open_file(QString::fromLocal8Bit(cl.positional[0].c_str())) && screenshot) {
        return 1;
    }
    frame.select_mode(mode);
    if (fit) {
        frame.show();
        QCoreApplication::processEvents();
        frame.view()->fit_drawing();
        frame.view()->viewport()->repaint();
    } else if (zoom_steps > 0) {
        show_board_closer(frame, zoom_steps);
    }
    if (screenshot) {
        std::string error;
        if (!platform::save_screenshot({&frame}, cl.value("--screenshot"), &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    platform::CommandLine cl;
    std::vector<PointsArg> points;
    std::vector<char*> rest;
    std::string mistake;
    const bool points_read = take_point_args(argc, argv, points, rest, mistake);
    if (auto done = platform::parse_program_arguments(
            static_cast<int>(rest.size()), rest.data(),
            {"--dump",       "--import", "--save",       "-o",       "--export",
             "--screenshot", "--mode",   "--zoom",       "--tabs",   "--export-gcode",
             "--dialect",    "--depth",  "--pass-depth", "--safe-z", "--tab-height",
             "--feed",       "--plunge", "--spindle",    "--radius", "--tab-width",
             "--board"},
            {"--curves", "--auto"}, kUsage, "Plandor 1.0.2", cl, 1)) {
        return platform::finish_output(*done);
    }
    if (!points_read) {
        return platform::usage_mistake(cl, mistake);
    }
    const bool has_points = !points.empty();
    // -o (--out) is the plan written by --import, as --save.
    const bool saving = cl.has("--save") || cl.has("-o");
    const std::string plan = cl.value("--save", cl.value("-o"));
    const bool gcode = cl.has("--export-gcode");
    const bool batch = cl.has("--dump") || cl.has("--import") || saving || cl.has("--export") ||
                       cl.has("--auto") || cl.has("--tabs") || gcode || has_gcode_option(cl) ||
                       has_cut_option(cl) || has_points;
    if (!batch) {
        return run_window(argc, argv, cl);
    }
    if (has_gcode_option(cl) && !gcode) {
        return platform::usage_mistake(cl, "Les réglages G-code vont avec --export-gcode");
    }
    const bool planning = cl.has("--auto");
    if (planning || cl.has("--tabs")) {
        const int tabs = tab_count(cl.value("--tabs", "2"));
        const char* mistake = !planning ? "--tabs va avec --auto"
                              : !((cl.has("--import") || has_points) && saving)
                                  ? "--auto demande --import (ou --points) et -o (ou --save)"
                              : cl.has("--dump") || !cl.positional.empty() ? "Argument inattendu"
                              : tabs < 0 ? "--tabs attend un nombre entier de 0 à 50"
                                         : nullptr;
        if (mistake != nullptr) {
            return platform::usage_mistake(cl, mistake);
        }
        return platform::finish_output(plan_and_save(cl.value("--import"), plan, tabs,
                                                     cl.value("--export"), cl.has("--curves"), cl,
                                                     points));
    }
    const bool exporting = cl.has("--export");
    const size_t positional = exporting || gcode ? 1 : 0;
    const bool importing = cl.has("--import") || saving || has_points;
    const int jobs =
        (cl.has("--dump") ? 1 : 0) + (importing ? 1 : 0) + (exporting ? 1 : 0) + (gcode ? 1 : 0);
    if (cl.has("--save") && cl.has("-o")) {
        return platform::usage_mistake(cl, "--save et -o nomment le même plan : l'un ou l'autre");
    }
    if (importing && !((cl.has("--import") || has_points) && saving)) {
        return platform::usage_mistake(cl, has_points ? "--points demande -o (ou --save)"
                                                      : "--import et -o (ou --save) vont ensemble");
    }
    if (jobs > 1) {
        return platform::usage_mistake(cl, "Une seule tâche à la fois");
    }
    if ((exporting || gcode) && cl.positional.empty()) {
        return platform::usage_mistake(cl, "Indiquez le plan .cmg à exporter");
    }
    if (cl.positional.size() != positional) {
        return platform::usage_mistake(cl, "Argument inattendu : " + cl.positional.back());
    }
    if (has_cut_option(cl) && !importing) {
        return platform::usage_mistake(cl,
                                       "--radius, --tab-width et --board vont avec --import "
                                       "(ou --points)");
    }
    if (cl.has("--curves") && !cl.has("--dump") && !importing) {
        return platform::usage_mistake(cl, "--curves va avec --dump ou --import");
    }
    if (cl.has("--dump")) {
        return platform::finish_output(dump(cl.value("--dump"), cl.has("--curves")));
    }
    if (importing) {
        return platform::finish_output(
            import_and_save(cl.value("--import"), plan, cl.has("--curves"), points, cl));
    }
    if (exporting) {
        return platform::finish_output(open_and_export(cl.positional[0], cl.value("--export")));
    }
    if (gcode) {
        return platform::finish_output(open_and_export_gcode(cl.positional[0], cl));
    }
    return platform::usage_mistake(cl, "Indiquez ce que Plandor doit faire");
}
