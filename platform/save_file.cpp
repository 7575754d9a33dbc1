#include "save_file.h"

#include <QSaveFile>
#include <QString>
#include <cerrno>

#include "file_errors.h"

namespace platform {

bool save_file(const std::string& path, std::string_view bytes, std::string* error) {
    const QString name = QString::fromStdString(path);
    if (name.isEmpty()) {
        if (error) {
            *error = "Aucun nom de fichier n'est donné.";
        }
        return false;
    }
    QSaveFile file(name);
    // The system's error number is read at once, before anything else may
    // change it; Qt tells a full disk apart from other write errors.
    auto fail = [&](const char* what) {
        int error_number = errno;
        if (file.error() == QFileDevice::ResourceError && error_number != EDQUOT) {
            error_number = ENOSPC;
        }
        if (error) {
            *error = std::string(what) + " « " + path +
                     " » : " + platform::write_failure_reason(path, error_number) + ".";
        }
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) {
        return fail("Impossible de créer le fichier");
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        const bool failed = fail("Impossible d'écrire le fichier");
        file.cancelWriting();
        return failed;
    }
    if (!file.commit()) {
        return fail("Impossible d'enregistrer le fichier");
    }
    return true;
}

}  // namespace platform
