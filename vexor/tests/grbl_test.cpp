#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "grbl_backend.h"
#include "grbl_links.h"
#include "grbl_model.h"
#include "grbl_replies.h"
#include "grbl_session.h"
#include "grbl_streamer.h"
#include "performance_counter.h"
#include "settings_store.h"

using namespace vexor::grbl;
using vexor::grbl::testing::GrblModel;

namespace {

// A session and a model joined by a link pair, on a clock the test moves.
template <typename Pair>
struct Rig {
    Pair links;
    std::int64_t now = 0;
    GrblModel model;
    Session session;
    explicit Rig(Pair p)
        : links(std::move(p)),
          model(*links.second),
          session(*links.first, [this] { return now; }) {}
    void run(int steps) {
        for (int i = 0; i < steps; ++i) {
            model.step();
            session.poll();
            now += 10;
        }
    }
    void connect() {
        session.connect();  // its reset makes the model boot
        run(20);
    }
};

auto memory_rig() {
    return Rig(vexor::grbl::testing::memory_pair());
}

std::string program_of(int lines) {
    // A mix of line lengths, from a few bytes to the 80-byte limit.
    std::string p;
    for (int i = 1; i <= lines; ++i) {
        std::string l = "G1 X" + std::to_string(i) + " Y" + std::to_string(i % 7) + " F600";
        const std::size_t pad = (i * 37) % 60;
        l += " (" + std::string(pad, 'c') + ")";  // comments are stripped
        if (i % 5 == 0) {
            l = "G1 X" + std::to_string(i) + ".12345678901234567890123456789012345678 Y" +
                std::to_string(i) + ".12345678901234567890123 F600";
        }
        p += l + "\n";
    }
    return p;
}

}  // namespace

TEST(GrblReplies, ReadsEachKindOfLine) {
    struct Case {
        const char* line;
        ReplyKind kind;
        int code;
    };
    const Case cases[] = {
        {"ok", ReplyKind::Ok, 0},
        {"error:22", ReplyKind::Error, 22},
        {"ALARM:2", ReplyKind::Alarm, 2},
        {"[MSG:Reset to continue]", ReplyKind::Message, 0},
        {"[GC:G0 G54 G17 G21 G90 G94 M5 M9 T0 F0 S0]", ReplyKind::Feedback, 0},
        {"$110=5000.000", ReplyKind::Setting, 0},
        {">G54:ok", ReplyKind::StartupLine, 0},
        {"error:", ReplyKind::Other, 0},
        {"okay", ReplyKind::Other, 0},
        {"<Idle|MPos:0,0", ReplyKind::Other, 0},
    };
    for (const Case& c : cases) {
        const Reply r = parse_reply(c.line);
        EXPECT_EQ(r.kind, c.kind) << c.line;
        EXPECT_EQ(r.code, c.code) << c.line;
    }
    const Reply opt = parse_reply("[OPT:V,15,128]");
    EXPECT_EQ(opt.option_blocks, 15);
    EXPECT_EQ(opt.option_rx_bytes, 128);
    const Reply st = parse_reply("<Hold:1|WPos:1.5,-2.25,3|Bf:14,120|Ln:42|FS:500,8000|Pn:XZ>");
    EXPECT_EQ(st.status.state, "Hold");
    EXPECT_EQ(st.status.substate, 1);
    EXPECT_FALSE(st.status.machine_pos);
    EXPECT_EQ(st.status.pos[1], -2.25);
    EXPECT_EQ(st.status.buffer_bytes, 120);
    EXPECT_EQ(st.status.line_number, 42);
    EXPECT_EQ(st.status.spindle, 8000);
    EXPECT_EQ(st.status.pins, "XZ");
}

TEST(GrblReplies, SplitsLinesAcrossChunksWithEitherEnd) {
    LineSplitter s;
    std::vector<std::string> got;
    std::string line;
    const std::vector<std::string> chunks = {
        "o", "k\r", "\nerr", "or:1\n", std::string(300, 'x'), "\nALARM:1\r\n", "\r\nok\n"};
    for (const std::string& chunk : chunks) {
        s.feed(chunk);
        while (s.next(line)) {
            got.push_back(line);
        }
    }
    EXPECT_EQ(got, (std::vector<std::string>{"ok", "error:1", "ALARM:1", "", "ok"}));
    EXPECT_EQ(s.discarded_lines(), 1u);
}

