#include "file_errors.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string folder_name(const std::string& folder) {
    return folder.empty() ? "dossier courant" : "dossier « " + folder + " »";
}

bool is_permission(int error_number) {
    return error_number == EACCES || error_number == EPERM;
}

}  // namespace

std::string system_reason(int error_number) {
    switch (error_number) {
        case EACCES:
        case EPERM:
            return "permission refusée";
        case ENOENT:
            return "introuvable";
        case ENOSPC:
            return "disque plein";
        case EDQUOT:
            return "quota du disque dépassé";
        case EROFS:
            return "disque en lecture seule";
        case ENOTDIR:
            return "un élément du chemin n'est pas un dossier";
        case EISDIR:
            return "c'est un dossier";
        case ENAMETOOLONG:
            return "nom trop long";
        case EIO:
            return "erreur d'entrée-sortie du disque";
        case EMFILE:
        case ENFILE:
            return "trop de fichiers ouverts";
        default:
            return "erreur du système n° " + std::to_string(error_number);
    }
}

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string write_failure_reason(const std::string& path, int error_number) {
    const std::string folder = folder_of(path);
    const fs::path where = folder.empty() ? fs::path(".") : fs::path(folder);
    std::error_code ec;
    if (!fs::exists(where, ec)) {
        return folder_name(folder) + " introuvable";
    }
    if (!fs::is_directory(where, ec)) {
        return "« " + folder + " » n'est pas un dossier";
    }
    if (fs::is_directory(fs::path(path), ec)) {
        return "« " + path + " » est un dossier";
    }
    if (is_permission(error_number) || ::access(where.c_str(), W_OK | X_OK) != 0) {
        return folder_name(folder) + " : permission refusée";
    }
    return system_reason(error_number);
}

bool make_output_folder(const std::string& folder, std::string& error) {
    const fs::path where = folder.empty() ? fs::path(".") : fs::path(folder);
    std::error_code ec;
    if (fs::exists(where, ec) && !fs::is_directory(where, ec)) {
        error = "« " + folder + " » existe et n'est pas un dossier.";
        return false;
    }
    if (!fs::create_directories(where, ec) && ec) {
        error = "Impossible de créer le " + folder_name(folder) + " : " +
                system_reason(ec.value()) + ".";
        return false;
    }
    if (::access(where.c_str(), W_OK | X_OK) != 0) {
        error = "Impossible d'écrire dans le " + folder_name(folder) + " : " +
                system_reason(errno) + ".";
        return false;
    }
    return true;
}

}  // namespace platform
