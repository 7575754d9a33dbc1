#include "save_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "test_files.h"

using test_files::read_bytes;

namespace fs = std::filesystem;

TEST(SaveFile, WritesExactBytesAndReplacesTheOldFile) {
    const fs::path dir = fs::temp_directory_path() / ("save_file_test_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "Etoile é.dat";
    const std::string bytes("a\r\nb\0c\n", 7);
    ASSERT_TRUE(platform::save_file(file.string(), bytes));
    EXPECT_EQ(read_bytes(file), bytes);
    ASSERT_TRUE(platform::save_file(file.string(), "court"));
    EXPECT_EQ(read_bytes(file), "court");
    // Nothing but the target is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
    fs::remove_all(dir);
}

TEST(SaveFile, AFailedSaveReportsAndKeepsTheOldFile) {
    const fs::path dir = fs::temp_directory_path() / ("save_file_ro_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "garde.dat";
    ASSERT_TRUE(platform::save_file(file.string(), "ancien"));

    std::string error;
    EXPECT_FALSE(platform::save_file((dir / "absent" / "x.dat").string(), "x", &error));
    EXPECT_NE(error.find("Impossible de créer le fichier"), std::string::npos);
    EXPECT_FALSE(platform::save_file("", "x", &error));
    EXPECT_EQ(error, "Aucun nom de fichier n'est donné.");

    // A target that is a folder cannot be replaced.
    fs::create_directories(dir / "dossier");
    EXPECT_FALSE(platform::save_file((dir / "dossier").string(), "x", &error));

    if (geteuid() != 0) {  // root writes through permissions
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(platform::save_file(file.string(), "nouveau", &error));
        fs::permissions(dir, fs::perms::owner_all);
    }
    EXPECT_EQ(read_bytes(file), "ancien");
    fs::remove_all(dir);
}
