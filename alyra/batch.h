#pragma once
// Alyra without a window: loads two profiles (or a project), computes the
// panel as "Calculer les nouveaux profils" does and writes the three result
// files under their proposed names.

#include <set>
#include <string>
#include <vector>

#include "alyra_model.h"
#include "command_line.h"

namespace alyra {

extern const char* const kUsage;

// Options that take a value, and flags.
const std::set<std::string>& batch_value_options();
const std::set<std::string>& batch_flags();

// True when the command line asks for the batch mode.
bool is_batch(const platform::CommandLine& cl);

// True when the command line asks for the window: no option, a screenshot,
// or a project to open without a folder for its results.
bool opens_window(const platform::CommandLine& cl);

// Loads what the command line names into `model`: a project, or both
// profiles with the field options and the project name. Returns 0 when
// loaded, 1 when a file is refused and 2 for a usage mistake, with the
// message in `error`.
int load_from_command_line(const platform::CommandLine& cl, AlyraModel& model, std::string& error);

// Every value of an option that may be repeated (--longeron), in order.
std::vector<std::string> repeated_values(int argc, char** argv, const std::string& option);

// Runs the batch mode; `longerons` are the values of --longeron. French
// messages on stderr, 0 on success, 1 otherwise.
int run_batch(const platform::CommandLine& cl, const std::vector<std::string>& longerons = {});

}  // namespace alyra
