#pragma once
// Helpers shared by Alyra's tests.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "alyra_model.h"

namespace alyra_test {

namespace fs = std::filesystem;

inline std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string example(const char* name) {
    return (fs::path(ALYRA_EXAMPLES) / name).string();
}

struct TempDir {
    fs::path path;
    explicit TempDir(const std::string& tag)
        : path(fs::temp_directory_path() / ("alyra_" + tag + "_" + std::to_string(::getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

// A model with both example profiles loaded and the given field texts.
inline alyra::AlyraModel panel_model(const char* root, const char* tip) {
    alyra::AlyraModel m;
    std::string error;
    if (!m.Charge_Profil_Empl(example(root), error) || !m.Charge_Profil_Saum(example(tip), error)) {
        throw std::runtime_error(error);
    }
    return m;
}

// The realistic panel of the golden files: tapered, swept and twisted.
inline void set_golden_panel(alyra::AlyraModel& m) {
    m.fields.txt_corde_empl = "280";
    m.fields.txt_href_empl = "20";
    m.fields.txt_vril_empl2 = "0";
    m.fields.txt_corde_saum = "160";
    m.fields.txt_href_saum = "25";
    m.fields.txt_vril_saum2 = "-2";
    m.fields.txt_fleche = "90";
    m.fields.Txt_Long = "650";
    m.Txt_Nom_proj = "Aile";
}

}  // namespace alyra_test
