// Every writer of the suite on a full disk: a small tmpfs mounted in a
// private mount namespace, filled up, then each program writing over files
// that exist there. With every amount of free space from none to enough, a
// program either succeeds with every file whole, or fails with a message and
// exit code 1, each old file still whole and no temporary file left.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "program_run.h"

namespace fs = std::filesystem;
using program_run::names_in;

namespace {

constexpr const char* kOld = "ancien contenu\n";
constexpr const char* kFiller = "remplissage";
constexpr off_t kPage = 4096;

struct Writer {
    const char* name;
    std::string program;
    std::vector<std::string> args;
    std::string config;  // settings file of the program, if any
    const char* config_as;
};

const std::string kSource = OSTRELO_SOURCE_DIR;

std::vector<Writer> writers() {
    return {
        {"stelmo", STELMO_PROGRAM, {"-o", "e.dat"}, "", ""},
        {"cadrex", CADREX_PROGRAM, {"-o", "c.dat"}, "", ""},
        {"alyra",
         ALYRA_PROGRAM,
         {"--root", kSource + "/examples/naca2412.dat", "--tip", kSource + "/examples/naca0012.dat",
          "--nom", "Aile", "--out", ".", "--save-project", "Aile.alyra"},
         "",
         ""},
        {"plandor_cmg",
         PLANDOR_PROGRAM,
         {"--import", kSource + "/plandor/tests/data/nervure.dxf", "--save", "n.cmg"},
         "",
         ""},
        {"plandor_dxf",
         PLANDOR_PROGRAM,
         {"--export", "d.dxf", kSource + "/plandor/tests/data/plan_complet.cmg"},
         "",
         ""},
        {"vexor",
         VEXOR_PROGRAM,
         {"--simulate", kSource + "/vexor/tests/data/ligne.dxf"},
         kSource + "/vexor/tests/data/machine100.conf",
         "Vexor.conf"},
    };
}

// Fills the file system of `folder` and gives back `free` bytes.
bool fill_leaving(const fs::path& folder, off_t free) {
    const int fd = ::open((folder / kFiller).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    static const std::string chunk(65536, 'x');
    for (size_t size = chunk.size(); size > 0; size /= 2) {
        while (::write(fd, chunk.data(), size) == static_cast<ssize_t>(size)) {
        }
    }
    const off_t end = ::lseek(fd, 0, SEEK_END);
    const bool ok = errno == ENOSPC && ::ftruncate(fd, end > free ? end - free : 0) == 0;
    ::close(fd);
    return ok;
}

class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) {
            GTEST_SKIP() << "cannot run: mounting a small file system needs root";
        }
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            GTEST_SKIP() << "cannot run: no private mount namespace (" << std::strerror(errno)
                         << ")";
        }
        scratch_ = fs::temp_directory_path() / ("full_disk_" + std::to_string(getpid()));
        fs::remove_all(scratch_);
        disk_ = scratch_ / "disk";
        fs::create_directories(disk_);
        if (mount("tmpfs", disk_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") != 0) {
            GTEST_SKIP() << "cannot run: tmpfs cannot be mounted (" << std::strerror(errno) << ")";
        }
    }
    void TearDown() override {
        if (!disk_.empty()) {
            umount(disk_.c_str());
        }
        if (!scratch_.empty()) {
            fs::remove_all(scratch_);
        }
    }

    fs::path scratch_;
    fs::path disk_;
};

TEST_F(FullDisk, EveryWriterFailsCleanlyAndKeepsTheOldFile) {
    for (const Writer& w : writers()) {
        SCOPED_TRACE(w.name);
        const fs::path config = scratch_ / w.name / "config";
        fs::create_directories(config / "Ostrelo");
        if (!w.config.empty()) {
            fs::copy_file(w.config, config / "Ostrelo" / w.config_as);
        }
        // What the program writes with room enough.
        const fs::path reference = scratch_ / w.name / "reference";
        fs::create_directories(reference);
        const auto ref =
            program_run::run(w.program, w.args, reference, config, scratch_ / "capture");
        ASSERT_EQ(ref.rc, 0) << ref.err;
        std::map<std::string, std::string> expected;
        for (const std::string& name : names_in(reference)) {
            expected[name] = program_run::slurp(reference / name);
        }
        ASSERT_FALSE(expected.empty());

        bool succeeded = false;
        for (off_t free = 0; free <= 64 * kPage && !succeeded; free += kPage) {
            SCOPED_TRACE("free bytes: " + std::to_string(free));
            for (const auto& entry : fs::directory_iterator(disk_)) {
                fs::remove(entry.path());
            }
            for (const auto& [name, bytes] : expected) {
                std::ofstream(disk_ / name, std::ios::binary) << kOld;
            }
            ASSERT_TRUE(fill_leaving(disk_, free));
            const auto r = program_run::run(w.program, w.args, disk_, config, scratch_ / "capture");
            succeeded = r.rc == 0;
            int whole = 0;
            for (const auto& [name, bytes] : expected) {
                const std::string now = program_run::slurp(disk_ / name);
                EXPECT_TRUE(now == bytes || now == kOld)
                    << name << " is damaged: " << now.size() << " bytes";
                whole += now == bytes ? 1 : 0;
            }
            std::vector<std::string> left = names_in(disk_);
            left.erase(std::remove(left.begin(), left.end(), kFiller), left.end());
            EXPECT_EQ(left.size(), expected.size()) << "a temporary file is left behind";
            if (succeeded) {
                EXPECT_EQ(whole, static_cast<int>(expected.size())) << "false success: " << r.out;
            } else {
                EXPECT_EQ(r.rc, 1) << r.err;
                EXPECT_NE(r.err.find("Impossible"), std::string::npos) << r.err;
                EXPECT_EQ(r.out.find("Contrôle des impulsions"), std::string::npos)
                    << "the job ran from a file that was not written whole";
            }
            if (free == 0) {
                EXPECT_FALSE(succeeded) << "success reported on a full disk: " << r.out;
            }
        }
        EXPECT_TRUE(succeeded) << "the program never succeeded, even with room enough";
    }
}

}  // namespace
