#include "qt_settings_store.h"

#include <QSettings>
#include <QString>

namespace platform {

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

    bool unreadable(const std::string& section, const std::string& key,
                    std::string& text) const override {
        const QVariant v = settings_.value(path(section, key));
        bool ok = false;
        v.toInt(&ok);
        if (!v.isValid() || ok) {
            return false;
        }
        text = v.toString().toStdString();
        return true;
    }

    bool write_int(const std::string& section, const std::string& key, int value) override {
        settings_.setValue(path(section, key), value);
        settings_.sync();
        return settings_.status() == QSettings::NoError;
    }

    std::string read_text(const std::string& section, const std::string& key) const override {
        return settings_.value(path(section, key)).toString().toStdString();
    }

    bool write_text(const std::string& section, const std::string& key,
                    const std::string& value) override {
        settings_.setValue(path(section, key), QString::fromStdString(value));
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
