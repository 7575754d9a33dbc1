#include "examples_folder.h"

namespace platform {

namespace fs = std::filesystem;

std::string examples_folder_beside(const fs::path& executable) {
    std::error_code ec;
    const fs::path program = fs::canonical(executable, ec);
    if (ec) {
        return {};
    }
    const fs::path folder =
        fs::canonical(program.parent_path() / ".." / "share" / "ostrelo" / "examples", ec);
    if (ec || !fs::is_directory(folder, ec)) {
        return {};
    }
    return folder.string();
}

std::string examples_folder() {
    std::error_code ec;
    const fs::path running = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : examples_folder_beside(running);
}

}  // namespace platform
