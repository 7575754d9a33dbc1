#include "command_line.h"

#include <cstdio>

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

std::optional<int> parse_program_arguments(int argc, char** argv,
                                           const std::set<std::string>& with_value,
                                           std::set<std::string> flags, const char* usage,
                                           const char* version, CommandLine& out,
                                           std::size_t max_positional) {
    flags.insert("--help");
    flags.insert("--version");
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    if (!parse_command_line(args, with_value, flags, out, error)) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), usage);
        return 1;
    }
    if (out.positional.size() > max_positional) {
        std::fprintf(stderr, "Argument inattendu : %s\n%s", out.positional.back().c_str(), usage);
        return 1;
    }
    if (out.has("--help")) {
        std::printf("%s", usage);
        return 0;
    }
    if (out.has("--version")) {
        std::printf("%s\n", version);
        return 0;
    }
    return std::nullopt;
}

int finish_output(int rc) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "La sortie standard n'a pas pu être écrite en entier.\n");
        return 1;
    }
    return rc;
}

}  // namespace platform
