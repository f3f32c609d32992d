#pragma once
// Snapshot files of wall planes: their names, their private folder and their writing.
// The camera title in a name comes from the recorder or the operator, so it is made safe
// for one path component; the folder is this process's own, not shared with other users.

#include <QDateTime>
#include <QImage>
#include <QString>

#include "openglkit/RgbaImage.h"

namespace zelvo {

// "Zelvo_<title>_<yyyy-MM-dd hh.mm.ss AM>.jpg" in the given local time. In the title "/",
// NUL and the other control characters become "_"; it is cut on a whole character so
// that the name stays under 255 bytes.
QString snapshotFilename(const QString& cameraTitle, const QDateTime& localTime);

// A folder made for this process under the temporary folder: mode 0700, a real
// directory; removed when the process ends. Empty when it cannot be made.
QString snapshotFolder();

// The upright picture of a read-back plane image.
QImage imageFromRgba(const RgbaImage& image);

// Writes the JPEG whole or not at all (a reader never sees part of it). False, with a
// log line, when the folder is missing or not writable or the image does not encode.
bool writeSnapshotJpeg(const QImage& image, const QString& path);

}  // namespace zelvo
