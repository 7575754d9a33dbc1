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

FdLink::~FdLink() {
    close();
}

void FdLink::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool FdLink::write(std::string_view bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            usleep(100);
        } else {
            close();
        }
    }
    return fd_ >= 0;
}

std::string FdLink::read_available() {
    std::string out;
    char buf[512];
    while (fd_ >= 0) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            break;
        } else {
            close();  // EIO: the other side is gone
        }
    }
    return out;
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
