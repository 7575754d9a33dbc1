#include "command_line.h"

#include <gtest/gtest.h>

using platform::CommandLine;
using platform::parse_command_line;

TEST(CommandLine, ValuesFlagsAndPositionals) {
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(
        parse_command_line({"--dint", "30", "--dext=50,5", "-o", "x.dat", "--help", "f.dxf"},
                           {"--dint", "--dext", "-o"}, {"--help"}, cl, error));
    EXPECT_EQ(cl.value("--dint"), "30");
    EXPECT_EQ(cl.value("--dext"), "50,5");
    EXPECT_EQ(cl.value("-o"), "x.dat");
    EXPECT_EQ(cl.value("--dega", "10"), "10");
    EXPECT_TRUE(cl.has("--help"));
    EXPECT_FALSE(cl.has("--version"));
    EXPECT_EQ(cl.positional, std::vector<std::string>{"f.dxf"});
    // A value may itself start with a minus sign.
    ASSERT_TRUE(parse_command_line({"--dint", "-5"}, {"--dint"}, {}, cl, error));
    EXPECT_EQ(cl.value("--dint"), "-5");
}

TEST(CommandLine, RefusesUnknownOptionsAndMissingValues) {
    CommandLine cl;
    std::string error;
    EXPECT_FALSE(parse_command_line({"--inconnu"}, {"--dint"}, {}, cl, error));
    EXPECT_EQ(error, "Option inconnue : --inconnu");
    EXPECT_FALSE(parse_command_line({"--dint"}, {"--dint"}, {}, cl, error));
    EXPECT_EQ(error, "L'option --dint attend une valeur.");
    EXPECT_FALSE(parse_command_line({"--help=1"}, {}, {"--help"}, cl, error));
}

TEST(ProgramArguments, StopsWithTheRightExitCode) {
    auto run = [](std::vector<std::string> words, CommandLine& cl) {
        std::vector<char*> argv;
        for (std::string& w : words) {
            argv.push_back(w.data());
        }
        return platform::parse_program_arguments(static_cast<int>(argv.size()), argv.data(), {"-o"},
                                                 {"--simulate"}, "usage\n", "v1", cl, 1);
    };
    CommandLine cl;
    const struct {
        std::vector<std::string> words;
        std::optional<int> code;
    } cases[] = {
        {{"/usr/bin/prog", "--help"}, 0}, {{"prog", "-h"}, 0},           {{"prog", "--version"}, 0},
        {{"prog", "--bogus"}, 2},         {{"prog", "a", "b"}, 2},       {{"prog", "-o"}, 2},
        {{"prog", "--out"}, 2},           {{"prog", "--simulate=1"}, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.words, cl), c.code) << c.words.back();
    }
    EXPECT_EQ(cl.program, "prog");
    EXPECT_EQ(run({"prog", "--simulate", "-o", "x", "plan.dxf"}, cl), std::nullopt);
    EXPECT_EQ(cl.value("-o"), "x");
    EXPECT_TRUE(cl.has("--simulate"));
    EXPECT_EQ(cl.positional, std::vector<std::string>{"plan.dxf"});
    // --out is -o for a program that declares -o.
    EXPECT_EQ(run({"prog", "--out=y"}, cl), std::nullopt);
    EXPECT_EQ(cl.value("-o"), "y");
}
