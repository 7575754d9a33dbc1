#pragma once
// Atomic saving: the one way the suite's files reach the disk.
// The bytes go to a temporary file with a unique name in the target's folder;
// every write is checked, the file is flushed to the disk and only then
// renamed over the target, and the folder is flushed after the rename. A
// failed save leaves the old file as it was and no temporary file behind.

#include <string>
#include <string_view>

namespace platform {

// Writes `bytes` to `path` (the bytes of the name are used as they stand,
// relative to the working directory; a symbolic link is kept and its target
// replaced). Returns false and fills `error` with a
// French message when the file cannot be written whole.
bool save_file(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Whether a name built from a user's or a file's text keeps the file in its
// folder: no "/", no "\\" and no "..". False fills `error` with a French
// message naming the text.
bool check_plain_name(const std::string& name, std::string& error);

// The same writer for a file produced piece by piece (a trace). The
// temporary file is removed when the object is destroyed without commit().
class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside `path`.
    bool open(const std::string& path, std::string* error = nullptr);
    // Appends bytes; a failure is remembered and reported by commit().
    bool write(std::string_view bytes);
    // Flushes the file, renames it over the target and flushes the folder.
    bool commit(std::string* error = nullptr);
    // Removes the temporary file.
    void cancel();

  private:
    bool fail(const char* what, std::string* error);
    void release_slot();

    int fd_ = -1;
    int errno_ = 0;       // the first failed write
    std::string path_;    // as given, for the messages
    std::string target_;  // the file replaced: a symbolic link's target
    std::string temp_;
    int slot_ = -1;  // where an interruption finds the temporary file
};

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary files of the saves in
// progress before they end the program as they would have. For programs that
// save from one thread.
void remove_temporary_files_on_interruption();

}  // namespace platform
