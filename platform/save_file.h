#pragma once
// Atomic saving: the one way the suite's files reach the disk.
// The bytes go to a temporary file in the target's folder, which is renamed
// over the target only when everything was written; a failed save leaves the
// old file as it was.

#include <string>
#include <string_view>

namespace platform {

// Writes `bytes` to `path` (UTF-8 path, relative to the working directory).
// Returns false and fills `error` with a French message when the file cannot
// be written.
bool save_file(const std::string& path, std::string_view bytes, std::string* error = nullptr);

}  // namespace platform
