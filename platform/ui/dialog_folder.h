#pragma once
// The folder an open-file dialog starts in.

#include <QString>

namespace platform {

// `remembered` when it is an existing folder, else the examples folder found
// beside the program, else empty (the dialog's own default).
QString dialog_folder(const QString& remembered);

// The same folder followed by a file name pattern ("<folder>/*.dxf"), or the
// pattern alone when there is no folder.
QString dialog_folder(const QString& remembered, const QString& pattern);

}  // namespace platform
