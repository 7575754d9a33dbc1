#include "recent_files.h"

#include <QAction>
#include <QFileInfo>

namespace platform {

namespace {

const std::string kSection = "Recent File List";

std::string key(int index) {
    return "File" + std::to_string(index + 1);
}

}  // namespace

RecentFiles::RecentFiles(SettingsStore* store) : store_(store) {
    read();
}

void RecentFiles::read() {
    if (store_ == nullptr) {
        return;
    }
    files_.clear();
    for (int i = 0; i < kCount; ++i) {
        const QString file = QString::fromStdString(store_->read_text(kSection, key(i)));
        if (!file.isEmpty()) {
            files_.append(file);
        }
    }
}

void RecentFiles::add(const QString& path) {
    read();
    files_.removeAll(path);
    files_.prepend(path);
    while (files_.size() > kCount) {
        files_.removeLast();
    }
    if (store_ == nullptr) {
        return;
    }
    for (int i = 0; i < kCount; ++i) {
        store_->write_text(kSection, key(i), i < files_.size() ? files_[i].toStdString() : "");
    }
}

void RecentFiles::show_in(const std::vector<QAction*>& actions) const {
    for (size_t i = 0; i < actions.size(); ++i) {
        const int index = static_cast<int>(i);
        actions[i]->setVisible(index < files_.size());
        if (index < files_.size()) {
            actions[i]->setText("&" + QString::number(index + 1) + " " +
                                QFileInfo(files_[index]).fileName());
            actions[i]->setData(files_[index]);
        }
    }
}

}  // namespace platform