TEST(GrblTexts, EveryCodeHasAFrenchMeaning) {
    for (int code = 1; code <= 38; ++code) {
        const bool unused = code == 18 || code == 19;
        EXPECT_EQ(error_text(code).rfind("Code d'erreur inconnu", 0) == 0, unused) << code;
    }
    for (int code = 1; code <= 9; ++code) {
        EXPECT_EQ(alarm_text(code).rfind("Code d'alarme inconnu", 0), std::string::npos);
    }
    EXPECT_EQ(error_text(22), "Vitesse d'avance non définie.");
    EXPECT_EQ(alarm_text(10), "Code d'alarme inconnu (10).");
}

TEST(GrblStreamer, RefusesLinesGrblCouldNotTake) {
    std::vector<ProgramLine> lines;
    std::string error;
    EXPECT_TRUE(
        prepare_program("G0 X1 ; a comment longer than anything that would fit in "
                        "the eighty byte line of the controller\n\n(note)\nG1 Y2\n",
                        lines, error));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].number, 4);
    EXPECT_EQ(lines[1].text, "G1 Y2");
    EXPECT_FALSE(prepare_program("G0 X1\n" + std::string(81, 'X') + "\n", lines, error));
    EXPECT_EQ(error, "La ligne 2 compte 81 caractères : GRBL en accepte 80 au plus.");
    EXPECT_FALSE(prepare_program("G0 X1 ?\n", lines, error));
    EXPECT_TRUE(lines.empty());
}

TEST(GrblSession, ConnectsAfterBootNoiseForEachFlavour) {
    struct Case {
        const char* welcome;
        Flavour flavour;
        const char* version;
    };
    const Case cases[] = {
        {"Grbl 1.1h ['$' for help]", Flavour::Grbl, "1.1h"},
        {"GrblHAL 1.1f ['$' or '$HELP' for help]", Flavour::GrblHal, "1.1f"},
        {"Grbl 3.6 [FluidNC v3.7.8 (wifi) '$' for help]", Flavour::FluidNc, "3.6"},
    };
    for (const Case& c : cases) {
        auto rig = memory_rig();
        rig.model.welcome = c.welcome;
        rig.model.rx_size = 256;
        rig.model.boot_noise = std::string("\x00\xff rst:0x1 boot", 16) + "\r\nok\r\nGrbl\r\n";
        rig.connect();
        ASSERT_EQ(rig.session.phase(), Phase::Ready) << c.welcome << rig.session.message();
        EXPECT_EQ(rig.session.flavour(), c.flavour);
        EXPECT_EQ(rig.session.version(), c.version);
        EXPECT_EQ(rig.session.rx_buffer(), 256u);
        EXPECT_EQ(rig.session.settings().steps_per_mm[1], 251.0);
        EXPECT_EQ(rig.session.settings().max_rate[2], 500.0);
        EXPECT_EQ(rig.session.settings().max_travel[0], 400.0);
    }
    auto silent = memory_rig();
    silent.model.welcome = "Grbl";  // noise only
    silent.session.connect();
    silent.run(600);
    EXPECT_EQ(silent.session.phase(), Phase::Failed);
    EXPECT_EQ(silent.session.message(), "Aucun contrôleur GRBL n'a répondu dans les 5 s.");
}

TEST(GrblSession, StreamsAProgramOverAPtyWithoutOverflowingTheBuffer) {
    auto pty = vexor::grbl::testing::pty_pair();
    ASSERT_TRUE(pty.first && pty.second) << "no pseudo-terminal";
    Rig rig(std::move(pty));
    rig.connect();
    ASSERT_EQ(rig.session.phase(), Phase::Ready) << rig.session.message();
    std::vector<ProgramLine> lines;
    std::string error;
    ASSERT_TRUE(prepare_program(program_of(120), lines, error)) << error;
    const std::vector<ProgramLine> sent = lines;
    rig.run(5);
    ASSERT_TRUE(rig.session.start_job(std::move(lines))) << rig.session.message();
    for (int i = 0; i < 2000 && rig.session.streamer().state() == StreamState::Running; ++i) {
        rig.run(1);
    }
    EXPECT_EQ(rig.session.streamer().state(), StreamState::Done);
    EXPECT_FALSE(rig.model.overflowed());
    EXPECT_GT(rig.model.peak_rx(), 100u);  // the buffer was really used
    EXPECT_EQ(rig.session.streamer().lines_acknowledged(), sent.size());
    // Every line reached the model as sent, and each became its move.
    std::vector<std::string> program_received;
    for (const std::string& l : rig.model.lines_received()) {
        if (l[0] == 'G') {
            program_received.push_back(l);
        }
    }
    ASSERT_EQ(program_received.size(), sent.size());
    ASSERT_EQ(rig.model.moves().size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(program_received[i], sent[i].text);
        EXPECT_DOUBLE_EQ(rig.model.moves()[i].target[0], std::stod(sent[i].text.substr(4)));
    }
}

