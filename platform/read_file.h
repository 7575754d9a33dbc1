#pragma once
// Checked reading: the one way the suite's readers take a file's bytes.
// Only a regular file is read (a pipe or a device could keep a reader
// waiting for ever, a folder has no bytes), and never more than the caller's
// limit, so that a huge or wrong file is refused instead of filling the
// memory. A failure says why in French, with the system's reason.

#include <cstddef>
#include <string>

namespace platform {

inline constexpr std::size_t kDefaultReadLimit = std::size_t{64} << 20;

// Reads the whole of `path` into `bytes`. False, with `bytes` untouched and a
// French message naming the file in `error`, when the file cannot be opened
// ("Impossible d'ouvrir le fichier « … » : introuvable."), is not a regular
// file, holds more than `max_bytes` bytes or cannot be read to its end.
[[nodiscard]] bool read_file(const std::string& path, std::string& bytes, std::string& error,
                             std::size_t max_bytes = kDefaultReadLimit);

// Whether `path` could be opened for reading as a regular file, for a file
// that another library reads; false with the same messages as read_file.
[[nodiscard]] bool check_readable_file(const std::string& path, std::string& error);

}  // namespace platform
