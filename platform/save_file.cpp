#include "save_file.h"

#include <QSaveFile>
#include <QString>

namespace platform {

bool save_file(const std::string& path, std::string_view bytes, std::string* error) {
    const QString name = QString::fromStdString(path);
    auto fail = [&](const char* what) {
        if (error) {
            *error = std::string(what) + " « " + path + " ».";
        }
        return false;
    };
    if (name.isEmpty()) {
        if (error) {
            *error = "Aucun nom de fichier n'est donné.";
        }
        return false;
    }
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail("Impossible de créer le fichier");
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        file.cancelWriting();
        return fail("Impossible d'écrire le fichier");
    }
    if (!file.commit()) {
        return fail("Impossible d'enregistrer le fichier");
    }
    return true;
}

}  // namespace platform
