#pragma once
// Reading a whole text file for the readers of Alyra, bounded in size so that
// a huge or wrong file is refused instead of filling the memory.

#include <cstddef>
#include <string>

namespace alyra {

inline constexpr std::size_t kMaxFileBytes = 8 * 1024 * 1024;

// Reads `path` into `bytes`. Fails with a French message when the file is not
// a regular file (a pipe would never end), cannot be opened or read, or is larger than `max_bytes`.
bool read_text_file(const std::string& path, std::string& bytes, std::string& error,
                    std::size_t max_bytes = kMaxFileBytes);

// The last component of a path written with "/" or "\".
std::string file_name_of(const std::string& path);

}  // namespace alyra
