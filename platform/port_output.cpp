#include "port_output.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <linux/parport.h>
#include <linux/ppdev.h>
#endif
#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define OSTRELO_HAVE_DIRECT_PORT 1
#endif

namespace platform {

namespace {

std::string hex(unsigned value, int min_digits) {
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, value, 16);
    std::string text(buf, res.ptr);
    for (char& c : text) {
        c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    }
    if (static_cast<int>(text.size()) < min_digits) {
        text.insert(0, static_cast<size_t>(min_digits) - text.size(), '0');
    }
    return text;
}

std::string address_text(unsigned short port) {
    return "0x" + hex(port, 3);
}

void set_error(std::string* error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
}

}  // namespace

const char* backend_name(PortBackend backend) {
    switch (backend) {
        case PortBackend::ppdev:
            return "ppdev";
        case PortBackend::direct:
            return "direct";
        case PortBackend::simulated:
            return "simulated";
    }
    return "simulated";
}

std::string ppdev_device(unsigned short port) {
    if (port == 0x378) {
        return "/dev/parport0";
    }
    if (port == 0x278) {
        return "/dev/parport1";
    }
    return {};
}

// ---- simulated ------------------------------------------------------------

SimulatedPort::SimulatedPort(PerformanceCounter& counter, std::size_t capacity)
    : counter_(counter), capacity_(std::max<std::size_t>(capacity, 1)) {}

SimulatedPort::~SimulatedPort() {
    close_trace();
}

void SimulatedPort::write_port(unsigned short port, unsigned char value) {
    const PortRecord record{counter_.count(), port, value};
    ++total_;
    if (buffer_.size() < capacity_) {
        buffer_.push_back(record);
    } else {
        buffer_[next_] = record;
        next_ = (next_ + 1) % capacity_;
    }
    if (trace_) {
        char line[64];
        char* p = std::to_chars(line, line + 24, record.count).ptr;
        *p++ = ' ';
        const std::string rest = hex(port, 3) + ' ' + hex(value, 2) + '\n';
        std::memcpy(p, rest.data(), rest.size());
        p += rest.size();
        const auto size = static_cast<std::size_t>(p - line);
        if (std::fwrite(line, 1, size, trace_) != size) {
            trace_ok_ = false;
        }
    }
    if (observer_) {
        observer_(record);
    }
}

std::vector<PortRecord> SimulatedPort::records() const {
    std::vector<PortRecord> ordered;
    ordered.reserve(buffer_.size());
    ordered.insert(ordered.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(next_),
                   buffer_.end());
    ordered.insert(ordered.end(), buffer_.begin(),
                   buffer_.begin() + static_cast<std::ptrdiff_t>(next_));
    return ordered;
}

void SimulatedPort::clear() {
    buffer_.clear();
    next_ = 0;
    total_ = 0;
}

void SimulatedPort::set_observer(std::function<void(const PortRecord&)> observer) {
    observer_ = std::move(observer);
}

bool SimulatedPort::open_trace(const std::string& path, std::string* error) {
    close_trace();
    trace_ = std::fopen(path.c_str(), "w");
    trace_ok_ = trace_ != nullptr;
    if (!trace_) {
        set_error(error, "Impossible de créer le fichier de trace du port « " + path + " ».");
        return false;
    }
    return true;
}

bool SimulatedPort::close_trace() {
    if (!trace_) {
        return trace_ok_;
    }
    if (std::fclose(trace_) != 0) {
        trace_ok_ = false;
    }
    trace_ = nullptr;
    return trace_ok_;
}

// ---- ppdev ----------------------------------------------------------------

std::unique_ptr<PpdevPort> PpdevPort::open(unsigned short port, std::string* error) {
    std::unique_ptr<PpdevPort> ppdev(new PpdevPort);
    if (ppdev->device_for(port, error) < 0) {
        return nullptr;
    }
    return ppdev;
}

PpdevPort::~PpdevPort() {
    for (auto& [port, fd] : devices_) {
#if defined(__linux__)
        ioctl(fd, PPRELEASE);
#endif
        ::close(fd);
    }
}

int PpdevPort::device_for(unsigned short port, std::string* error) {
    if (auto it = devices_.find(port); it != devices_.end()) {
        return it->second;
    }
    const std::string device = ppdev_device(port);
    if (device.empty()) {
        set_error(error, "Aucun périphérique de port parallèle pour l'adresse " +
                             address_text(port) + ".");
        return -1;
    }
#if defined(__linux__)
    const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        set_error(error, "Le port parallèle " + device + " ne peut pas être ouvert (" +
                             std::strerror(errno) + ").");
        return -1;
    }
    if (ioctl(fd, PPCLAIM) != 0) {
        set_error(error, "Le port parallèle " + device + " ne peut pas être réservé (" +
                             std::strerror(errno) + ").");
        ::close(fd);
        return -1;
    }
    devices_[port] = fd;
    return fd;
