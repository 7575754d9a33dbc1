#pragma once
// Small parser for the programs' command lines: options with a value
// ("--dint 30" or "--dint=30"), flags ("--help") and positional arguments.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform {

struct CommandLine {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> positional;

    bool has(const std::string& option) const {
        return values.count(option) != 0 || flags.count(option) != 0;
    }
    std::string value(const std::string& option, const std::string& fallback = {}) const {
        auto it = values.find(option);
        return it == values.end() ? fallback : it->second;
    }
};

// Returns false with a French message in `error` on an unknown option or a
// missing value. An option given twice keeps its last value.
bool parse_command_line(const std::vector<std::string>& args,
                        const std::set<std::string>& with_value, const std::set<std::string>& flags,
                        CommandLine& out, std::string& error);

// A program's arguments: `with_value` and `flags` as above, plus --help and
// --version, at most `max_positional` positional arguments. Returns the exit
// code when the program must stop here: 0 after printing the usage or the
// version on stdout, 1 after a French message and the usage on stderr.
std::optional<int> parse_program_arguments(int argc, char** argv,
                                           const std::set<std::string>& with_value,
                                           std::set<std::string> flags, const char* usage,
                                           const char* version, CommandLine& out,
                                           std::size_t max_positional = 0);

// The exit code of a program that has written to the standard output: `rc`,
// or 1 with a French message on stderr when the output could not be written
// whole (a full disk, a closed file), so no failure passes for a success.
int finish_output(int rc);

}  // namespace platform
