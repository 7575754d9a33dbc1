// Plandor: the cut-planning editor. For now it works from the command line:
// --dump shows what the import of a DXF drawing gives.

#include <cstdio>
#include <string>
#include <vector>

#include "c_format.h"
#include "command_line.h"
#include "plandor_doc.h"
#include "settings_store.h"

namespace {

constexpr const char* kUsage =
    "Usage : plandor --dump FICHIER.dxf\n"
    "  --dump FICHIER.dxf  importe le dessin dans un document nouveau et affiche,\n"
    "                      pour chaque polyline i, la ligne \"POLYLINE i n\" puis\n"
    "                      ses n points \"x y z\", un par ligne\n"
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

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    platform::CommandLine cl;
    std::string error;
    if (!platform::parse_command_line(args, {"--dump"}, {"--help", "--version"}, cl, error) ||
        !cl.positional.empty()) {
        std::fprintf(stderr, "%s\n%s", error.empty() ? "Argument inattendu." : error.c_str(),
                     kUsage);
        return 1;
    }
    if (cl.has("--help")) {
        std::printf("%s", kUsage);
        return 0;
    }
    if (cl.has("--version")) {
        std::printf("Plandor version 1.0.2 - Ostrelo\n");
        return 0;
    }
    if (cl.has("--dump")) {
        return dump(cl.value("--dump"));
    }
    std::fprintf(stderr, "Indiquez ce que Plandor doit faire.\n%s", kUsage);
    return 1;
}
