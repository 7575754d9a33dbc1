#include "text_file.h"

#include "read_file.h"

namespace alyra {

bool read_text_file(const std::string& path, std::string& bytes, std::string& error,
                    std::size_t max_bytes) {
    return platform::read_file(path, bytes, error, max_bytes);
}

std::string file_name_of(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace alyra
