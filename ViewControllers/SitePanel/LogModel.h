#pragma once
// The event log's rows for its table, newest first (row 0), at most
// logview::MaxRows of them: adding to a full log drops the oldest.

#include <QAbstractListModel>
#include <QImage>
#include <deque>

#include "ViewControllers/SitePanel/LogCellInfo.h"

namespace zelvo {

class LogModel : public QAbstractListModel {
  Q_OBJECT
 public:
  // DisplayRole: the title; DecorationRole: the icon (QImage); ToolTipRole: the title and
  // the time, as plain text made into the tool tip's rich text (a "<" in a site's name
  // is shown, not taken for a tag).
  enum Role { SubtitleRole = Qt::UserRole + 1, BackgroundImageRole };

  explicit LogModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Rows are looked at, never selected or edited.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Every row is drawn over it.
  void setBackgroundImage(QImage image) { background_ = std::move(image); }

  const std::deque<LogCellInfo>& items() const { return items_; }
  static QString toolTip(const LogCellInfo& item);
  void prepend(LogCellInfo item);
  void clear();

 private:
  std::deque<LogCellInfo> items_;
  QImage background_;
};

}  // namespace zelvo
