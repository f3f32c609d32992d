#pragma once
// The event log: collects rows from every recorder client's disconnections, events
// and system events, newest first, at most 1000, and tells the window when rows
// are added or cleared (the toolbar's warning). Its page is a LogView holding the
// table "logTableView" and the button "clearButton".
//
// The table's one column is as wide as the page, and each row as high as its wrapped
// text needs: the page never scrolls sideways, so a disconnection's reason and site are
// read at the panel's width. Each row's tool tip holds its whole text too.
//
// Threads: main thread only; the clients' notifications are delivered there.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "ViewControllers/SitePanel/LogCellInfo.h"

class QAbstractButton;
class QTableView;

namespace zelvo {

class EventInfo;
class LogModel;
class LogView;
class SystemEventInfo;

// Posted on the default centre with the controller as the object and no user info.
inline const std::string LogViewUpdatedNotification = "LogViewUpdatedNotification";
inline const std::string LogViewClearedNotification = "LogViewClearedNotification";

class LogViewController : public QObject {
  Q_OBJECT
 public:
  static constexpr int RowHeight = 36;
  // The identifier of the table's one column.
  static inline const char* const ColumnIdentifier = "CustomLogTableCell";

  explicit LogViewController(QObject* parent = nullptr);
  ~LogViewController() override;

  // The page is loaded: finds its table and clear button, then starts the log
  // (observers registered, no rows).
  void loadView(LogView* view);
  // The same with the two controls given; either may be null (a log without a page).
  void loadView(QTableView* table, QAbstractButton* clearButton);

  // Newest first.
  const std::deque<LogCellInfo>& logItemArray() const;
  LogModel* model() const { return model_; }
  // The column's width now (0 without a table).
  int columnWidth() const;

  void addLogItem(const QString& title, const QString& subtitle, const QImage& image);
  // The rows of one record for one site (the record's own type picks the text).
  void addEventInfo(const EventInfo& info, const QString& siteName);
  void addSystemInfo(const SystemEventInfo& info, const QString& siteName);
  // The present moment as a row's subtitle.
  static QString currentTime();
  // Each row as high as its text needs at the column's width.
  void fitRowHeights();
  void validateClearButton();
  // The clear button: no rows, the column back to its first width.
  void clearAllItem();

 signals:
  void logUpdated();
  void logCleared();

 protected:
  // The table's viewport resized (the page wider or narrower): the rows are fitted again
  // once the stretched column has taken the new width.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void networkClientDisconnected(const Notification& notification);
  void liveClientEventReceived(const Notification& notification);
  void liveClientSystemEventReceived(const Notification& notification);
  void addRow(const QString& title, const QString& imageName);
  QImage image(const QString& name);
  void fitRowHeight(int row);

  LogModel* model_;
  QPointer<QTableView> table_;
  QPointer<QAbstractButton> clearButton_;
  std::vector<Observation> observations_;
  std::map<QString, QImage> images_;
};

}  // namespace zelvo
