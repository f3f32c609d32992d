#include "ViewControllers/SitePanel/LogModel.h"

#include <QTextDocument>

#include "ViewControllers/SitePanel/LogViewCore.h"

namespace zelvo {

LogModel::LogModel(QObject* parent) : QAbstractListModel(parent) {}

QString LogModel::toolTip(const LogCellInfo& item) {
  const QString text = item.subtitle().isEmpty() ? item.title() : item.title() + QLatin1Char('\n') + item.subtitle();
  return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

int LogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const LogCellInfo& item = items_[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole: return item.title();
    case Qt::DecorationRole: return item.image().isNull() ? QVariant() : QVariant(item.image());
    case Qt::ToolTipRole: return toolTip(item);
    case SubtitleRole: return item.subtitle();
    case BackgroundImageRole: return background_.isNull() ? QVariant() : QVariant(background_);
    default: return {};
  }
}

Qt::ItemFlags LogModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

void LogModel::prepend(LogCellInfo item) {
  if (items_.size() >= static_cast<size_t>(logview::MaxRows)) {
    const int last = static_cast<int>(items_.size()) - 1;
    beginRemoveRows({}, last, last);
    items_.pop_back();
    endRemoveRows();
  }
  beginInsertRows({}, 0, 0);
  items_.push_front(std::move(item));
  endInsertRows();
}

void LogModel::clear() {
  beginResetModel();
  items_.clear();
  endResetModel();
}

}  // namespace zelvo
