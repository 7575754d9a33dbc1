#pragma once
// Per-user store of settings, read and written by section and key: integers,
// and the texts of the recent-file list.

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual int read_int(const std::string& section, const std::string& key,
                         int default_value) const = 0;
    virtual bool write_int(const std::string& section, const std::string& key, int value) = 0;
    // Whether the entry exists but is not an integer (read_int then gives the
    // default); `text` receives what is stored.
    virtual bool unreadable(const std::string& /*section*/, const std::string& /*key*/,
                            std::string& /*text*/) const {
        return false;
    }
    // A text entry; empty when there is none. A store without texts keeps none.
    virtual std::string read_text(const std::string& /*section*/,
                                  const std::string& /*key*/) const {
        return {};
    }
    virtual bool write_text(const std::string& /*section*/, const std::string& /*key*/,
                            const std::string& /*value*/) {
        return false;
    }
};

// Reads an integer that must lie between `min` and `max`. An entry that is
// not an integer or lies outside gives `default_value`, and a French notice
// saying which setting was replaced and why is added to `notices`.
int read_checked_int(const SettingsStore& store, const std::string& section, const std::string& key,
                     int default_value, int min, int max, std::vector<std::string>& notices);

// In-memory store, for tests and for runs that must not touch the user's settings.
class MemorySettingsStore : public SettingsStore {
  public:
    int read_int(const std::string& section, const std::string& key,
                 int default_value) const override;
    bool write_int(const std::string& section, const std::string& key, int value) override;
    std::string read_text(const std::string& section, const std::string& key) const override;
    bool write_text(const std::string& section, const std::string& key,
                    const std::string& value) override;
    bool contains(const std::string& section, const std::string& key) const;

  private:
    std::map<std::pair<std::string, std::string>, int> values_;
    std::map<std::pair<std::string, std::string>, std::string> texts_;
};

// Another store, read through and never written: a screenshot, a trial run
// or a command line must not change the user's settings.
class ReadOnlySettingsStore : public SettingsStore {
  public:
    explicit ReadOnlySettingsStore(std::unique_ptr<SettingsStore> store)
        : store_(std::move(store)) {}
    int read_int(const std::string& section, const std::string& key,
                 int default_value) const override {
        return store_->read_int(section, key, default_value);
    }
    bool write_int(const std::string&, const std::string&, int) override { return false; }
    bool unreadable(const std::string& section, const std::string& key,
                    std::string& text) const override {
        return store_->unreadable(section, key, text);
    }
    std::string read_text(const std::string& section, const std::string& key) const override {
        return store_->read_text(section, key);
    }

  private:
    std::unique_ptr<SettingsStore> store_;
};

// The stores kept by Qt (the user's, one over a settings file) are in
// qt/qt_settings_store.h, target platform_qt.

}  // namespace platform
