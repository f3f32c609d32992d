#include "ViewControllers/SitePanel/LogViewController.h"

#include <QEvent>
#include <QPointer>

#include <QAbstractButton>
#include <QDateTime>
#include <QHeaderView>
#include <QTableView>
#include <memory>

#include "Foundation/Log.h"
#include "Network/DateTimeUtility.h"
#include "Network/Live/EventInfo.h"
#include "Network/Live/LiveClient.h"
#include "Network/Live/SystemEventInfo.h"
#include "Network/NetworkClient.h"
#include "Network/Setup/SetupClient.h"
#include "Resources/Resources.h"
#include "ViewControllers/SitePanel/ImageAndSubTitleCell.h"
#include "ViewControllers/SitePanel/LogModel.h"
#include "ViewControllers/SitePanel/LogView.h"
#include "ViewControllers/SitePanel/LogViewCore.h"
#include "ViewControllers/Store/SiteInfo.h"

namespace zelvo {

namespace {

// The client that posted: every client posts with itself as the object, and it
// lives at least until its observers have returned.
const NetworkClient* postingClient(const Notification& notification) {
  return static_cast<const NetworkClient*>(notification.object);
}

// The names of the sites the client serves, in attachment order.
std::vector<QString> siteNames(const NetworkClient* client) {
  std::vector<QString> names;
  if (!client) return names;
  for (const std::any& attachment : client->attachments()) {
    if (const auto* site = std::any_cast<std::shared_ptr<SiteInfo>>(&attachment); site && *site) {
      names.push_back((*site)->name().value_or(QString()));
    }
  }
  return names;
}

}  // namespace

LogViewController::LogViewController(QObject* parent)
    : QObject(parent), model_(new LogModel(this)) {}

LogViewController::~LogViewController() = default;

void LogViewController::loadView(LogView* view) {
  if (!view) {
    loadView(nullptr, nullptr);
    return;
  }
  loadView(view->findChild<QTableView*>(QStringLiteral("logTableView")),
           view->findChild<QAbstractButton*>(QStringLiteral("clearButton")));
}

void LogViewController::loadView(QTableView* table, QAbstractButton* clearButton) {
  registerResources();
  table_ = table;
  clearButton_ = clearButton;
  model_->setBackgroundImage(image(QString::fromLatin1(logview::BackgroundImage)));

  if (table_) {
    table_->setModel(model_);
    table_->setItemDelegate(new ImageAndSubTitleCell(table_));
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setShowGrid(false);
    table_->setProperty("columnIdentifier", QString::fromLatin1(ColumnIdentifier));
    table_->horizontalHeader()->hide();
    // The column is the page's width; the rows grow instead (see fitRowHeights).
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(RowHeight);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->setWordWrap(true);
    // A narrower column (the vertical scroll bar came) only makes rows higher, so this
    // settles at once.
    table_->horizontalHeader()->disconnect(this);  // a second loadView connects once
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { fitRowHeights(); });
    // A stretched section does not always announce its new width: the viewport's
    // resize does, and the rows follow once the header has laid itself out.
    table_->viewport()->installEventFilter(this);
  }
  if (clearButton_) {
    clearButton_->setEnabled(false);
    connect(clearButton_, &QAbstractButton::clicked, this, &LogViewController::clearAllItem, Qt::UniqueConnection);
  }

  NotificationCenter& center = NotificationCenter::defaultCenter();
  observations_.clear();
  observations_.emplace_back(center, NetworkDisconnectedNotification, nullptr,
                             [this](const Notification& n) { networkClientDisconnected(n); });
  observations_.emplace_back(center, LiveEventReceivedNotification, nullptr,
                             [this](const Notification& n) { liveClientEventReceived(n); });
  observations_.emplace_back(center, LiveSystemEventReceivedNotification, nullptr,
                             [this](const Notification& n) { liveClientSystemEventReceived(n); });
  model_->clear();
}

const std::deque<LogCellInfo>& LogViewController::logItemArray() const { return model_->items(); }

