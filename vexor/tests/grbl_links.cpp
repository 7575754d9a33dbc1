#include "grbl_links.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace vexor::grbl::testing {

bool MemoryLink::write(std::string_view bytes) {
    if (out_->closed) {
        return false;
    }
    out_->bytes.append(bytes);
    return true;
}

std::string MemoryLink::read_available() {
    std::string r;
    r.swap(in_->bytes);
    return r;
}

std::pair<std::unique_ptr<MemoryLink>, std::unique_ptr<MemoryLink>> memory_pair() {
    auto a = std::make_shared<Pipe>();
    auto b = std::make_shared<Pipe>();
    return {std::make_unique<MemoryLink>(a, b), std::make_unique<MemoryLink>(b, a)};
}

std::pair<std::unique_ptr<FdLink>, std::unique_ptr<FdLink>> pty_pair(std::string* slave_path) {
    // Close-on-exec: a program started on the slave must not hold the master open.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        return {};
    }
    const char* name = ptsname(master);
    const int slave = name ? ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (slave < 0) {
        ::close(master);
        return {};
    }
    if (slave_path) {
        *slave_path = name;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    return {std::make_unique<FdLink>(master), std::make_unique<FdLink>(slave)};
}

}  // namespace vexor::grbl::testing
