#pragma once
// Draws every row of the site tree: an icon, then the title; a spinner at the right
// end of a discovered recorder's row while it resolves; section rows as vertically
// centred titles without icon. The spinner is painted from the row's node each time
// (never a widget keyed by row number), turned by one timer that runs only while
// some row resolves.

#include <QRect>
#include <QSize>
#include <QStyledItemDelegate>
#include <QTimer>

namespace zelvo {

// The cell's geometry in the view's top-left coordinates; row is the row's rect and
// imageSize empty when the row has no icon.
namespace cell {
constexpr int ImageGap = 3;
constexpr int SpinnerSize = 16;
constexpr int SpinnerSlice = 20;
constexpr int SpinnerTitleCut = 16;
QRect imageRect(const QRect& row, const QSize& imageSize);
// The title's rectangle (also where the in-place editor goes when inProgress is false).
QRect titleRect(const QRect& row, const QSize& imageSize, bool inProgress);
QRect spinnerRect(const QRect& row);
QRect sectionTitleRect(const QRect& row, int textHeight);
// A section row: no icon and a title.
bool isGroupCell(bool hasImage, const QString& title);
QSize sizeHint(const QSize& base, const QSize& imageSize);
}  // namespace cell

class ImageAndTextCell : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static constexpr int RowHeight = 20;
  static constexpr int SpinnerIntervalMs = 80;

  explicit ImageAndTextCell(QAbstractItemView* view);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  bool spinning() const { return spinTimer_.isActive(); }

 private:
  void turn();
  void paintSpinner(QPainter* painter, const QRect& rect, const QColor& color) const;

  QAbstractItemView* view_;
  mutable QTimer spinTimer_;
  int phase_ = 0;
};

}  // namespace zelvo
