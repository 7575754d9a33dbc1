#include "grbl_command.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "command_line.h"
#include "grbl_job.h"
#include "grbl_session.h"
#include "grbl_streamer.h"
#include "machine_settings.h"
#include "posix_serial_link.h"
#include "qt_settings_store.h"
#include "vexor_doc.h"

namespace vexor {

namespace {

std::string number(double value, int decimals) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

std::string triple(const std::array<double, 3>& v, int decimals) {
    return "X " + number(v[0], decimals) + " Y " + number(v[1], decimals) + " Z " +
           number(v[2], decimals);
}

void say(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// The serial link, remembering when the controller last sent anything.
class WatchedLink : public grbl::SerialLink {
  public:
    explicit WatchedLink(grbl::SerialLink& link) : link_(link), last_(now()) {}
    bool write(std::string_view bytes) override { return link_.write(bytes); }
    std::string read_available() override {
        std::string bytes = link_.read_available();
        if (!bytes.empty()) {
            last_ = now();
        }
        return bytes;
    }
    bool is_open() const override { return link_.is_open(); }
    std::int64_t silent_ms() const { return now() - last_; }
    static std::int64_t now() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

  private:
    grbl::SerialLink& link_;
    std::int64_t last_;
};

class Run {
  public:
    Run(grbl::SerialLink& link, const GrblOptions& options)
        : options_(options), link_(link), session_(link_, &WatchedLink::now) {}

    // Polls until `done` holds; false with `error` set when the session
    // failed, the link is lost, or the controller stayed silent too long.
    template <typename Done>
    bool until(Done done, std::string& error) {
        for (;;) {
            session_.poll();
            if (done()) {
                return true;
            }
            if (session_.phase() == grbl::Phase::Failed || session_.phase() == grbl::Phase::Lost) {
                error = session_.message();
                return false;
            }
            if (!link_.is_open()) {
                error = "Le contrôleur ne répond plus (liaison perdue).";
                return false;
            }
            if (link_.silent_ms() > options_.silence_ms) {
                error = "Le contrôleur ne répond plus depuis " +
                        std::to_string(options_.silence_ms / 1000) + " s.";
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    grbl::Session& session() { return session_; }

  private:
    const GrblOptions& options_;
    WatchedLink link_;
    grbl::Session session_;
};

std::string settings_text(const grbl::Session& s) {
    const grbl::ControllerSettings& c = s.settings();
    return "Contrôleur : " + s.version() + "\n" + "Pas par mm : " + triple(c.steps_per_mm, 3) +
           "\n" + "Vitesses maximales (mm/min) : " + triple(c.max_rate, 0) + "\n" +
           "Courses (mm) : " + triple(c.max_travel, 1) + "\n";
}

}  // namespace

int run_grbl_command(const GrblOptions& options) {
    std::string error;
    auto table = std::make_unique<common::PolylineArray>();
    int count = 0;
    if (!read_drawing(options.drawing, *table, count, error)) {
        return platform::refuse(error);
    }
    const auto store = platform::make_user_settings("Vexor");
    std::vector<std::string> notices;
    const MachineSettings settings = load_machine_settings(*store, &notices);
    for (const std::string& notice : notices) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    std::string program;
    common::GcodeReport report;
    const std::string name = std::filesystem::path(options.drawing).filename().string();
    std::vector<grbl::ProgramLine> lines;
    if (!grbl_program(*table, count, settings, name, program, report, error) ||
        !grbl::prepare_program(program, lines, error)) {
        return platform::refuse(error);
    }

    grbl::PosixSerialLink port;
    if (!port.open(options.device, error)) {
        return platform::refuse(error);
    }
    Run run(port, options);
    grbl::Session& session = run.session();
    session.connect();
    if (!run.until([&] { return session.phase() == grbl::Phase::Ready; }, error)) {
        return platform::refuse(error);
    }
    say(settings_text(session));

    // The state is known from the first status report.
    const auto idle = [&] { return session.state() == "Idle" || session.state() == "Check"; };
    if (!run.until([&] { return !session.state().empty(); }, error)) {
        return platform::refuse(error);
    }
    if (!idle()) {
        return platform::refuse("Le contrôleur est dans l'état « " + session.state() +
                                " » : exécution refusée.");
    }
    if (options.check) {
        if (!run.until([&] { return session.check_mode() || session.toggle_check_mode(); },
                       error) ||
            !run.until([&] { return session.check_mode() && session.state() == "Check"; }, error)) {
            return platform::refuse(error);
        }
        say("Mode contrôle : le programme est lu sans mouvement.\n");
    }

    say("Programme : " + std::to_string(lines.size()) + " lignes envoyées.\n");
    const std::size_t total = lines.size();
    if (!run.until([&] { return session.start_job(lines); }, error)) {
        return platform::refuse(error);
    }
    std::size_t reported = 0;  // tenths announced
    const grbl::Streamer& streamer = session.streamer();
    const bool ran = run.until(
        [&] {
            const std::size_t tenths = streamer.lines_acknowledged() * 10 / total;
            if (tenths > reported && tenths < 10) {
                reported = tenths;
                say("Avancement : " + std::to_string(tenths * 10) + " % (" +
                    std::to_string(streamer.lines_acknowledged()) + " / " + std::to_string(total) +
                    " lignes)\n");
            }
            return streamer.state() != grbl::StreamState::Running;
        },
        error);
    if (!ran) {
        return platform::refuse(error);
    }
    if (streamer.state() != grbl::StreamState::Done) {
        // Failed (error or alarm): the streamer has sent nothing since.
        std::string why = streamer.message().empty() ? session.message() : streamer.message();
        if (options.check && session.check_mode() && session.state() != "Alarm") {
            // Leaving check mode resets the controller, which then greets again.
            std::string ignored;
            if (session.toggle_check_mode()) {
                (void)run.until(
                    [&] { return !session.check_mode() && session.phase() == grbl::Phase::Ready; },
                    ignored);
            }
        }
        return platform::refuse(why);
    }
    say("Avancement : 100 % (" + std::to_string(total) + " / " + std::to_string(total) +
        " lignes)\n");
    if (options.check) {
        if (!run.until([&] { return !session.check_mode() || session.toggle_check_mode(); },
                       error) ||
            !run.until(
                [&] { return !session.check_mode() && session.phase() == grbl::Phase::Ready; },
                error)) {
            return platform::refuse(error);
        }
        say("Contrôle terminé : aucune ligne refusée.\n");
    }
    // The end state and position once the controller has finished moving.
    const std::int64_t asked = WatchedLink::now();
    if (!run.until(
            [&] {
                return WatchedLink::now() - asked > grbl::Session::kStatusPeriodMs * 2 &&
                       session.state() == "Idle" && session.work_position_known();
            },
            error)) {
        return platform::refuse(error);
    }
    say("État final : " + session.state() + "\n");
    say("Position de travail : " + triple(session.work_position(), 3) + " mm\n");
    return 0;
}

}  // namespace vexor