void LogViewController::networkClientDisconnected(const Notification& notification) {
  const int* reason = notification.get<int>(NetworkDisconnectionReasonKey);
  if (!reason) return;
  const NetworkClient* client = postingClient(notification);
  const bool isSetupClient = dynamic_cast<const SetupClient*>(client) != nullptr;
  for (const QString& name : siteNames(client)) {
    if (auto row = logview::disconnectionRow(*reason, isSetupClient, name)) addRow(row->title, row->imageName);
  }
}

void LogViewController::liveClientEventReceived(const Notification& notification) {
  const auto* info = notification.get<std::shared_ptr<const EventInfo>>(LiveEventInfoKey);
  if (!info || !*info) return;
  for (const QString& name : siteNames(postingClient(notification))) addEventInfo(**info, name);
}

void LogViewController::liveClientSystemEventReceived(const Notification& notification) {
  const auto* info = notification.get<std::shared_ptr<const SystemEventInfo>>(LiveSystemEventInfoKey);
  if (!info || !*info) return;
  for (const QString& name : siteNames(postingClient(notification))) addSystemInfo(**info, name);
}

void LogViewController::addEventInfo(const EventInfo& info, const QString& siteName) {
  for (const logview::LogRow& row : logview::eventRows(info.type(), info.cameraCount(), info.mask(), siteName)) {
    addRow(row.title, row.imageName);
  }
}

void LogViewController::addSystemInfo(const SystemEventInfo& info, const QString& siteName) {
  for (const logview::LogRow& row : logview::systemRows(info, siteName)) addRow(row.title, row.imageName);
}

void LogViewController::addRow(const QString& title, const QString& imageName) {
  addLogItem(title, currentTime(), image(imageName));
}

QString LogViewController::currentTime() {
  const auto utility = DateTimeUtility::sharedDateTimeUtility();
  return QString::fromStdString(utility->dateTimeFromNSDate(QDateTime::currentDateTime()).description());
}

void LogViewController::addLogItem(const QString& title, const QString& subtitle, const QImage& image) {
  model_->prepend(LogCellInfo(title, subtitle, image));
  fitRowHeight(0);
  validateClearButton();
  emit logUpdated();
  NotificationCenter::defaultCenter().post(LogViewUpdatedNotification, this);
}

bool LogViewController::eventFilter(QObject* watched, QEvent* event) {
  if (table_ && watched == table_->viewport() && event->type() == QEvent::Resize) {
    QPointer<QTableView> table = table_;
    QMetaObject::invokeMethod(
        this, [this, table] { if (table && table == table_) fitRowHeights(); }, Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

int LogViewController::columnWidth() const { return table_ ? table_->columnWidth(0) : 0; }

void LogViewController::fitRowHeight(int row) {
  if (!table_ || row < 0 || row >= model_->rowCount()) return;  // a log without its page has no rows to size
  const int width = table_->columnWidth(0);
  if (width <= 0) return;  // not laid out yet: the first resize sizes every row
  ImageAndSubTitleCell::Contents contents = ImageAndSubTitleCell::contentsOf(model_->index(row, 0));
  const int height = ImageAndSubTitleCell::rowHeight(contents, width);
  if (table_->rowHeight(row) != height) table_->setRowHeight(row, height);
}

void LogViewController::fitRowHeights() {
  if (!table_) return;
  for (int row = 0; row < model_->rowCount(); ++row) fitRowHeight(row);
}

void LogViewController::validateClearButton() {
  if (clearButton_ && !model_->items().empty() && !clearButton_->isEnabled()) clearButton_->setEnabled(true);
}

void LogViewController::clearAllItem() {
  model_->clear();
  if (clearButton_) clearButton_->setEnabled(false);
  emit logCleared();
  NotificationCenter::defaultCenter().post(LogViewClearedNotification, this);
}

QImage LogViewController::image(const QString& name) {
  auto it = images_.find(name);
  if (it != images_.end()) return it->second;
  const QString base = name.endsWith(QLatin1String(".png")) ? name.chopped(4) : name;
  QImage loaded = imageResource(base, QStringLiteral("png"));
  if (loaded.isNull()) zelvoLog("Log image %s is missing", name.toUtf8().constData());
  images_.emplace(name, loaded);
  return loaded;
}

}  // namespace zelvo
