#include "text_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace alyra {

bool read_text_file(const std::string& path, std::string& bytes, std::string& error,
                    std::size_t max_bytes) {
    // Only a regular file: opening a pipe or a device could wait for ever.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path), ec)) {
        error = "Impossible d'ouvrir le fichier « " + path + " » : ce n'est pas un fichier.";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Impossible d'ouvrir le fichier « " + path + " ».";
        return false;
    }
    std::string data;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        data.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (data.size() > max_bytes) {
            error = "Le fichier « " + path + " » est trop grand pour être lu.";
            return false;
        }
    }
    if (in.bad()) {
        error = "Erreur de lecture du fichier « " + path + " ».";
        return false;
    }
    bytes = std::move(data);
    return true;
}

std::string file_name_of(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace alyra
