#include "ViewControllers/Wall/SnapshotMimeData.h"

#include <QDir>
#include <QFileInfo>

#include "Foundation/Log.h"
#include "ViewControllers/Wall/PlaneSnapshotFile.h"

namespace zelvo {

namespace {
const QString UriList = QStringLiteral("text/uri-list");
}

SnapshotMimeData::SnapshotMimeData(QImage image, QString folder, QString fileName)
    : image_(std::move(image)), folder_(std::move(folder)), fileName_(std::move(fileName)) {}

QStringList SnapshotMimeData::formats() const { return {UriList}; }

bool SnapshotMimeData::hasFormat(const QString& mimeType) const { return mimeType == UriList; }

QString SnapshotMimeData::filePath() const {
  return folder_.isEmpty() || fileName_.isEmpty() ? QString() : QDir(folder_).filePath(fileName_);
}

QUrl SnapshotMimeData::provide() const {
  const QString path = filePath();
  if (path.isEmpty()) {
    zelvoLog("Snapshot: no folder for the copied plane");
    return {};
  }
  if (!QFileInfo(path).isFile()) {
    if (!writeSnapshotJpeg(image_, path)) return {};
    ++writes_;
  }
  return QUrl::fromLocalFile(path);
}

QVariant SnapshotMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
  if (mimeType != UriList) return {};
  const QUrl url = provide();
  if (url.isEmpty()) return {};
  if (type.id() == QMetaType::QByteArray || type.id() == QMetaType::QString) {
    const QByteArray line = url.toEncoded() + "\r\n";
    return type.id() == QMetaType::QString ? QVariant(QString::fromUtf8(line)) : QVariant(line);
  }
  return QVariant(QList<QVariant>{QVariant(url)});
}

}  // namespace zelvo
