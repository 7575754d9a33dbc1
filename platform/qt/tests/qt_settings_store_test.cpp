#include "qt_settings_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

TEST(UserSettingsStore, KeepsIntegersInTheOstreloFolder) {
    const fs::path home = fs::temp_directory_path() / ("settings_test_" + std::to_string(getpid()));
    fs::create_directories(home);
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    {
        auto store = platform::make_user_settings("Essai");
        EXPECT_EQ(store->read_int("Descente", "Prof", -7), -7);
        EXPECT_TRUE(store->write_int("Descente", "Prof", -12));
        EXPECT_TRUE(store->write_int("Machine", "StepX", 15748000));
    }
    const fs::path file = home / "Ostrelo" / "Essai.conf";
    ASSERT_TRUE(fs::exists(file));
    auto again = platform::make_user_settings("Essai");
    EXPECT_EQ(again->read_int("Descente", "Prof", 0), -12);
    EXPECT_EQ(again->read_int("Machine", "StepX", 0), 15748000);

    // A value that is not an integer reads as the default.
    std::ofstream(file, std::ios::app) << "\n[Port]\nLpt=abc\n";
    auto damaged = platform::make_user_settings("Essai");
    EXPECT_EQ(damaged->read_int("Port", "Lpt", 1), 1);
    // ... and says so, which a checked read turns into a notice.
    std::string text;
    EXPECT_TRUE(damaged->unreadable("Port", "Lpt", text));
    EXPECT_EQ(text, "abc");
    EXPECT_FALSE(damaged->unreadable("Machine", "StepX", text)) << "an integer";
    EXPECT_FALSE(damaged->unreadable("Port", "Absent", text));
    std::vector<std::string> notices;
    EXPECT_EQ(platform::read_checked_int(*damaged, "Port", "Lpt", 1, 1, 2, notices), 1);
    EXPECT_EQ(platform::read_checked_int(*damaged, "Machine", "StepX", 7, 0, 15748000, notices),
              15748000);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0],
              "Le réglage Port/Lpt enregistré (« abc ») n'est pas un nombre entier : la valeur par "
              "défaut 1 est utilisée.");
    fs::remove_all(home);
}
