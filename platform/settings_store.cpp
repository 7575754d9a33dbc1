#include "settings_store.h"

#include "printable.h"

namespace platform {

int MemorySettingsStore::read_int(const std::string& section, const std::string& key,
                                  int default_value) const {
    auto it = values_.find({section, key});
    return it == values_.end() ? default_value : it->second;
}

bool MemorySettingsStore::write_int(const std::string& section, const std::string& key, int value) {
    values_[{section, key}] = value;
    return true;
}

std::string MemorySettingsStore::read_text(const std::string& section,
                                           const std::string& key) const {
    auto it = texts_.find({section, key});
    return it == texts_.end() ? std::string() : it->second;
}

bool MemorySettingsStore::write_text(const std::string& section, const std::string& key,
                                     const std::string& value) {
    texts_[{section, key}] = value;
    return true;
}

bool MemorySettingsStore::contains(const std::string& section, const std::string& key) const {
    return values_.count({section, key}) != 0;
}

int read_checked_int(const SettingsStore& store, const std::string& section, const std::string& key,
                     int default_value, int min, int max, std::vector<std::string>& notices) {
    const std::string name = "Le réglage " + section + "/" + key;
    const std::string replaced =
        " : la valeur par défaut " + std::to_string(default_value) + " est utilisée.";
    std::string text;
    if (store.unreadable(section, key, text)) {
        notices.push_back(name + " enregistré (« " + printable(text) +
                          " ») n'est pas un nombre entier" + replaced);
        return default_value;
    }
    const int value = store.read_int(section, key, default_value);
    if (value < min || value > max) {
        notices.push_back(name + " enregistré (" + std::to_string(value) +
                          ") sort de l'intervalle " + std::to_string(min) + " à " +
                          std::to_string(max) + replaced);
        return default_value;
    }
    return value;
}

}  // namespace platform
