#include "save_file.h"

#include <cerrno>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "file_errors.h"
#include "read_file.h"
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

    // A name that is not UTF-8 is written under its own bytes.
    const std::string latin1 = (dir / "Etoile\xE9.dat").string();
    ASSERT_TRUE(platform::save_file(latin1, "x"));
    EXPECT_EQ(read_bytes(latin1), "x");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 2);

    // A link stays a link: its target gets the bytes.
    fs::create_symlink("Etoile\xE9.dat", dir / "lien.dat");
    ASSERT_TRUE(platform::save_file((dir / "lien.dat").string(), "par le lien"));
    EXPECT_TRUE(fs::is_symlink(dir / "lien.dat"));
    EXPECT_EQ(read_bytes(latin1), "par le lien");
    fs::remove_all(dir);
}

TEST(SaveFile, APieceByPieceFileAppearsOnlyWhenCommitted) {
    const fs::path dir = fs::temp_directory_path() / ("atomic_file_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "trace.csv";
    {
        platform::AtomicFile dropped;
        ASSERT_TRUE(dropped.open(file.string()));
        EXPECT_TRUE(dropped.write("abandonné"));
    }
    EXPECT_TRUE(fs::is_empty(dir));

    platform::AtomicFile atomic;
    ASSERT_TRUE(atomic.open(file.string()));
    EXPECT_TRUE(atomic.write("a,"));
    EXPECT_TRUE(atomic.write("b\n"));
    EXPECT_FALSE(fs::exists(file));
    ASSERT_TRUE(atomic.commit());
    EXPECT_EQ(read_bytes(file), "a,b\n");
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
    EXPECT_EQ(error, "Impossible de créer le fichier « " + (dir / "absent" / "x.dat").string() +
                         " » : dossier « " + (dir / "absent").string() + " » introuvable.");
    EXPECT_FALSE(platform::save_file("", "x", &error));
    EXPECT_EQ(error, "Aucun nom de fichier n'est donné.");

    // A target that is a folder cannot be replaced.
    fs::create_directories(dir / "dossier");
    EXPECT_FALSE(platform::save_file((dir / "dossier").string(), "x", &error));

    if (geteuid() != 0) {  // root writes through permissions
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(platform::save_file(file.string(), "nouveau", &error));
        EXPECT_NE(error.find("dossier « " + dir.string() + " » : permission refusée"),
                  std::string::npos)
            << error;
        fs::permissions(dir, fs::perms::owner_all);
    }
    EXPECT_EQ(read_bytes(file), "ancien");
    fs::remove_all(dir);
}

TEST(OutputFolder, IsMadeWhenMissingOrRefusedWithTheReason) {
    test_files::TempDir dir("output_folder");
    const std::string nested = (dir.path / "sortie" / "profils").string();
    std::string error;
    ASSERT_TRUE(platform::make_output_folder(nested, error)) << error;
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(platform::make_output_folder(nested, error)) << "an existing folder is kept";

    ASSERT_TRUE(platform::save_file((dir.path / "fichier").string(), "x"));
    EXPECT_FALSE(platform::make_output_folder((dir.path / "fichier").string(), error));
    EXPECT_NE(error.find("n'est pas un dossier"), std::string::npos) << error;

    if (geteuid() != 0) {
        const fs::path locked = dir.path / "verrou";
        fs::create_directories(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        for (const fs::path& target : {locked / "sortie", locked}) {
            EXPECT_FALSE(platform::make_output_folder(target.string(), error));
            EXPECT_NE(error.find("dossier « " + target.string() + " » : permission refusée"),
                      std::string::npos)
                << error;
        }
        EXPECT_FALSE(fs::exists(locked / "sortie"));
        fs::permissions(locked, fs::perms::owner_all);
    }
    // A full disk is named as such (Qt reports it apart from other errors).
    EXPECT_EQ(platform::system_reason(ENOSPC), "disque plein");
}

TEST(ReadFile, ReadsOnlyAWholeRegularFileWithinItsLimit) {
    test_files::TempDir dir("read_file_test");
    const std::string bytes("a\r\nb\0c\n", 7);
    ASSERT_TRUE(platform::save_file((dir.path / "ok.dat").string(), bytes));
    ASSERT_TRUE(platform::save_file((dir.path / "lu.dat").string(), "secret"));
    fs::permissions(dir.path / "lu.dat", fs::perms::none);
    ASSERT_EQ(mkfifo((dir.path / "tube").c_str(), 0600), 0);
    fs::create_directories(dir.path / "dossier");
    const std::string at = dir.path.string() + "/";
    struct Case {
        std::string file;
        std::size_t limit;
        std::string error;  // empty: read whole
    };
    std::vector<Case> cases = {
        {"ok.dat", 7, ""},
        {"absent.dat", 7, "Impossible d'ouvrir le fichier « " + at + "absent.dat » : introuvable."},
        {"dossier", 7,
         "Impossible d'ouvrir le fichier « " + at + "dossier » : ce n'est pas un fichier."},
        // A pipe nobody writes to is refused at once, not waited on.
        {"tube", 7, "Impossible d'ouvrir le fichier « " + at + "tube » : ce n'est pas un fichier."},
        {"ok.dat", 6, "Le fichier « " + at + "ok.dat » est trop grand pour être lu."},
    };
    if (::geteuid() != 0) {  // root reads everything
        cases.push_back(
            {"lu.dat", 7,
             "Impossible d'ouvrir le fichier « " + at + "lu.dat » : permission refusée."});
    }
    for (const Case& c : cases) {
        std::string read = "avant";
        std::string error;
        const bool ok = platform::read_file(at + c.file, read, error, c.limit);
        EXPECT_EQ(ok, c.error.empty()) << c.file;
        EXPECT_EQ(error, c.error) << c.file;
        EXPECT_EQ(read, ok ? bytes : "avant") << c.file;
        EXPECT_EQ(platform::check_readable_file(at + c.file, error), ok || c.limit == 6) << c.file;
    }
}
