#include "dialog_folder.h"

#include <QDir>
#include <QFileInfo>

#include "examples_folder.h"

namespace platform {

QString dialog_folder(const QString& remembered) {
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) {
        return remembered;
    }
    return QString::fromStdString(examples_folder());
}

QString dialog_folder(const QString& remembered, const QString& pattern) {
    const QString folder = dialog_folder(remembered);
    if (folder.isEmpty() || pattern.isEmpty()) {
        return folder.isEmpty() ? pattern : folder;
    }
    return QDir(folder).filePath(pattern);
}

}  // namespace platform
