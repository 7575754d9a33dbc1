// Alyra: the tapered-wing profile calculator, from the command line.

#include <cstdio>
#include <string>
#include <vector>

#include "batch.h"
#include "command_line.h"

int main(int argc, char** argv) {
    platform::CommandLine cl;
    if (auto done = platform::parse_program_arguments(argc, argv, alyra::batch_value_options(),
                                                      alyra::batch_flags(), alyra::kUsage,
                                                      "Alyra v 0.9.11 - Ostrelo", cl)) {
        return platform::finish_output(*done);
    }
    if (!alyra::is_batch(cl)) {
        std::fprintf(stderr, "Indiquez les profils ou un projet.\n%s", alyra::kUsage);
        return 1;
    }
    return platform::finish_output(alyra::run_batch(cl));
}
