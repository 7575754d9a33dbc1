#include "command_line.h"

namespace platform {

bool parse_command_line(const std::vector<std::string>& args,
                        const std::set<std::string>& with_value, const std::set<std::string>& flags,
                        CommandLine& out, std::string& error) {
    out = CommandLine{};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::string inline_value;
        bool has_inline = false;
        if (auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            inline_value = arg.substr(eq + 1);
            has_inline = true;
        }
        if (with_value.count(name)) {
            if (has_inline) {
                out.values[name] = inline_value;
            } else if (i + 1 < args.size()) {
                out.values[name] = args[++i];
            } else {
                error = "L'option " + name + " attend une valeur.";
                return false;
            }
        } else if (flags.count(name) && !has_inline) {
            out.flags.insert(name);
        } else {
            error = "Option inconnue : " + arg;
            return false;
        }
    }
    return true;
}

}  // namespace platform
