#include "command_line.h"

#include <cstdio>

#include "examples_folder.h"

namespace platform {

namespace {

constexpr const char* kCommonHelp =
    "  -h, --help    affiche cette aide\n"
    "  --version     affiche la version\n"
    "Code de sortie : 0 réussite, 1 données refusées ou travail en échec (message sur la\n"
    "sortie d'erreur), 2 erreur d'utilisation.\n";

std::string program_name(const char* argv0) {
    const std::string path = argv0 ? argv0 : "";
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What follows an option that wants a value but is itself an option: a
// forgotten value must not take the next option ("--dext -o x.dat"). A
// negative number ("-40") is a value.
bool looks_like_option(const std::string& arg) {
    return arg.rfind("--", 0) == 0 || arg == "-o";
}

}  // namespace

bool parse_command_line(const std::vector<std::string>& args,
                        const std::set<std::string>& with_value, const std::set<std::string>& flags,
                        CommandLine& out, std::string& error,
                        const std::map<std::string, std::string>& aliases) {
    const std::string program = out.program;
    out = CommandLine{};
    out.program = program;
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
        if (auto alias = aliases.find(name); alias != aliases.end()) {
            name = alias->second;
        }
        if (with_value.count(name)) {
            if (has_inline) {
                out.values[name] = inline_value;
            } else if (i + 1 < args.size() && !looks_like_option(args[i + 1])) {
                out.values[name] = args[++i];
            } else {
                error = "L'option " + arg + " attend une valeur.";
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
    std::map<std::string, std::string> aliases = {{"-h", "--help"}};
    if (with_value.count("-o") && !with_value.count("--out")) {
        aliases["--out"] = "-o";
    } else if (with_value.count("--out") && !with_value.count("-o")) {
        aliases["-o"] = "--out";
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    out.program = program_name(argc > 0 ? argv[0] : nullptr);
    std::string error;
    if (!parse_command_line(args, with_value, flags, out, error, aliases)) {
        return usage_mistake(out, error);
    }
    if (out.has("--help")) {
        std::printf("%s%s", usage, kCommonHelp);
        // Last, so that the manual page made from this text can leave it out.
        if (const std::string examples = examples_folder(); !examples.empty()) {
            std::printf("Exemples : %s\n", examples.c_str());
        }
        return 0;
    }
    if (out.has("--version")) {
        std::printf("%s\n", version);
        return 0;
    }
    if (out.positional.size() > max_positional) {
        return usage_mistake(out, "Argument inattendu : " + out.positional.back());
    }
    return std::nullopt;
}

int usage_mistake(const CommandLine& cl, const std::string& message) {
    std::string line = message;
    if (!line.empty() && line.back() == '.') {
        line.pop_back();
    }
    std::fprintf(stderr, "%s (voir « %s --help »)\n", line.c_str(), cl.program.c_str());
    return kExitUsage;
}

int refuse(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return kExitRefused;
}

int finish_output(int rc) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "La sortie standard n'a pas pu être écrite en entier.\n");
        return 1;
    }
    return rc;
}

}  // namespace platform
