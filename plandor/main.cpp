// Plandor: the cut-planning editor. For now it works from the command line:
// --dump shows what the import of a DXF drawing gives, --import/--save makes a
// plan of a drawing and --export writes the cut of a plan.

#include <cstdio>
#include <string>
#include <vector>

#include "c_format.h"
#include "command_line.h"
#include "file_errors.h"
#include "plandor_doc.h"
#include "settings_store.h"

namespace {

constexpr const char* kUsage =
    "Usage : plandor --dump FICHIER.dxf\n"
    "        plandor --import FICHIER.dxf -o PLAN.cmg\n"
    "        plandor --export SORTIE.dxf PLAN.cmg\n"
    "  --dump FICHIER.dxf  importe le dessin dans un document nouveau et affiche,\n"
    "                      pour chaque polyline i, la ligne \"POLYLINE i n\" puis\n"
    "                      ses n points \"x y z\", un par ligne\n"
    "  --import FICHIER.dxf -o PLAN.cmg (ou --out, --save PLAN.cmg)\n"
    "                      importe le dessin dans un document nouveau (rayon de\n"
    "                      fraise, attaches et planche des réglages de l'utilisateur,\n"
    "                      ~/.config/Ostrelo/Plandor.conf) et l'enregistre comme plan\n"
    "                      .cmg ; son dossier est créé s'il n'existe pas\n"
    "  --export SORTIE.dxf PLAN.cmg\n"
    "                      ouvre le plan et écrit ses contours dans l'ordre des\n"
    "                      liaisons, coupés aux points d'accroche, dans SORTIE.dxf\n"
    "                      (son dossier est créé s'il n'existe pas)\n";

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

// The stored settings replaced by their defaults, one line each.
void print_notices(const plandor::CPlandorDoc& doc) {
    for (const std::string& notice : doc.settingsNotices) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
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
    print_notices(doc);
    std::string error;
    if (!doc.import_dxf(dxf, error) ||
        !platform::make_output_folder(platform::folder_of(cmg), error) ||
        !doc.save_document(cmg, error)) {
        return fail(error);
    }
    std::printf("%d polylines importés, plan enregistré dans %s\n", doc.polylineCount, cmg.c_str());
    return 0;
}

int open_and_export(const std::string& cmg, const std::string& dxf) {
    const auto settings = platform::make_user_settings("Plandor");
    plandor::CPlandorDoc doc(*settings);
    print_notices(doc);
    std::string error;
    if (!doc.open_document(cmg, error)) {
        return fail(error);
    }
    if (doc.linkCount == 0) {
        return fail("Le plan n'a aucune liaison : il n'y a rien à exporter.");
    }
    if (!platform::make_output_folder(platform::folder_of(dxf), error) ||
        !doc.export_dxf(dxf, error)) {
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
            argc, argv, {"--dump", "--import", "--save", "-o", "--export"}, {}, kUsage,
            "Plandor 1.0.2", cl, 1)) {
        return platform::finish_output(*done);
    }
    // -o (--out) is the plan written by --import, as --save.
    const bool saving = cl.has("--save") || cl.has("-o");
    const std::string plan = cl.value("--save", cl.value("-o"));
    const bool exporting = cl.has("--export");
    const size_t positional = exporting ? 1 : 0;
    const bool importing = cl.has("--import") || saving;
    const int jobs = (cl.has("--dump") ? 1 : 0) + (importing ? 1 : 0) + (exporting ? 1 : 0);
    if (cl.has("--save") && cl.has("-o")) {
        return platform::usage_mistake(cl, "--save et -o nomment le même plan : l'un ou l'autre");
    }
    if (importing && !(cl.has("--import") && saving)) {
        return platform::usage_mistake(cl, "--import et -o (ou --save) vont ensemble");
    }
    if (jobs > 1) {
        return platform::usage_mistake(cl, "Une seule tâche à la fois");
    }
    if (exporting && cl.positional.empty()) {
        return platform::usage_mistake(cl, "Indiquez le plan .cmg à exporter");
    }
    if (cl.positional.size() != positional) {
        return platform::usage_mistake(cl, "Argument inattendu : " + cl.positional.back());
    }
    if (cl.has("--dump")) {
        return platform::finish_output(dump(cl.value("--dump")));
    }
    if (importing) {
        return platform::finish_output(import_and_save(cl.value("--import"), plan));
    }
    if (exporting) {
        return platform::finish_output(open_and_export(cl.positional[0], cl.value("--export")));
    }
    return platform::usage_mistake(cl, "Indiquez ce que Plandor doit faire");
}
