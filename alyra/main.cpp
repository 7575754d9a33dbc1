// Alyra: the tapered-wing profile calculator, from the command line.

#include <string>
#include <vector>

#include "batch.h"
#include "command_line.h"

int main(int argc, char** argv) {
    platform::CommandLine cl;
    if (auto done = platform::parse_program_arguments(argc, argv, alyra::batch_value_options(),
                                                      alyra::batch_flags(), alyra::kUsage,
                                                      "Alyra 0.9.11", cl)) {
        return *done;
    }
    if (!alyra::is_batch(cl)) {
        return platform::usage_mistake(cl, "Indiquez les profils ou un projet");
    }
    return alyra::run_batch(cl);
}
