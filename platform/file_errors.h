#pragma once
// Why a file or a folder cannot be written, in the user's words, and the
// output folder of a batch run, made ready before anything is written.

#include <string>

namespace platform {

// The French reason of a failed file operation from the C library's error
// number: "permission refusée", "disque plein", "introuvable"...
std::string system_reason(int error_number);

// Why `path` could not be written after the system answered `error_number`,
// naming the folder when the folder is the cause:
// "dossier « sortie » introuvable", "dossier « sortie » : permission refusée",
// "disque plein".
std::string write_failure_reason(const std::string& path, int error_number);

// Creates `folder` (and the folders above it) when it is missing and checks
// that files can be created in it. False with a French message naming the
// folder and the system's reason otherwise.
bool make_output_folder(const std::string& folder, std::string& error);

// The folder part of a file path ("" for a file of the current folder).
std::string folder_of(const std::string& path);

}  // namespace platform
