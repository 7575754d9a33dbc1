#include "move_file.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "driver_rig.h"

using vexor::MoveLine;
using vexor::parse_move_line;

TEST(MoveLine, ReadsPAndZLinesAsTheCScannerWould) {
    MoveLine m;
    ASSERT_TRUE(parse_move_line("P 10.000000 0.010000 -3.5 -0.002 5000\n", m));
    EXPECT_EQ(m.kind, 'P');
    EXPECT_EQ(m.targetX, 10.0f);
    EXPECT_EQ(m.incX, 0.01f);
    EXPECT_EQ(m.targetY, -3.5f);
    EXPECT_EQ(m.incY, -0.002f);
    EXPECT_EQ(m.periodUs, 5000);

    ASSERT_TRUE(parse_move_line("Z-2\t+1e-1  -250 trailing words", m));
    EXPECT_EQ(m.kind, 'Z');
    EXPECT_EQ(m.targetZ, -2.0f);
    EXPECT_EQ(m.incZ, 0.1f);
    EXPECT_EQ(m.periodUs, -250) << "the period keeps its sign";

    ASSERT_TRUE(parse_move_line("P 1 .5 2. 0 12.9\r\n", m));
    EXPECT_EQ(m.incX, 0.5f);
    EXPECT_EQ(m.targetY, 2.0f);
    EXPECT_EQ(m.periodUs, 12);
}

TEST(MoveLine, RefusesAnythingElse) {
    MoveLine m;
    m.targetX = 42;
    for (const char* bad : {"", "\n", "p 1 1 0 0 5", " P 1 1 0 0 5", "X 1 1 0 0 5", "P 1 1 0 0",
                            "P 1 1 0 0 x", "Z 1 1", "P 1,5 1 0 0 5", "Z nan 1 5", "Z 1 inf 5",
                            "Z 1e39 1 5", "Z 1 1 2147483648", "P 1 1 0 0 - 5", "Z 1 ++1 5"}) {
        EXPECT_FALSE(parse_move_line(bad, m)) << '"' << bad << '"';
    }
    EXPECT_FALSE(parse_move_line(std::string_view("Z 1\0 1 5", 8), m)) << "a NUL ends the line";
    EXPECT_EQ(m.targetX, 42.0f) << "a refused line leaves the move as it was";
}

TEST(MoveLine, WrittenWithAPointInAFrenchSession) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr);
    EXPECT_EQ(vexor::p_line_text(10.5f, 0.0049875312f, -0.0f, 0, 997),
              "P 10.500000 0.004988 -0.000000 0.000000 997\n");
    EXPECT_EQ(vexor::z_line_text(-2, -0.0025f, 1250), "Z -2.000000 -0.002500 1250\n");
    MoveLine m;
    EXPECT_TRUE(parse_move_line("Z -2.500000 -0.002500 1250\n", m));
    EXPECT_EQ(m.targetZ, -2.5f);
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(MoveFileReader, ReadsLinesOfAtMost99Characters) {
    vexor::test::TempDir dir("reader");
    const std::string long_line = "P 1 1 0 0 5" + std::string(100, ' ') + "\n";
    vexor::test::write_text(dir.path / "m.dep", "Z 1 1 5\n" + long_line + "P 2 1 0 0 5");
    vexor::MoveFileReader reader;
    ASSERT_TRUE(reader.open((dir.path / "m.dep").string()));
    std::string line;
    ASSERT_TRUE(reader.next_line(line));
    EXPECT_EQ(line, "Z 1 1 5\n");
    ASSERT_TRUE(reader.next_line(line));
    EXPECT_EQ(line.size(), 99u);
    ASSERT_TRUE(reader.next_line(line));
    EXPECT_EQ(line, std::string(12, ' ') + "\n") << "the rest of the long line";
    ASSERT_TRUE(reader.next_line(line));
    EXPECT_EQ(line, "P 2 1 0 0 5");
    EXPECT_FALSE(reader.next_line(line));
    reader.close();
    EXPECT_FALSE(reader.is_open());
    EXPECT_FALSE(reader.open((dir.path / "absent.dep").string()));
}
