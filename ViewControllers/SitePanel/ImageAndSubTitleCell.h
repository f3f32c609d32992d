#pragma once
// Draws one row of the event log: its background picture over the whole row, the
// icon at the left, the title beside it and the grey subtitle (the time) under the
// title. Geometry in the view's top-left coordinates, as the row is laid out.
//
// A title or subtitle wider than the room beside the icon goes on over as many lines as
// it needs (at word boundaries, inside a word only when the word itself is too wide),
// and the row grows to hold them: at the site panel's width a disconnection's reason
// and site are read without scrolling sideways. A row is never lower than RowHeight.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
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
// The text in lines no wider than width; every character is on one of them, in order.
QStringList wrapLines(const QString& text, const QFont& font, double width);
// The size of the wrapped lines: the widest line and the lines' height together.
QSizeF wrappedSize(const QStringList& lines, const QFont& font);
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

  // Where everything of a row goes in its frame, with the title's and subtitle's lines.
  struct Layout {
    QRectF image;
    QRectF title;
    QRectF subtitle;
    QStringList titleLines;
    QStringList subtitleLines;
  };
  static Layout layout(const QRectF& frame, const Contents& contents);
  // The height a row of that width needs to show all of its text.
  static int rowHeight(const Contents& contents, double width);
  // Draws the row into frame; nothing outside it.
  static void drawInterior(QPainter& painter, const QRectF& frame, const Contents& contents);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace zelvo
