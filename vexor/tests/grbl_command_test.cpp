// `vexor --grbl PTY --run nervure.dxf`, the real program against the GRBL
// model serving the other side of a pseudo-terminal.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "grbl_job.h"
#include "grbl_links.h"
#include "grbl_model.h"
#include "grbl_streamer.h"
#include "vexor_doc.h"

using vexor::grbl::testing::GrblModel;

namespace {

const std::string kDrawing = std::string(OSTRELO_EXAMPLES) + "/nervure.dxf";

std::string read_all(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The lines the program streams for the drawing with the default settings
// (the run has no settings file).
std::vector<vexor::grbl::ProgramLine> expected_lines() {
    auto table = std::make_unique<common::PolylineArray>();
    int count = 0;
    std::string error;
    std::string program;
    common::GcodeReport report;
    std::vector<vexor::grbl::ProgramLine> lines;
    EXPECT_TRUE(vexor::read_drawing(kDrawing, *table, count, error)) << error;
    EXPECT_TRUE(vexor::grbl_program(*table, count, vexor::MachineSettings{}, "nervure.dxf", program,
                                    report, error))
        << error;
    EXPECT_TRUE(vexor::grbl::prepare_program(program, lines, error)) << error;
    return lines;
}

// The targets of the G0/G1 lines, each axis kept from the line before when
// the line does not name it.
std::vector<std::array<double, 3>> targets(const std::vector<vexor::grbl::ProgramLine>& lines) {
    std::vector<std::array<double, 3>> out;
    std::array<double, 3> at{};
    for (const auto& l : lines) {
        if (l.text.rfind("G0 ", 0) != 0 && l.text.rfind("G1 ", 0) != 0) {
            continue;
        }
        std::istringstream words(l.text);
        std::string w;
        while (words >> w) {
            const auto axis = std::string("XYZ").find(w[0]);
            if (axis != std::string::npos) {
                at[axis] = std::stod(w.substr(1));
            }
        }
        out.push_back(at);
    }
    return out;
}

struct Outcome {
    int rc = -1;
    std::string out, err;
};

// Runs vexor with `args` after the device; the model answers on the master
// side until the program exits. `unplug_after_moves` > 0 closes the master
// once the model has made that many moves.
Outcome run_vexor(GrblModel*& model_out, std::unique_ptr<GrblModel>& keep,
                  std::unique_ptr<vexor::grbl::testing::FdLink>& master, const std::string& slave,
                  std::vector<std::string> args, std::size_t unplug_after_moves) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vexor_grbl_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "config");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("HOME", dir.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        (void)!std::freopen((dir / "out.txt").c_str(), "w", stdout);
        (void)!std::freopen((dir / "err.txt").c_str(), "w", stderr);
        std::vector<std::string> all = {VEXOR_PROGRAM, "--grbl", slave};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    GrblModel& model = *keep;
    model_out = keep.get();
    Outcome o;
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    for (;;) {
        if (master) {
            model.step();
            if (unplug_after_moves > 0 && model.moves().size() >= unplug_after_moves) {
                master.reset();  // the cable is pulled
            }
        }
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(60)) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "vexor did not end";
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    o.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = read_all(dir / "out.txt");
    o.err = read_all(dir / "err.txt");
    std::filesystem::remove_all(dir);
    return o;
}

}  // namespace

TEST(GrblCommand, StreamsTheDrawingAndStopsOnWhatTheControllerSays) {
    const std::vector<vexor::grbl::ProgramLine> lines = expected_lines();
    ASSERT_GT(lines.size(), 30u);
    const auto moves = targets(lines);
    const int n = 20;  // the line refused or alarming
    const std::string line_n = "ligne " + std::to_string(lines[n - 1].number);

    struct Row {
        const char* name;
        bool check;
        int error_at, alarm_at;
        std::size_t unplug_after;
        int rc;
        std::vector<std::string> err_has;
        const char* sent_after_failure;  // null: not looked at
    };
    const Row rows[] = {
        {"to its end", false, 0, 0, 0, 0, {}, ""},
        {"error",
         false,
         n,
         0,
         0,
         1,
         {"Erreur 22 à la " + line_n, "Vitesse d'avance non définie"},
         ""},
        {"alarm", false, 0, n, 0, 1, {"Alarme 1 à la ligne", "Fin de course"}, ""},
        {"device gone",
         false,
         0,
         0,
         10,
         1,
         {"Liaison perdue avec le contrôleur", "ne reprendra pas"},
         nullptr},
        {"check with an error", true, n, 0, 0, 1, {"Erreur 22 à la " + line_n}, "$C\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // The test keeps its slave open (pty.second), so the master never
        // reads EIO before the program has opened the device.
        std::string slave;
        auto pty = vexor::grbl::testing::pty_pair(&slave);
        ASSERT_TRUE(pty.first && pty.second) << "no pseudo-terminal";
        auto model = std::make_unique<GrblModel>(*pty.first);
        model->error_at_line[row.error_at] = 22;
        model->alarm_at_line[row.alarm_at] = 1;
        model->error_at_line.erase(0);
        model->alarm_at_line.erase(0);
        model->failure_after_quiet_steps = 1000;  // some 0.3 s or more
        GrblModel* m = nullptr;
        std::vector<std::string> args = {"--run", kDrawing};
        if (row.check) {
            args.push_back("--check");
        }
        const Outcome o = run_vexor(m, model, pty.first, slave, args, row.unplug_after);
        EXPECT_EQ(o.rc, row.rc) << o.out << o.err;
        for (const std::string& text : row.err_has) {
            EXPECT_NE(o.err.find(text), std::string::npos) << text << "\n" << o.err;
        }
        EXPECT_FALSE(m->overflowed());
        for (const char* read : {"Pas par mm X ($100) : 250.000", "Pas par mm Y ($101) : 251.000",
                                 "Vitesse maximale Y ($111) : 5001 mm/min"}) {
            EXPECT_NE(o.out.find(read), std::string::npos) << read << "\n" << o.out;
        }
        if (row.sent_after_failure) {
            EXPECT_EQ(m->received_after_failure(), row.sent_after_failure);
        }
        if (row.rc == 0) {
            std::vector<std::array<double, 3>> got;
            for (const auto& mv : m->moves()) {
                got.push_back(mv.target);
            }
            EXPECT_EQ(got.size(), moves.size());
            for (std::size_t i = 0; i < std::min(got.size(), moves.size()); ++i) {
                for (int a = 0; a < 3; ++a) {
                    ASSERT_NEAR(got[i][a], moves[i][a], 1e-9) << "move " << i;
                }
            }
            EXPECT_NE(o.out.find("État final : Idle"), std::string::npos) << o.out;
            EXPECT_NE(o.out.find("Position de travail : X 0.000 Y 0.000 Z 5.000"),
                      std::string::npos)
                << o.out;
            EXPECT_NE(o.out.find("Avancement : 50 %"), std::string::npos) << o.out;
        } else if (row.check) {
            EXPECT_TRUE(m->moves().empty());
        } else if (row.alarm_at) {
            // Halted: the lines still in its buffer do not run.
            EXPECT_LT(m->moves().size(), static_cast<std::size_t>(n));
        }
    }
}
