#pragma once
// Small parser for the programs' command lines: options with a value
// ("--dint 30" or "--dint=30"), flags ("--help") and positional arguments.

#include <map>
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

}  // namespace platform
