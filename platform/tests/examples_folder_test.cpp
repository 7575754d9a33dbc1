#include "examples_folder.h"

#include <gtest/gtest.h>

#include <fstream>

#include "test_files.h"

namespace fs = std::filesystem;

// A program in <prefix>/bin finds <prefix>/share/ostrelo/examples, whatever
// the folder it is started from and wherever a link to it lies; nothing else
// passes for that folder.
TEST(ExamplesFolder, FoundOnlyInThePrefixOfTheProgram) {
    const test_files::TempDir dir("examples_folder");
    const fs::path prefix = dir.path / "usr";
    const fs::path examples = prefix / "share" / "ostrelo" / "examples";
    fs::create_directories(prefix / "bin");
    fs::create_directories(examples);
    std::ofstream(prefix / "bin" / "plandor") << "programme";
    fs::create_directories(dir.path / "ailleurs" / "bin");
    fs::create_symlink(prefix / "bin" / "plandor", dir.path / "ailleurs" / "bin" / "lien");
    // The same layout with a file where the folder should be, and without it.
    fs::create_directories(dir.path / "fichier" / "bin");
    fs::create_directories(dir.path / "fichier" / "share" / "ostrelo");
    std::ofstream(dir.path / "fichier" / "share" / "ostrelo" / "examples") << "pas un dossier";
    std::ofstream(dir.path / "fichier" / "bin" / "plandor") << "programme";
    fs::create_directories(dir.path / "nu" / "bin");
    std::ofstream(dir.path / "nu" / "bin" / "plandor") << "programme";

    const std::string found = fs::canonical(examples).string();
    const struct {
        const char* name;
        fs::path executable;
        std::string found;
    } cases[] = {
        {"installed program", prefix / "bin" / "plandor", found},
        {"path with ..", prefix / "bin" / ".." / "bin" / "plandor", found},
        {"link from another prefix", dir.path / "ailleurs" / "bin" / "lien", found},
        {"a file in place of the folder", dir.path / "fichier" / "bin" / "plandor", ""},
        {"prefix without examples", dir.path / "nu" / "bin" / "plandor", ""},
        {"program that does not exist", dir.path / "absent" / "bin" / "plandor", ""},
        {"empty path", fs::path(), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::examples_folder_beside(c.executable), c.found) << c.name;
    }
}
