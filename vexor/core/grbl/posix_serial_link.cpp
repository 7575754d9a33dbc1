#include "posix_serial_link.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "file_errors.h"

namespace vexor::grbl {

std::string serial_open_failure(const std::string& device, int error_number) {
    if (error_number == ENOTTY) {
        return "« " + device + " » n'est pas un port série.";
    }
    // A port held by another program (exclusive mode, or its lock file).
    const std::string reason = error_number == EBUSY ? "déjà utilisé par un autre programme"
                                                     : platform::system_reason(error_number);
    std::string text = "Impossible d'ouvrir le port « " + device + " » : " + reason;
#ifdef __linux__
    if (error_number == EACCES) {
        text += " (ajoutez l'utilisateur au groupe dialout, puis ouvrez une nouvelle session)";
    }
#endif
    return text + ".";
}

PosixSerialLink::~PosixSerialLink() {
    close();
}

void PosixSerialLink::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool PosixSerialLink::open(const std::string& device, std::string& error) {
    close();
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = serial_open_failure(device, errno);
        return false;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        const int e = errno;
        ::close(fd);
        error = serial_open_failure(device, e);
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag &= ~(CSTOPB | PARENB | CSIZE | CRTSCTS);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    // A pseudo-terminal has no speed: the call may change nothing there.
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        const int e = errno;
        ::close(fd);
        error = serial_open_failure(device, e);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    return true;
}

bool PosixSerialLink::write(std::string_view bytes) {
    int waits = 0;
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waits < 100) {
            // The driver's output queue is full: the streamer never has more
            // than the controller's buffer in flight, so this drains at once.
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 10);
            ++waits;
        } else {
            close();  // gone, or a queue that never drains
        }
    }
    return fd_ >= 0;
}

std::string PosixSerialLink::read_available() {
    std::string out;
    char buf[512];
    while (fd_ >= 0) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else if (n == 0) {
            // Nothing to read (VMIN 0), or the other end hung up: an adapter
            // unplugged, a pseudo-terminal whose master closed.
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                close();
            }
            break;
        } else {
            close();  // EIO or ENXIO: the device is gone (a pty whose master closed: EIO)
        }
    }
    return out;
}

}  // namespace vexor::grbl
