#include "save_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "file_errors.h"
#include "printable.h"

namespace platform {

namespace {

// The folder of `path` ("." for a bare name), for the flush after the rename.
std::string folder_to_flush(const std::string& path) {
    const std::string folder = folder_of(path);
    return folder.empty() ? "." : folder;
}

// The file a save replaces: a symbolic link is followed to its target, so
// that the link stays and its target gets the new content.
std::string final_target(const std::string& path) {
    std::filesystem::path target(path);
    std::error_code ec;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, ec); ++hops) {
        const std::filesystem::path link = std::filesystem::read_symlink(target, ec);
        if (ec) {
            break;
        }
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target.string();
}

// A new file beside `path` under a name nobody can have prepared: created
// exclusively, so neither an existing file nor a symbolic link is followed.
int create_temp(const std::string& path, std::string& temp) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<int> pick(0, sizeof kChars - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + ".";
        for (int i = 0; i < 8; ++i) {
            temp += kChars[pick(random)];
        }
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The temporary files being written, for a signal handler: fixed storage,
// as a handler may neither allocate nor lock.
constexpr int kSlots = 8;
char g_temp_names[kSlots][4096];
volatile std::sig_atomic_t g_temp_used[kSlots];

int claim_slot(const std::string& temp) {
    for (int i = 0; i < kSlots; ++i) {
        if (g_temp_used[i] == 0 && temp.size() < sizeof g_temp_names[i]) {
            std::memcpy(g_temp_names[i], temp.c_str(), temp.size() + 1);
            g_temp_used[i] = 1;
            return i;
        }
    }
    return -1;
}

extern "C" void remove_temporary_files_and_stop(int signal) {
    for (int i = 0; i < kSlots; ++i) {
        if (g_temp_used[i] != 0) {
            ::unlink(g_temp_names[i]);
        }
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void remove_temporary_files_on_interruption() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, remove_temporary_files_and_stop);
    }
}

AtomicFile::~AtomicFile() {
    cancel();
}

bool AtomicFile::fail(const char* what, std::string* error) {
    const int reason = errno;
    cancel();
    if (error) {
        *error = std::string(what) + " « " + printable(path_) +
                 " » : " + write_failure_reason(path_, reason) + ".";
    }
    errno = reason;
    return false;
}

bool AtomicFile::open(const std::string& path, std::string* error) {
    cancel();
    path_ = path;
    errno_ = 0;
    if (path.empty()) {
        if (error) {
            *error = "Aucun nom de fichier n'est donné.";
        }
        return false;
    }
    target_ = final_target(path);
    // An interruption between the file's creation and its entry in the
    // table would leave it behind: the signals that remove it wait until
    // it is entered.
    sigset_t stops, before;
    sigemptyset(&stops);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&stops, signal);
    }
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    fd_ = create_temp(target_, temp_);
    if (fd_ >= 0) {
        slot_ = claim_slot(temp_);
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (fd_ < 0) {
        temp_.clear();
        return fail("Impossible de créer le fichier", error);
    }
    // A file that is replaced keeps its permissions.
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd_, old.st_mode & 07777);
    }
    return true;
}

bool AtomicFile::write(std::string_view bytes) {
    if (fd_ < 0 || errno_ != 0) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            errno_ = n < 0 ? errno : ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool AtomicFile::commit(std::string* error) {
    if (fd_ < 0) {
        return fail("Impossible d'écrire le fichier", error);
    }
    if (errno_ != 0) {
        errno = errno_;
        return fail("Impossible d'écrire le fichier", error);
    }
    // The data must be on the disk before the name points at it.
    if (::fsync(fd_) != 0) {
        return fail("Impossible d'écrire le fichier", error);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        return fail("Impossible d'écrire le fichier", error);
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        return fail("Impossible d'enregistrer le fichier", error);
    }
    temp_.clear();
    release_slot();
    // The rename itself must reach the disk; a file system that cannot flush
    // a folder says so with EINVAL and has nothing more to do.
    const int dir = ::open(folder_to_flush(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        return fail("Impossible d'enregistrer le fichier", error);
    }
    const bool synced = ::fsync(dir) == 0 || errno == EINVAL;
    const int reason = errno;
    ::close(dir);
    errno = reason;
    return synced ? true : fail("Impossible d'enregistrer le fichier", error);
}

void AtomicFile::cancel() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    release_slot();
}

void AtomicFile::release_slot() {
    if (slot_ >= 0) {
        g_temp_used[slot_] = 0;
        slot_ = -1;
    }
}

bool check_plain_name(const std::string& name, std::string& error) {
    if (name.find_first_of("/\\") == std::string::npos && name.find("..") == std::string::npos) {
        return true;
    }
    error = "Le nom « " + printable(name) +
            " » ne peut contenir ni « / », ni « \\ », ni « .. » : il est refusé.";
    return false;
}

bool save_file(const std::string& path, std::string_view bytes, std::string* error) {
    AtomicFile file;
    if (!file.open(path, error)) {
        return false;
    }
    file.write(bytes);
    return file.commit(error);
}

}  // namespace platform
