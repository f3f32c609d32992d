#pragma once
// What Copy puts on the clipboard for a plane: a file URL of its JPEG snapshot. The
// object owns the picture and the file name from Copy on, so a later drag or copy on the
// wall cannot change what a paste gets. The file is written when a reader first asks;
// every request gets the same URL (and the file back if it was removed meanwhile).

#include <QImage>
#include <QMimeData>
#include <QString>
#include <QUrl>

namespace zelvo {

class SnapshotMimeData : public QMimeData {
  Q_OBJECT
 public:
  SnapshotMimeData(QImage image, QString folder, QString fileName);

  QStringList formats() const override;
  bool hasFormat(const QString& mimeType) const override;
  QString filePath() const;
  int writes() const { return writes_; }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

 private:
  // The file URL, writing the file first when it is not there; empty on failure.
  QUrl provide() const;

  QImage image_;
  QString folder_;
  QString fileName_;
  mutable int writes_ = 0;
};

}  // namespace zelvo