#else
    set_error(error, "Le pilote ppdev n'existe que sous Linux.");
    return -1;
#endif
}

void PpdevPort::write_port(unsigned short port, unsigned char value) {
    const int fd = device_for(port, nullptr);
#if defined(__linux__)
    if (fd >= 0 && ioctl(fd, PPWDATA, &value) == 0) {
        return;
    }
#endif
    ++failed_;
}

// ---- direct ---------------------------------------------------------------

std::unique_ptr<DirectPort> DirectPort::open(unsigned short port, std::string* error) {
    std::unique_ptr<DirectPort> direct(new DirectPort);
    if (!direct->permit(port, error)) {
        return nullptr;
    }
    return direct;
}

bool DirectPort::permit(unsigned short port, std::string* error) {
    if (std::find(permitted_.begin(), permitted_.end(), port) != permitted_.end()) {
        return true;
    }
#if defined(OSTRELO_HAVE_DIRECT_PORT)
    if (ioperm(port, 1, 1) != 0) {
        set_error(error, "Accès direct au port " + address_text(port) + " refusé (" +
                             std::strerror(errno) + ") : il faut les droits administrateur.");
        return false;
    }
    permitted_.push_back(port);
    return true;
#else
    set_error(error, "L'accès direct aux ports n'existe que sous Linux sur x86.");
    return false;
#endif
}

void DirectPort::write_port(unsigned short port, unsigned char value) {
    if (!permit(port, nullptr)) {
        ++failed_;
        return;
    }
#if defined(OSTRELO_HAVE_DIRECT_PORT)
    outb(value, port);
#endif
}

// ---- selection ------------------------------------------------------------

namespace {

PortSelection make_simulated(PerformanceCounter& counter, const char* trace_path,
                             std::string notice) {
    PortSelection selection;
    auto port = std::make_unique<SimulatedPort>(counter);
    selection.simulated = port.get();
    selection.writer = std::move(port);
    selection.backend = PortBackend::simulated;
    if (trace_path && *trace_path) {
        std::string error;
        if (!selection.simulated->open_trace(trace_path, &error)) {
            notice += (notice.empty() ? "" : " ") + error;
        }
    }
    selection.notice = std::move(notice);
    return selection;
}

constexpr const char* kSimulated = " La machine est simulée : aucun octet n'atteint le port.";

}  // namespace

PortSelection select_port_output(unsigned short port, const char* forced,
                                 PerformanceCounter& counter, const char* trace_path) {
    const std::string wanted = forced ? forced : "";
    std::string error;
    if (wanted.empty() || wanted == "ppdev") {
        if (auto ppdev = PpdevPort::open(port, &error)) {
            PortSelection selection;
            selection.writer = std::move(ppdev);
            selection.backend = PortBackend::ppdev;
            return selection;
        }
        return make_simulated(counter, trace_path, error + kSimulated);
    }
    if (wanted == "direct") {
        if (auto direct = DirectPort::open(port, &error)) {
            PortSelection selection;
            selection.writer = std::move(direct);
            selection.backend = PortBackend::direct;
            return selection;
        }
        return make_simulated(counter, trace_path, error + kSimulated);
    }
    if (wanted == "simulated") {
        return make_simulated(
            counter, trace_path,
            "Simulation demandée par VEXOR_PORT : aucun octet n'atteint le port.");
    }
    return make_simulated(
        counter, trace_path,
        "VEXOR_PORT=« " + wanted + " » est inconnu (ppdev, direct ou simulated)." + kSimulated);
}

PortSelection select_port_output_from_environment(unsigned short port,
                                                  PerformanceCounter& counter) {
    return select_port_output(port, std::getenv("VEXOR_PORT"), counter, std::getenv("VEXOR_TRACE"));
}

namespace {

SteadyCounter& machine_counter() {
    static SteadyCounter counter;
    return counter;
}

PortSelection& installed() {
    static PortSelection selection;
    return selection;
}

}  // namespace

void install_port_output(PortSelection selection) {
    installed() = std::move(selection);
}

const PortSelection& active_port_output() {
    PortSelection& selection = installed();
    if (!selection.writer) {
        selection = select_port_output_from_environment(0x378, machine_counter());
    }
    return selection;
}

}  // namespace platform

void DlPortWritePortUchar(unsigned short port, unsigned char value) {
    platform::active_port_output().writer->write_port(port, value);
}
