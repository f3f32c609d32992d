#pragma once
// One row of the event log: what happened, when it arrived (as text) and its icon.
// A plain value: a copy is a new row with the same three values.

#include <QImage>
#include <QString>

namespace zelvo {

class LogCellInfo {
 public:
  LogCellInfo() = default;
  LogCellInfo(QString title, QString subtitle, QImage image)
      : title_(std::move(title)), subtitle_(std::move(subtitle)), image_(std::move(image)) {}

  const QString& title() const { return title_; }
  const QString& subtitle() const { return subtitle_; }
  const QImage& image() const { return image_; }
  void setTitle(QString title) { title_ = std::move(title); }
  void setSubtitle(QString subtitle) { subtitle_ = std::move(subtitle); }
  void setImage(QImage image) { image_ = std::move(image); }

 private:
  QString title_;
  QString subtitle_;
  QImage image_;
};

}  // namespace zelvo
