#include "read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "file_errors.h"
#include "printable.h"

namespace platform {

namespace {

std::string quoted(const std::string& path) {
    return "« " + printable(path) + " »";
}

// Opens `path` for reading as a regular file; -1 with the message otherwise.
// The file is opened without waiting (a pipe with no writer would block the
// open itself) and only then looked at, so the check holds for what is read.
int open_regular(const std::string& path, std::string& error, off_t& size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error =
            "Impossible d'ouvrir le fichier " + quoted(path) + " : " + system_reason(errno) + ".";
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "Impossible d'ouvrir le fichier " + quoted(path) + " : ce n'est pas un fichier.";
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = st.st_size;
    return fd;
}

std::string too_large(const std::string& path) {
    return "Le fichier " + quoted(path) + " est trop grand pour être lu.";
}

}  // namespace

bool read_file(const std::string& path, std::string& bytes, std::string& error,
               std::size_t max_bytes) {
    off_t size = 0;
    const int fd = open_regular(path, error, size);
    if (fd < 0) {
        return false;
    }
    if (static_cast<std::uintmax_t>(size) > max_bytes) {
        ::close(fd);
        error = too_large(path);
        return false;
    }
    // The size is only a first guess: the file may grow or shrink meanwhile.
    std::string data;
    data.reserve(static_cast<std::size_t>(size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = "Impossible de lire le fichier " + quoted(path) + " : " + system_reason(errno) +
                    ".";
            ::close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        if (static_cast<std::size_t>(n) > max_bytes - data.size()) {
            ::close(fd);
            error = too_large(path);
            return false;
        }
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    bytes = std::move(data);
    return true;
}

bool check_readable_file(const std::string& path, std::string& error) {
    off_t size = 0;
    const int fd = open_regular(path, error, size);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace platform
