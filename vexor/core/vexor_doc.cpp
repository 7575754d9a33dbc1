#include "vexor_doc.h"

#include <filesystem>

#include <memory>

#include "dxf_file.h"
#include "job_time.h"
#include "save_file.h"

namespace vexor {

CVexorDoc::CVexorDoc(platform::SettingsStore& store, platform::PortWriter& port,
                     platform::PerformanceCounter& counter)
    : store_(store), settings_(load_machine_settings(store, &notices_)), driver_(port, counter) {
    driver_.set_wiring(settings_);
    driver_.set_step_lengths(settings_);
}

CVexorDoc::~CVexorDoc() {
    new_drawing();
    std::string ignored;  // the program is ending: there is no one left to tell
    (void)save_settings(ignored);
}

bool CVexorDoc::save_settings(std::string& error) {
    return save_machine_settings(settings_, store_, error);
}

void CVexorDoc::set_speeds(float travelXY, float travelZ, float cutXY, float cutZ) {
    settings_.travelSpeedXY = travelXY;
    settings_.travelSpeedZ = travelZ;
    settings_.cutSpeedXY = cutXY;
    settings_.cutSpeedZ = cutZ;
}

void CVexorDoc::set_descent(float ZBas) {
    settings_.ZBas = ZBas;
}

void CVexorDoc::set_steps(float StepX, float StepY, float StepZ) {
    settings_.StepX = StepX;
    settings_.StepY = StepY;
    settings_.StepZ = StepZ;
    driver_.set_step_lengths(settings_);
}

void CVexorDoc::set_port(const PortSettings& port) {
    static_cast<PortSettings&>(settings_) = port;
    driver_.set_wiring(settings_);
}

void CVexorDoc::set_connection(MachineBackendKind backend, int lpt, const std::string& device,
                               int baud) {
    settings_.Backend = backend;
    settings_.Lpt = lpt;
    settings_.Device = device;
    settings_.Baud = baud;
    driver_.set_wiring(settings_);
}

void CVexorDoc::set_travel(float travelX, float travelY, float travelZ) {
    settings_.travelX = travelX;
    settings_.travelY = travelY;
    settings_.travelZ = travelZ;
}

bool CVexorDoc::jog(Jog jog, float distance, std::string& error) {
    std::string text;
    return jog_text(jog, distance, settings_, driver_, text, error) && start_move(text, error);
}

bool CVexorDoc::go_to_origin(std::string& error) {
    std::string text;
    return origin_text(settings_, driver_, text, error) && start_move(text, error);
}

bool CVexorDoc::start_move(const std::string& text, std::string& error) {
    // The new file replaces the old one atomically: if it cannot be written,
    // the move being executed goes on from its own, still open, file.
    if (!platform::save_file(driver_.move_file_path(kMoveFileName), text, &error)) {
        return false;
    }
    driver_.start_move_file();
    return true;
}

void CVexorDoc::new_drawing() {
    for (auto& p : polylines) {
        p.reset();
    }
    polylineCount = 0;
    drawingName.clear();
    viewResetPending = 1;
}

namespace {

constexpr const char* kCurveImportByMenu =
    "par « Fichier > Importer un dessin DXF (toutes courbes)… », puis exportez sa découpe.";
constexpr const char* kCurveImportByOption =
    "avec l'option --curves, puis exportez sa découpe (plandor --import DESSIN.dxf --curves "
    "--auto -o PLAN.cmg --export DECOUPE.dxf).";

}  // namespace

std::string command_line_message(const std::string& error) {
    std::string text = error;
    if (const size_t at = text.find(kCurveImportByMenu); at != std::string::npos) {
        text.replace(at, std::string(kCurveImportByMenu).size(), kCurveImportByOption);
    }
    return text;
}

bool read_drawing(const std::string& path, common::PolylineArray& table, int& count,
                  std::string& error) {
    common::DxfImportReport report;
    count = 0;
    if (!common::read_dxf_polylines(path, table, count, error, &report)) {
        // A drawing of curves only: the user is told where they can be read.
        const std::string curves = common::passed_over_curves(report);
        if (count == 0 && !curves.empty()) {
            error = "Ce dessin ne contient que des courbes que Vexor ne lit pas (" + curves +
                    ") : importez-le dans Plandor " + kCurveImportByMenu;
        }
        return false;
    }
    for (int i = 0; i < count; ++i) {
        table[static_cast<size_t>(i)]->set_selected(1);
    }
    return true;
}

bool CVexorDoc::open_drawing(const std::string& path, std::string& error) {
    // Read aside, so that a file the reader refuses leaves the drawing whole.
    auto table = std::make_unique<common::PolylineArray>();
    int count = 0;
    if (!read_drawing(path, *table, count, error)) {
        return false;
    }
    polylines = std::move(*table);
    polylineCount = count;
    drawingName = std::filesystem::path(path).filename().string();
    return true;
}

int CVexorDoc::selected_count() const {
    int n = 0;
    for (int i = 0; i < polylineCount; ++i) {
        const common::CPolyline* p = polylines[static_cast<size_t>(i)].get();
        n += p != nullptr && p->selected() != 0 ? 1 : 0;
    }
    return n;
}

bool CVexorDoc::start_job(std::string& error) {
    const float x = driver_.posX();
    const float y = driver_.posY();
    std::string text;
    std::vector<JobLine> lines;
    if (!job_text(polylines, polylineCount, settings_, x, y, text, lines, error) ||
        !platform::save_file(driver_.move_file_path(kJobFileName), text, &error)) {
        return false;
    }
    driver_.zero_z();
    startX = x;
    startY = y;
    jobTimeUs = move_text_duration_us(text, x, y, 0);
    driver_.set_job_lines(std::move(lines));
    driver_.start_job_file();
    return true;
}

}  // namespace vexor
