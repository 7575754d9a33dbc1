// What the programs say and leave behind besides their files: a report that
// cannot be written is a failure, text from the user's files is shown without
// its control characters, and the trace of a simulation is never written
// through a name someone else prepared nor left behind by an interrupted run.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "program_run.h"

namespace fs = std::filesystem;

namespace {

const std::string kSource = OSTRELO_SOURCE_DIR;

struct Scratch {
    fs::path path = fs::temp_directory_path() / ("program_output_" + std::to_string(getpid()));
    Scratch() {
        fs::remove_all(path);
        fs::create_directories(path / "run");
        fs::create_directories(path / "config" / "Ostrelo");
        fs::copy_file(kSource + "/vexor/tests/data/machine100.conf",
                      path / "config" / "Ostrelo" / "Vexor.conf");
    }
    ~Scratch() { fs::remove_all(path); }
    program_run::Result run(const std::string& program, const std::vector<std::string>& args,
                            const std::string& out = {}) const {
        return program_run::run(program, args, path / "run", path / "config", path / "capture",
                                out);
    }
};

}  // namespace

TEST(ProgramOutput, AReportThatCannotBeWrittenIsAFailure) {
    Scratch s;
    const std::string ligne = kSource + "/vexor/tests/data/ligne.dxf";
    const std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
        {STELMO_PROGRAM, {"-o", "e.dat"}},
        {CADREX_PROGRAM, {"-o", "c.dat"}},
        {ALYRA_PROGRAM,
         {"--root", kSource + "/examples/naca2412.dat", "--tip",
          kSource + "/examples/naca0012.dat"}},
        {PLANDOR_PROGRAM, {"--dump", ligne}},
        {PLANDOR_PROGRAM, {"--import", ligne, "--save", "p.cmg"}},
        {VEXOR_PROGRAM, {"--simulate", ligne}},
        {VEXOR_PROGRAM, {"--help"}},
    };
    for (const auto& [program, args] : runs) {
        SCOPED_TRACE(program + " " + args[0]);
        ASSERT_EQ(s.run(program, args).rc, 0) << "the run itself succeeds";
        const auto full = s.run(program, args, "/dev/full");
        EXPECT_EQ(full.rc, 1);
        EXPECT_NE(full.err.find("La sortie standard n'a pas pu être écrite"), std::string::npos)
            << full.err;
    }

    // A title line with an escape sequence is shown without it.
    std::ofstream(s.path / "run" / "titre.dat", std::ios::binary)
        << "\x1b[2JNACA\r\n"
        << program_run::slurp(kSource + "/examples/naca0012.dat");
    const auto shown = s.run(ALYRA_PROGRAM, {"--root", "titre.dat", "--tip", "titre.dat"});
    ASSERT_EQ(shown.rc, 0) << shown.err;
    EXPECT_NE(shown.out.find("Emplanture : ?[2JNACA"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find('\x1b'), std::string::npos);
}

TEST(ProgramOutput, TheTraceIsWrittenAsideUnderANameOfItsOwn) {
    Scratch s;
    const fs::path run = s.path / "run";
    const std::string ligne = kSource + "/vexor/tests/data/ligne.dxf";
    // A link prepared where a fixed temporary name would be.
    std::ofstream(s.path / "victime.txt") << "à garder";
    fs::create_symlink(s.path / "victime.txt", run / "t.csv.tmp");
    const auto r = s.run(VEXOR_PROGRAM, {"--simulate", ligne, "--trace", "t.csv"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(program_run::slurp(s.path / "victime.txt"), "à garder");
    EXPECT_FALSE(fs::is_symlink(run / "t.csv"));
    EXPECT_EQ(program_run::slurp(run / "t.csv").rfind("temps_us,port,octet\n", 0), 0u);
    fs::remove(run / "t.csv.tmp");
    fs::remove(run / "t.csv");

    // Interrupted at machine speed (the job lasts 11 s): nothing is left.
    program_run::Process p(VEXOR_PROGRAM, {"--simulate", ligne, "--realtime", "--trace", "t.csv"},
                           run, s.path / "config", s.path / "capture");
    auto trace_started = [&] {
        for (const std::string& name : program_run::names_in(run)) {
            if (name.rfind("t.csv", 0) == 0) {
                return true;
            }
        }
        return false;
    };
    for (int i = 0; i < 1000 && !trace_started(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(trace_started()) << "the run never started its trace";
    kill(p.pid(), SIGINT);
    EXPECT_EQ(p.wait().rc, 128 + SIGINT);
    EXPECT_EQ(program_run::names_in(run), (std::vector<std::string>{"coupe.dep"}));
}
