#include "ViewControllers/Wall/PlaneSnapshotFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTemporaryDir>

#include <memory>
#include <mutex>

#include "Foundation/Log.h"

namespace zelvo {

namespace {

constexpr qsizetype MaxNameBytes = 254;

QString safeTitle(const QString& title, qsizetype maxBytes) {
  QString safe;
  qsizetype bytes = 0;
  const QList<uint> codePoints = title.toUcs4();
  for (uint c : codePoints) {
    if (c == '/' || c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0)) c = '_';
    const qsizetype size = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    if (bytes + size > maxBytes) break;
    bytes += size;
    const char32_t ch = c;
    safe += QString::fromUcs4(&ch, 1);
  }
  return safe;
}

}  // namespace

QString snapshotFilename(const QString& cameraTitle, const QDateTime& localTime) {
  const QString time = QLocale::c().toString(localTime, QStringLiteral("yyyy-MM-dd hh.mm.ss AP"));
  const qsizetype fixed = QStringLiteral("Zelvo__.jpg").toUtf8().size() + time.toUtf8().size();
  return QStringLiteral("Zelvo_%1_%2.jpg").arg(safeTitle(cameraTitle, MaxNameBytes - fixed), time);
}

QString snapshotFolder() {
  static std::once_flag once;
  static std::unique_ptr<QTemporaryDir> folder;
  std::call_once(once, [] {
    // mkdtemp: a new directory of mode 0700 that nobody else could have placed there.
    folder = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("Zelvo-snapshots-XXXXXX")));
    if (!folder->isValid()) {
      zelvoLog("Snapshot folder: %s", qPrintable(folder->errorString()));
      folder.reset();
    }
  });
  return folder ? folder->path() : QString();
}

QImage imageFromRgba(const RgbaImage& image) {
  if (image.isNull()) return {};
  QImage result(image.pixels.data(), image.width, image.height, image.width * 4, QImage::Format_RGBA8888);
  return result.convertToFormat(QImage::Format_RGB32);
}

bool writeSnapshotJpeg(const QImage& image, const QString& path) {
  if (image.isNull() || path.isEmpty()) {
    zelvoLog("Snapshot: nothing to write");
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    zelvoLog("Snapshot %s: %s", qPrintable(path), qPrintable(file.errorString()));
    return false;
  }
  if (!image.save(&file, "JPEG")) {
    file.cancelWriting();
    zelvoLog("Snapshot %s: the image did not encode", qPrintable(path));
    return false;
  }
  if (!file.commit()) {
    zelvoLog("Snapshot %s: %s", qPrintable(path), qPrintable(file.errorString()));
    return false;
  }
  return true;
}

}  // namespace zelvo
