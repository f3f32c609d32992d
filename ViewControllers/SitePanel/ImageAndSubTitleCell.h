#pragma once
// Draws one row of the event log: its background picture over the whole row, the
// icon at the left, the title beside it and the grey subtitle (the time) under the
// title. Geometry in the view's top-left coordinates, as the row is laid out.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStyledItemDelegate>

class QPainter;

namespace zelvo {

namespace subtitlecell {
// The icon 5 in from the left, centred in height (one point higher, rounded down).
QRectF imageRect(const QRectF& frame, QSizeF imageSize);
// Beside the icon (12 further right; 12 from the left without one), one below the
// top, as wide as the title but never past the row's right edge nor below 0.
QRectF titleRect(const QRectF& frame, QSizeF imageSize, QSizeF titleSize);
// Under the title to the row's right edge; empty without a subtitle.
QRectF subtitleRect(const QRectF& frame, const QRectF& titleRect, bool hasSubtitle);
bool isGroupCell(bool hasImage, const QString& title);
QSizeF cellSize(QSizeF base, QSizeF imageSize);
}  // namespace subtitlecell

class ImageAndSubTitleCell : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static constexpr int RowHeight = 36;

  // What one row shows.
  struct Contents {
    QImage image;
    QString title;
    QString subTitleText;
    QImage backgroundImage;
  };

  explicit ImageAndSubTitleCell(QObject* parent = nullptr);

  // The application's font at 11 points.
  static QFont titleFont();
  // "Helvetica" 10 points in grey (120, 120, 120).
  static QFont subtitleFont();
  static QColor subtitleColor();
  // A row's contents from the log model's roles.
  static Contents contentsOf(const QModelIndex& index);
  // Draws the row into frame; nothing outside it.
  static void drawInterior(QPainter& painter, const QRectF& frame, const Contents& contents);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace zelvo
