// Plandor: the cut-planning editor. For now it works from the command line:
// --dump shows what the import of a DXF drawing gives, --import/--save makes a
// plan of a drawing (--auto plans its cut) and --export writes the cut of a plan.

#include <cstdio>
#include <string>
#include <vector>

#include "auto_plan.h"
#include "c_format.h"
#include "command_line.h"
#include "plandor_doc.h"
#include "settings_store.h"

namespace {

constexpr const char* kUsage =
    "Usage : plandor --dump FICHIER.dxf\n"
    "        plandor --import FICHIER.dxf --save PLAN.cmg\n"
    "        plandor --import FICHIER.dxf --auto [--tabs N] --save PLAN.cmg [--export SORTIE.dxf]\n"
    "        plandor --export SORTIE.dxf PLAN.cmg\n"
    "  --dump FICHIER.dxf  importe le dessin dans un document nouveau et affiche,\n"
    "                      pour chaque polyline i, la ligne \"POLYLINE i n\" puis\n"
    "                      ses n points \"x y z\", un par ligne\n"
    "  --import FICHIER.dxf --save PLAN.cmg\n"
    "                      importe le dessin dans un document nouveau (réglages de\n"
    "                      l'utilisateur) et l'enregistre comme plan .cmg\n"
    "  --auto              planifie toute la découpe : contour à l'extérieur des pièces\n"
    "                      et à l'intérieur des trous, points d'accroche, trous avant\n"
    "                      leur pièce, liaisons depuis l'origine par le plus court\n"
    "  --tabs N            points d'accroche par pièce avec --auto (2 par défaut, 0 à 50)\n"
    "  --export SORTIE.dxf PLAN.cmg\n"
    "                      ouvre le plan et écrit ses contours dans l'ordre des\n"
    "                      liaisons, coupés aux points d'accroche\n"
    "  --help              affiche cette aide\n"
    "  --version           affiche la version\n";

int dump(const std::string& path) {
    // Only the drawing is shown: the user's settings are not needed.
    platform::MemorySettingsStore settings;
    plandor::CPlandorDoc doc(settings);
    std::string error;
    if (!doc.import_dxf(path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
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

int fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

bool has_cmg_extension(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && path.compare(dot, std::string::npos, ".cmg") == 0;
}

int import_and_save(const std::string& dxf, const std::string& cmg) {
    // A plan saved under another name could not be opened again.
    if (!has_cmg_extension(cmg)) {
        return fail(std::string(plandor::kNotCmgMessage) + " : " + cmg);
    }
    const auto settings = platform::make_user_settings("Plandor");
    plandor::CPlandorDoc doc(*settings);
    std::string error;
    if (!doc.import_dxf(dxf, error) || !doc.save_document(cmg, error)) {
        return fail(error);
    }
    std::printf("%d polylines importés, plan enregistré dans %s\n", doc.polylineCount, cmg.c_str());
    return 0;
}

// The machine's speeds for the time estimate: Vexor's settings, whole mm/s.
plandor::PlanOptions machine_speeds(plandor::PlanOptions options) {
    const auto vexor = platform::make_user_settings("Vexor");
    options.cutSpeed = static_cast<float>(vexor->read_int("Decoupe", "SpeedXY", 2));
    options.travelSpeed = static_cast<float>(vexor->read_int("Deplacement", "SpeedXY", 5));
    return options;
}

int plan_and_save(const std::string& dxf, const std::string& cmg, int tabs,
                  const std::string& export_to) {
    if (!has_cmg_extension(cmg)) {
        return fail(std::string(plandor::kNotCmgMessage) + " : " + cmg);
    }
    const auto settings = platform::make_user_settings("Plandor");
    plandor::CPlandorDoc doc(*settings);
    std::string error;
    if (!doc.import_dxf(dxf, error)) {
        return fail(error);
    }
    plandor::PlanOptions options;
    options.tabsPerPart = tabs;
    options = machine_speeds(options);
    const plandor::PlanReport report = plandor::plan_automatically(doc, options);
    if (report.done == 0) {
        return fail(report.error);
    }
    std::fputs(plandor::plan_report_text(report, options).c_str(), stdout);
    if (!doc.save_document(cmg, error)) {
        return fail(error);
    }
    std::printf("Plan enregistré dans %s\n", cmg.c_str());
    if (!export_to.empty()) {
        if (!doc.export_dxf(export_to, error)) {
            return fail(error);
        }
        std::printf("%d contours exportés dans %s\n", report.links, export_to.c_str());
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

int open_and_export(const std::string& cmg, const std::string& dxf) {
    const auto settings = platform::make_user_settings("Plandor");
    plandor::CPlandorDoc doc(*settings);
    std::string error;
    if (!doc.open_document(cmg, error)) {
        return fail(error);
    }
    if (doc.linkCount == 0) {
        return fail("Le plan n'a aucune liaison : il n'y a rien à exporter.");
    }
    if (!doc.export_dxf(dxf, error)) {
        return fail(error);
    }
    // A chained polyline without offset contour writes nothing.
    int written = 0;
    for (int index : doc.cut_order()) {
        written += doc.polylines[static_cast<size_t>(index)]->nbOffsetPoints > 0 ? 1 : 0;
    }
    std::printf("%d contours exportés dans %s\n", written, dxf.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::CommandLine cl;
    if (auto done = platform::parse_program_arguments(
            argc, argv, {"--dump", "--import", "--save", "--export", "--tabs"}, {"--auto"}, kUsage,
            "Plandor version 1.0.2 - Ostrelo", cl, 1)) {
        return *done;
    }
    const bool planning = cl.has("--auto");
    if (planning || cl.has("--tabs")) {
        const int tabs = tab_count(cl.value("--tabs", "2"));
        const char* mistake = !planning ? "--tabs va avec --auto."
                              : !(cl.has("--import") && cl.has("--save"))
                                  ? "--auto demande --import et --save."
                              : cl.has("--dump") || !cl.positional.empty() ? "Argument inattendu."
                              : tabs < 0 ? "--tabs attend un nombre entier de 0 à 50."
                                         : nullptr;
        if (mistake != nullptr) {
            std::fprintf(stderr, "%s\n%s", mistake, kUsage);
            return 1;
        }
        return plan_and_save(cl.value("--import"), cl.value("--save"), tabs, cl.value("--export"));
    }
    const bool exporting = cl.has("--export");
    const size_t positional = exporting ? 1 : 0;
    const bool importing = cl.has("--import") || cl.has("--save");
    const int jobs = (cl.has("--dump") ? 1 : 0) + (importing ? 1 : 0) + (exporting ? 1 : 0);
    if (cl.positional.size() != positional || jobs > 1 ||
        (importing && !(cl.has("--import") && cl.has("--save")))) {
        std::fprintf(stderr, "%s\n%s",
                     importing && !(cl.has("--import") && cl.has("--save"))
                         ? "--import et --save vont ensemble."
                     : exporting && cl.positional.empty() ? "Indiquez le plan .cmg à exporter."
                     : jobs > 1                           ? "Une seule tâche à la fois."
                                                          : "Argument inattendu.",
                     kUsage);
        return 1;
    }
    if (cl.has("--dump")) {
        return dump(cl.value("--dump"));
    }
    if (importing) {
        return import_and_save(cl.value("--import"), cl.value("--save"));
    }
    if (exporting) {
        return open_and_export(cl.positional[0], cl.value("--export"));
    }
    std::fprintf(stderr, "Indiquez ce que Plandor doit faire.\n%s", kUsage);
    return 1;
}
