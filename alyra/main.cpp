// Alyra: the tapered-wing profile calculator, as a window or from the command
// line.

#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "batch.h"
#include "command_line.h"
#include "desktop_identity.h"
#include "french_qt.h"
#include "interface.h"
#include "screenshot.h"

int main(int argc, char** argv) {
    std::set<std::string> with_value = alyra::batch_value_options();
    with_value.insert("--screenshot");
    platform::CommandLine cl;
    if (auto done = platform::parse_program_arguments(argc, argv, with_value, alyra::batch_flags(),
                                                      alyra::kUsage, "Alyra 0.9.11", cl)) {
        return platform::finish_output(*done);
    }
    if (!alyra::opens_window(cl)) {
        return platform::finish_output(
            alyra::run_batch(cl, alyra::repeated_values(argc, argv, "--longeron")));
    }

    platform::use_offscreen_for_screenshot(argc, argv);
    QApplication app(argc, argv);
    platform::install_qt_french(app);
    platform::set_desktop_identity(app, "Alyra");
    alyra::Interface window;
    const bool screenshot = cl.has("--screenshot");
    if (alyra::is_batch(cl)) {
        auto model = std::make_unique<alyra::AlyraModel>();
        std::string error;
        if (const int refused = alyra::load_from_command_line(cl, *model, error)) {
            if (refused == 2) {
                return platform::usage_mistake(cl, error);
            }
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        window.adopt(*model);
        if (screenshot && !window.Bt_Calc_Click()) {
            return 1;
        }
    } else if (cl.has("--vrillage-integre")) {
        alyra::AlyraModel model;
        model.fields.chk_vrillage_integre = true;
        window.adopt(model);
    }
    if (screenshot) {
        std::string error;
        if (!platform::save_screenshot({&window}, cl.value("--screenshot"), &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    window.show();
    return app.exec();
}