TEST(GrblSession, ErrorOrAlarmStopsTheStreamAtTheLine) {
    struct Case {
        bool alarm;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {false, 20,
         "Erreur 20 à la ligne 9 (« G1 X9 Y2 F600 ») : Commande G-code non prise en charge ou "
         "invalide dans le bloc."},
        {true, 2,
         "Alarme 2 à la ligne 9 (« G1 X9 Y2 F600 ») : La cible du mouvement dépasse la course "
         "de la machine : position conservée, l'alarme peut être levée."},
    };
    for (const Case& c : cases) {
        auto rig = memory_rig();
        (c.alarm ? rig.model.alarm_at_line : rig.model.error_at_line)[9] = c.code;
        rig.connect();
        std::vector<ProgramLine> lines;
        std::string error;
        ASSERT_TRUE(prepare_program(program_of(60), lines, error));
        rig.run(3);
        ASSERT_TRUE(rig.session.start_job(std::move(lines)));
        rig.run(200);
        const Streamer& s = rig.session.streamer();
        EXPECT_EQ(s.state(), StreamState::Failed);
        EXPECT_EQ(s.failed_line().number, 9);
        EXPECT_EQ(s.failure_code(), c.code);
        EXPECT_EQ(s.message(), c.message);
        // Nothing was sent after the reply came: the model holds no more
        // lines than the stream had sent when it stopped.
        const std::size_t sent_then = s.lines_sent();
        rig.run(50);
        EXPECT_EQ(s.lines_sent(), sent_then);
        std::size_t program_lines = 0;
        for (const std::string& l : rig.model.lines_received()) {
            program_lines += l[0] == 'G';
        }
        EXPECT_EQ(program_lines, sent_then);
        EXPECT_LT(sent_then, 20u);
    }
}

TEST(GrblSession, WorkPositionFromIntermittentWcoAndZero) {
    auto rig = memory_rig();
    rig.model.wco = {10, 20, -5};
    rig.model.machine_pos = {12.5, 21, -4};
    rig.model.wco_every = 5;
    rig.connect();
    rig.run(40);  // several reports, most without WCO
    ASSERT_TRUE(rig.session.work_position_known());
    EXPECT_EQ(rig.session.work_position(), (std::array<double, 3>{2.5, 1, 1}));
    EXPECT_EQ(rig.session.state(), "Idle");
    ASSERT_TRUE(rig.session.zero_work());
    rig.run(40);
    EXPECT_EQ(rig.session.work_position(), (std::array<double, 3>{0, 0, 0}));
    ASSERT_TRUE(rig.session.jog(1.5, 0, -2, 300));
    rig.run(40);
    EXPECT_EQ(rig.model.lines_received().back(), "$J=G91 G21 X1.500 Z-2.000 F300.000");
    EXPECT_EQ(rig.session.work_position(), (std::array<double, 3>{1.5, 0, -2}));
    rig.model.state = "Alarm";
    rig.run(40);
    EXPECT_FALSE(rig.session.jog(1, 0, 0, 300));
    EXPECT_FALSE(rig.session.zero_work());
    EXPECT_EQ(rig.session.message(), "Mise à zéro refusée dans l'état « Alarm ».");
}

TEST(GrblSession, CheckModeSurvivesTheResetOnLeaving) {
    auto rig = memory_rig();
    rig.connect();
    rig.run(30);
    ASSERT_TRUE(rig.session.toggle_check_mode());
    rig.run(30);
    EXPECT_TRUE(rig.session.check_mode());
    EXPECT_EQ(rig.session.state(), "Check");
    ASSERT_TRUE(rig.session.toggle_check_mode());
    rig.run(30);
    EXPECT_FALSE(rig.session.check_mode());
    EXPECT_EQ(rig.session.phase(), Phase::Ready);
    EXPECT_EQ(rig.session.state(), "Idle");
}

