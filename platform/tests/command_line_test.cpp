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
    EXPECT_EQ(run({"prog", "-h"}, cl), 0);
    EXPECT_EQ(run({"prog", "--version"}, cl), 0);
    EXPECT_EQ(run({"prog", "--bogus"}, cl), 2);
    EXPECT_EQ(run({"prog", "a", "b"}, cl), 2);
    EXPECT_EQ(run({"prog", "--out"}, cl), 2);
    EXPECT_EQ(run({"/usr/bin/prog", "--simulate", "--out=x", "plan.dxf"}, cl), std::nullopt);
    EXPECT_EQ(cl.program, "prog");
    EXPECT_EQ(cl.value("-o"), "x");  // --out is -o for a program that declares -o
    EXPECT_TRUE(cl.has("--simulate"));
    EXPECT_EQ(cl.positional, std::vector<std::string>{"plan.dxf"});
}
