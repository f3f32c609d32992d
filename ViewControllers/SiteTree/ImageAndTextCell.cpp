#include "ViewControllers/SiteTree/ImageAndTextCell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <cmath>

#include "ViewControllers/SiteTree/SiteTreeModel.h"

namespace zelvo {

namespace cell {

namespace {
int ceilHalf(int v) { return static_cast<int>(std::ceil(v / 2.0)); }
int floorHalf(int v) { return static_cast<int>(std::floor(v / 2.0)); }
int slice(const QSize& imageSize) { return imageSize.isEmpty() ? ImageGap : imageSize.width() + ImageGap; }
}  // namespace

QRect imageRect(const QRect& row, const QSize& imageSize) {
  return QRect(row.x() + ImageGap, row.y() - 1 + ceilHalf(row.height() - imageSize.height()), imageSize.width(),
               imageSize.height());
}

QRect titleRect(const QRect& row, const QSize& imageSize, bool inProgress) {
  const int x = row.x() + slice(imageSize);
  const int w = row.width() - slice(imageSize);
  return QRect(x + 2, row.y() + 2, w - (inProgress ? SpinnerTitleCut : 0), row.height() - 4);
}

QRect spinnerRect(const QRect& row) {
  const int sliceX = row.x() + row.width() - SpinnerSlice;
  return QRect(sliceX + 2, row.y() + ceilHalf(row.height() - SpinnerSize), SpinnerSize, SpinnerSize);
}

QRect sectionTitleRect(const QRect& row, int textHeight) {
  const int d = floorHalf(row.height() - textHeight);
  return QRect(row.x(), row.y() + d, row.width(), row.height() - 2 * d);
}

bool isGroupCell(bool hasImage, const QString& title) { return !hasImage && !title.isEmpty(); }

QSize sizeHint(const QSize& base, const QSize& imageSize) {
  return QSize(base.width() + slice(imageSize), base.height());
}

}  // namespace cell

ImageAndTextCell::ImageAndTextCell(QAbstractItemView* view) : QStyledItemDelegate(view), view_(view) {
  spinTimer_.setInterval(SpinnerIntervalMs);
  connect(&spinTimer_, &QTimer::timeout, this, &ImageAndTextCell::turn);
}

void ImageAndTextCell::turn() {
  auto* model = qobject_cast<const SiteTreeModel*>(view_->model());
  if (!model || !model->anyInProgress()) {
    spinTimer_.stop();
    return;
  }
  phase_ = (phase_ + 1) % 12;
  view_->viewport()->update();
}

void ImageAndTextCell::paintSpinner(QPainter* painter, const QRect& rect, const QColor& color) const {
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->translate(QRectF(rect).center());
  QPen pen(color, 1.6, Qt::SolidLine, Qt::RoundCap);
  for (int i = 0; i < 12; ++i) {
    QColor tick = color;
    tick.setAlphaF(0.15 + 0.85 * ((i + 12 - phase_) % 12) / 11.0);
    pen.setColor(tick);
    painter->setPen(pen);
    painter->drawLine(QPointF(0, -3.5), QPointF(0, -7));
    painter->rotate(30);
  }
  painter->restore();
}

void ImageAndTextCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QString title = index.data(Qt::DisplayRole).toString();
  const QImage image = index.data(Qt::DecorationRole).value<QImage>();
  const bool section = index.data(SiteTreeModel::IsSectionRole).toBool();
  const QRect row = option.rect;
  QStyle* style = option.widget ? option.widget->style() : QApplication::style();

  if (section || cell::isGroupCell(!image.isNull(), title)) {
    if (title.isEmpty()) return;
    QFont font = option.font;
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 0.85);
    QFontMetrics metrics(font);
    QRect r = cell::sectionTitleRect(row, metrics.height());
    r.adjust(2, 0, 0, 0);
    painter->save();
    painter->setFont(font);
    QColor colour = option.palette.color(QPalette::Active, QPalette::Text);
    colour.setAlphaF(0.55);
    painter->setPen(colour);
    painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      metrics.elidedText(title, Qt::ElideRight, r.width()));
    painter->restore();
    return;
  }

  QStyleOptionViewItem background = option;
  initStyleOption(&background, index);
  background.text.clear();
  background.icon = QIcon();
  background.features &= ~QStyleOptionViewItem::HasDecoration;
  style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

  const bool inProgress = index.data(SiteTreeModel::InProgressRole).toBool();
  if (!image.isNull()) painter->drawImage(cell::imageRect(row, image.size()).topLeft(), image);
  const QRect text = cell::titleRect(row, image.size(), inProgress);
  const bool selected = option.state & QStyle::State_Selected;
  QPalette::ColorGroup group = option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
  painter->save();
  QFont font = option.font;
  QColor colour = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
  // A recorder that did not resolve reads as unavailable until it is tried again.
  if (index.data(SiteTreeModel::FailedRole).toBool()) {
    font.setItalic(true);
    if (!selected) colour.setAlphaF(0.5);
  }
  painter->setFont(font);
  painter->setPen(colour);
  // The title is drawn as plain text: recorders name themselves.
  painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    QFontMetrics(font).elidedText(title, Qt::ElideRight, text.width()));
  painter->restore();
  if (inProgress) {
    paintSpinner(painter, cell::spinnerRect(row),
                 option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    if (!spinTimer_.isActive()) spinTimer_.start();
  }
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem plain = option;
  initStyleOption(&plain, index);
  plain.icon = QIcon();
  plain.features &= ~QStyleOptionViewItem::HasDecoration;
  QSize base = QStyledItemDelegate::sizeHint(plain, index);
  const QImage image = index.data(Qt::DecorationRole).value<QImage>();
  QSize size = cell::sizeHint(base, image.size());
  size.setHeight(std::max(size.height(), RowHeight));
  return size;
}

QWidget* ImageAndTextCell::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
  auto* editor = new QLineEdit(parent);
  editor->setFrame(false);
  return editor;
}

void ImageAndTextCell::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* line = qobject_cast<QLineEdit*>(editor);
  if (!line) return;
  line->setText(index.data(Qt::EditRole).toString());
  line->selectAll();
}

void ImageAndTextCell::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
  // In-place rename edits only the title's area.
  const QImage image = index.data(Qt::DecorationRole).value<QImage>();
  editor->setGeometry(cell::titleRect(option.rect, image.size(), false));
}

}  // namespace zelvo