TEST(GrblSession, DeviceGoneMidJobAndRealtimeBypass) {
    auto rig = memory_rig();
    rig.model.lines_per_step = 0;  // the planner takes nothing: the buffer stays full
    rig.connect();
    rig.model.lines_per_step = 1;
    rig.run(3);
    std::vector<ProgramLine> lines;
    std::string error;
    ASSERT_TRUE(prepare_program(program_of(60), lines, error));
    rig.model.lines_per_step = 0;
    ASSERT_TRUE(rig.session.start_job(std::move(lines)));
    rig.run(2);
    ASSERT_TRUE(rig.session.send_realtime(realtime::kFeedPlus10));
    rig.model.step();
    ASSERT_FALSE(rig.model.realtime_seen().empty());
    EXPECT_EQ(rig.model.realtime_seen().back().byte, realtime::kFeedPlus10);
    // It overtook the lines still waiting in the buffer.
    EXPECT_EQ(rig.model.realtime_seen().back().rx_bytes_waiting,
              rig.session.streamer().bytes_in_flight());
    EXPECT_GT(rig.session.streamer().bytes_in_flight(), 0u);
    const std::size_t sent = rig.session.streamer().lines_sent();
    rig.links.second->close();
    rig.run(2);
    EXPECT_EQ(rig.session.phase(), Phase::Lost);
    EXPECT_EQ(rig.session.streamer().state(), StreamState::Lost);
    EXPECT_EQ(rig.session.streamer().unacknowledged().size(), sent);
    EXPECT_EQ(rig.session.message(), "Le contrôleur ne répond plus : " + std::to_string(sent) +
                                         " ligne(s) envoyée(s) sans accusé de réception, " +
                                         std::to_string(60 - sent) + " non envoyée(s).");
}

namespace {

class NoPort : public platform::PortWriter {
  public:
    void write_port(unsigned short, unsigned char) override {}
};

}  // namespace

TEST(GrblBackend, FeedOverrideReachesItsPercentAndADifferentReportIsTold) {
    struct Row {
        int asked;
        int cap;  // the controller's own limit
        bool told;
    };
    const Row rows[] = {{10, 200, false},  {55, 200, false},  {100, 200, false},
                        {137, 200, false}, {200, 200, false}, {180, 120, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.asked);
        auto pair = vexor::grbl::testing::memory_pair();
        GrblModel model(*pair.second);
        model.feed_ov_max = row.cap;
        model.feed_ov = 70;  // a value left by an earlier run
        platform::MemorySettingsStore store;
        NoPort port;
        platform::ManualCounter counter(1'000'000);
        vexor::CVexorDoc doc(store, port, counter);
        std::int64_t now = 0;
        vexor::GrblBackend backend(doc, std::move(pair.first), "modèle", [&] { return now; });
        std::vector<std::string> alerts;
        const auto run = [&](int steps) {
            for (int i = 0; i < steps; ++i) {
                model.step();
                for (auto& a : backend.poll()) {
                    alerts.push_back(a);
                }
                now += 10;
            }
        };
        backend.connect();
        run(40);
        std::string error;
        ASSERT_TRUE(backend.set_feed_override(row.asked, error)) << error;
        run(400);
        EXPECT_EQ(model.feed_ov, std::min(row.asked, row.cap));
        EXPECT_EQ(backend.snapshot().feedOverride, model.feed_ov);
        ASSERT_EQ(alerts.size(), row.told ? 1u : 0u);
        if (row.told) {
            EXPECT_EQ(alerts[0],
                      "Le contrôleur applique une correction d'avance de 120 % au lieu des 180 % "
                      "demandés.");
        }
    }
    // Outside 10..200 nothing is sent.
    auto pair = vexor::grbl::testing::memory_pair();
    platform::MemorySettingsStore store;
    NoPort port;
    platform::ManualCounter counter(1'000'000);
    vexor::CVexorDoc doc(store, port, counter);
    vexor::GrblBackend backend(doc, std::move(pair.first), "modèle", [] { return 0; });
    std::string error;
    EXPECT_FALSE(backend.set_feed_override(250, error));
}

TEST(GrblBackend, EachLineOfTheProgramTakesItsLengthAtItsFeed) {
    std::vector<ProgramLine> lines;
    std::string error;
    ASSERT_TRUE(prepare_program("G21 G90\nG0 Z5\nG0 X30 Y40\nG1 Z-2 F60\nG1 X60 F600\nY80\nG0 Z5\n",
                                lines, error));
    const auto times = vexor::program_line_times(lines);
    ASSERT_EQ(times.size(), 7u);
    const struct {
        double seconds;
        bool cutting;
    } expected[] = {{0, false}, {0, false}, {50.0 / 1000 * 60, false}, {7.0 / 60 * 60, true},
                    {3, true},  {4, true},  {7.0 / 1000 * 60, false}};
    for (std::size_t i = 0; i < times.size(); ++i) {
        EXPECT_NEAR(times[i].seconds, expected[i].seconds, 1e-9) << lines[i].text;
        EXPECT_EQ(times[i].cutting, expected[i].cutting) << lines[i].text;
    }
}
