// Plandor: the cut-planning editor. For now it works from the command line:
// --dump shows what the import of a DXF drawing gives, --import/--save makes a
// plan of a drawing and --export writes the cut of a plan; with --curves the
// import reads every curve of the drawing.

#include <cstdio>
#include <string>
#include <vector>

#include "c_format.h"
#include "command_line.h"
#include "plandor_doc.h"
#include "settings_store.h"

namespace {

constexpr const char* kUsage =
    "Usage : plandor --dump FICHIER.dxf [--curves]\n"
    "        plandor --import FICHIER.dxf [--curves] --save PLAN.cmg\n"
    "        plandor --export SORTIE.dxf PLAN.cmg\n"
    "  --dump FICHIER.dxf  importe le dessin dans un document nouveau et affiche,\n"
    "                      pour chaque polyline i, la ligne \"POLYLINE i n\" puis\n"
    "                      ses n points \"x y z\", un par ligne\n"
    "  --import FICHIER.dxf --save PLAN.cmg\n"
    "                      importe le dessin dans un document nouveau (réglages de\n"
    "                      l'utilisateur) et l'enregistre comme plan .cmg\n"
    "  --curves            importe toutes les courbes du dessin (arcs, cercles,\n"
    "                      ellipses, splines, blocs, polylignes légères), pièces\n"
    "                      chaînées en contours, en mm quelles que soient ses unités\n"
    "  --export SORTIE.dxf PLAN.cmg\n"
    "                      ouvre le plan et écrit ses contours dans l'ordre des\n"
    "                      liaisons, coupés aux points d'accroche\n"
    "  --help              affiche cette aide\n"
    "  --version           affiche la version\n";

// Imports a drawing into `doc` with the import the options choose; the
// report says what was read.
bool import_drawing(plandor::CPlandorDoc& doc, const std::string& path, bool curves,
                    std::string& report) {
    if (curves) {
        return doc.import_dxf_curves(path, report) != 0;
    }
    return doc.import_dxf(path, report, &report) != 0;
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

int fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

bool has_cmg_extension(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && path.compare(dot, std::string::npos, ".cmg") == 0;
}

int import_and_save(const std::string& dxf, const std::string& cmg, bool curves) {
    // A plan saved under another name could not be opened again.
    if (!has_cmg_extension(cmg)) {
        return fail(std::string(plandor::kNotCmgMessage) + " : " + cmg);
    }
    const auto settings = platform::make_user_settings("Plandor");
    plandor::CPlandorDoc doc(*settings);
    std::string report;
    if (!import_drawing(doc, dxf, curves, report)) {
        return fail(report);
    }
    std::string error;
    if (!doc.save_document(cmg, error)) {
        return fail(error);
    }
    std::fputs(report.c_str(), stdout);
    std::printf("%d polylines importés, plan enregistré dans %s\n", doc.polylineCount, cmg.c_str());
    return 0;
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
            argc, argv, {"--dump", "--import", "--save", "--export"}, {"--curves"}, kUsage,
            "Plandor version 1.0.2 - Ostrelo", cl, 1)) {
        return *done;
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
    if (cl.has("--curves") && !cl.has("--dump") && !importing) {
        std::fprintf(stderr, "--curves va avec --dump ou --import.\n%s", kUsage);
        return 1;
    }
    if (cl.has("--dump")) {
        return dump(cl.value("--dump"), cl.has("--curves"));
    }
    if (importing) {
        return import_and_save(cl.value("--import"), cl.value("--save"), cl.has("--curves"));
    }
    if (exporting) {
        return open_and_export(cl.positional[0], cl.value("--export"));
    }
    std::fprintf(stderr, "Indiquez ce que Plandor doit faire.\n%s", kUsage);
    return 1;
}
