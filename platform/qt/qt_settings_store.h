#pragma once
// The settings stores kept by Qt (QSettings): the user's store of a program
// and a store over a given settings file. The cores see them only through
// platform::SettingsStore.

#include <memory>
#include <string>

#include "settings_store.h"

namespace platform {

// The user's store: organisation "Ostrelo", application `program`
// (an INI file under the user's configuration folder on Linux).
std::unique_ptr<SettingsStore> make_user_settings(const std::string& program);

// The file behind the user's store of `program`, whether it exists or not.
std::string user_settings_file(const std::string& program);

// A store over the settings file `path`, in the format of the user's store on
// Linux (INI), for a run that must use other settings than the user's.
std::unique_ptr<SettingsStore> make_file_settings(const std::string& path);

}  // namespace platform
