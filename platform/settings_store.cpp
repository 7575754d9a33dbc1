#include "settings_store.h"

#include <QSettings>
#include <QString>

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

bool MemorySettingsStore::contains(const std::string& section, const std::string& key) const {
    return values_.count({section, key}) != 0;
}

namespace {

class QtSettingsStore : public SettingsStore {
  public:
    explicit QtSettingsStore(const std::string& program)
        : settings_(QSettings::NativeFormat, QSettings::UserScope, "Ostrelo",
                    QString::fromStdString(program)) {}
    explicit QtSettingsStore(const QString& file) : settings_(file, QSettings::IniFormat) {}

    int read_int(const std::string& section, const std::string& key,
                 int default_value) const override {
        const QVariant v = settings_.value(path(section, key));
        bool ok = false;
        const int n = v.toInt(&ok);
        return ok ? n : default_value;
    }

    bool write_int(const std::string& section, const std::string& key, int value) override {
        settings_.setValue(path(section, key), value);
        settings_.sync();
        return settings_.status() == QSettings::NoError;
    }

  private:
    static QString path(const std::string& section, const std::string& key) {
        return QString::fromStdString(section) + '/' + QString::fromStdString(key);
    }
    mutable QSettings settings_;
};

}  // namespace

std::unique_ptr<SettingsStore> make_user_settings(const std::string& program) {
    return std::make_unique<QtSettingsStore>(program);
}

std::string user_settings_file(const std::string& program) {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Ostrelo",
                             QString::fromStdString(program));
    return settings.fileName().toStdString();
}

std::unique_ptr<SettingsStore> make_file_settings(const std::string& path) {
    return std::make_unique<QtSettingsStore>(QString::fromStdString(path));
}

}  // namespace platform
