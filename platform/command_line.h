#pragma once
// Small parser for the programs' command lines: options with a value
// ("--dint 30" or "--dint=30"), flags ("--help") and positional arguments.
//
// The suite's convention, kept here for the five programs: -h/--help and
// --version everywhere; -o and --out are one option (the output file or
// folder); exit code 0 on success, 1 on a refused input or a failed job, 2 on
// a usage mistake, told on one line that names the mistake and --help.

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

struct CommandLine {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> positional;
    std::string program;  // the program's name as run, for the messages

    bool has(const std::string& option) const {
        return values.count(option) != 0 || flags.count(option) != 0;
    }
    std::string value(const std::string& option, const std::string& fallback = {}) const {
        auto it = values.find(option);
        return it == values.end() ? fallback : it->second;
    }
};

// Returns false with a French message in `error` on an unknown option or a
// missing value (an option's value cannot begin with "--" nor be "-o": that
// is the next option, the value was forgotten). An option given twice keeps its last value. An
// option named in `aliases` is stored under the name it maps to.
bool parse_command_line(const std::vector<std::string>& args,
                        const std::set<std::string>& with_value, const std::set<std::string>& flags,
                        CommandLine& out, std::string& error,
                        const std::map<std::string, std::string>& aliases = {});

// A program's arguments: `with_value` and `flags` as above, plus -h/--help
// and --version, at most `max_positional` positional arguments; a program
// that takes -o also takes --out, and the other way round (stored under the
// name it declares). Returns the exit code when the program must stop here:
// 0 after printing the usage (followed by the convention's common lines and
// a line naming the examples folder when the program has one) or
// the version on stdout, 2 after one line on stderr naming the mistake.
std::optional<int> parse_program_arguments(int argc, char** argv,
                                           const std::set<std::string>& with_value,
                                           std::set<std::string> flags, const char* usage,
                                           const char* version, CommandLine& out,
                                           std::size_t max_positional = 0);

// A usage mistake found by the program itself (options that do not go
// together, a missing one): prints "<message> (voir « prog --help »)" on
// stderr and returns 2.
int usage_mistake(const CommandLine& cl, const std::string& message);

// A refused input or a failed piece of work: prints the French message on
// stderr and returns 1.
int refuse(const std::string& message);
// The exit code of a program that has written to the standard output: `rc`,
// or 1 with a French message on stderr when the output could not be written
// whole (a full disk, a closed file), so no failure passes for a success.
int finish_output(int rc);

// Checks the value of each option of `options` (pairs of option and caption,
// "--dext", "Le diamètre extérieur") given on the command line with `check`:
// false, with its message in `error`, at the first value refused; a notice
// `check` gives (a decimal comma read as its end) goes to stderr.
using ValueCheck = bool (*)(std::string_view text, const std::string& caption, std::string& notice,
                            std::string& error);
template <class Options>
bool check_option_values(const CommandLine& cl, const Options& options, ValueCheck check,
                         std::string& error) {
    for (const auto& [option, caption] : options) {
        std::string notice;
        if (cl.has(option) && !check(cl.value(option), caption, notice, error)) {
            return false;
        }
        if (!notice.empty()) {
            std::fprintf(stderr, "%s\n", notice.c_str());
        }
    }
    return true;
}

}  // namespace platform
