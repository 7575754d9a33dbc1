// Alyra: the tapered-wing profile calculator, from the command line.

#include <cstdio>
#include <string>
#include <vector>

#include "batch.h"
#include "command_line.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    platform::CommandLine cl;
    std::string error;
    if (!platform::parse_command_line(args, alyra::batch_value_options(), alyra::batch_flags(), cl,
                                      error) ||
        !cl.positional.empty()) {
        std::fprintf(stderr, "%s\n%s", error.empty() ? "Argument inattendu." : error.c_str(),
                     alyra::kUsage);
        return 1;
    }
    if (cl.has("--help")) {
        std::printf("%s", alyra::kUsage);
        return 0;
    }
    if (cl.has("--version")) {
        std::printf("Alyra v 0.9.11 - Ostrelo\n");
        return 0;
    }
    if (!alyra::is_batch(cl)) {
        std::fprintf(stderr, "Indiquez les profils ou un projet.\n%s", alyra::kUsage);
        return 1;
    }
    return alyra::run_batch(cl);
}
