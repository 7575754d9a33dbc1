#pragma once
// The recent-file list of a program's File menu: the last four files opened
// or saved, the newest first. The store keeps it as the texts
// "Recent File List/File1" to "File4", an empty text for a free place; a
// file that no longer exists stays in the list until it drops out of it.

#include <QString>
#include <QStringList>
#include <vector>

#include "settings_store.h"

class QAction;

namespace platform {

class RecentFiles {
  public:
    static constexpr int kCount = 4;

    // Reads the list from `store`; without a store the list lives only as
    // long as this object.
    explicit RecentFiles(SettingsStore* store);

    const QStringList& files() const { return files_; }
    // Puts `path` first (once), drops what is past the fourth and writes the
    // list; the store is read again before, so that what another window of
    // the program stored meanwhile is kept.
    void add(const QString& path);
    // Shows entry i in actions[i] ("&1 name", the path as the action's
    // data) and hides the actions past the list.
    void show_in(const std::vector<QAction*>& actions) const;

  private:
    void read();

    SettingsStore* store_;
    QStringList files_;
};

}  // namespace platform
