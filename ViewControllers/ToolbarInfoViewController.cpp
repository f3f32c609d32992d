#include "ViewControllers/ToolbarInfoViewController.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <QWidget>

#include "Foundation/Assert.h"
#include "Resources/Resources.h"
#include "ViewControllers/SitePanel/LogViewController.h"
#include "ViewControllers/SitePanelController.h"
#include "ViewControllers/VideoViewController.h"
#include "ViewControllers/Wall/VideoViewPort.h"
#include "ui_ToolbarInfoViewController.h"

namespace zelvo {

namespace {

const QString NoStatus = QStringLiteral("--");
const QChar Ellipsis(0x2026);

// Site names in a dark grey, the user name lighter.
const QColor SiteColor = QColor::fromRgbF(0.1f, 0.1f, 0.1f);
const QColor UserColor = QColor::fromRgbF(0.47f, 0.47f, 0.47f);

QString span(const QString& text, const QColor& color) {
  // Recorder and operator text is shown as written: escaped, never read as markup.
  QString escaped = text.toHtmlEscaped();
  escaped.replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
  return QStringLiteral("<span style=\"color:%1\">%2</span>").arg(color.name(), escaped);
}

QString buttonPicture(const QToolButton* button) {
  QString name = button->property("alternateImage").toString();
  return name.left(name.lastIndexOf(QLatin1Char('.')));
}

}  // namespace

ToolbarInfoViewController::ToolbarInfoViewController(QObject* parent)
    : QObject(parent),
      ownedView_(std::make_unique<QWidget>()),
      view_(ownedView_.get()),
      ui_(std::make_unique<Ui::ToolbarInfoViewController>()) {
  registerResources();
  ui_->setupUi(view_);
  // Nothing may reach the strip's widgets once they are gone.
  connect(view_, &QObject::destroyed, this, [this] { observations_.clear(); });
  view_->installEventFilter(this);
  // The three buttons show their other picture while pressed.
  for (QToolButton* button : {ui_->btnReconnect, ui_->btnClose, ui_->btnWarning}) {
    const QIcon normal = button->icon();
    const QImage pressed = imageResource(buttonPicture(button), QStringLiteral("png"));
    if (pressed.isNull()) continue;
    const QIcon down(QPixmap::fromImage(pressed));
    connect(button, &QToolButton::pressed, button, [button, down] { button->setIcon(down); });
    connect(button, &QToolButton::released, button, [button, normal] { button->setIcon(normal); });
  }
  for (QLabel* label : {ui_->textSite, ui_->textContent}) {
    QFont font(QStringLiteral("Helvetica Neue"));
    font.setPointSize(11);
    label->setFont(font);
  }
  // Site and user in two colours: rich text, every run of it escaped.
  ui_->textSite->setTextFormat(Qt::RichText);
  ui_->textSite->installEventFilter(this);
  dateFormatter_ = std::make_unique<FrameTimeFormatter>();
  connect(ui_->btnClose, &QToolButton::clicked, this, &ToolbarInfoViewController::close);
  connect(ui_->btnReconnect, &QToolButton::clicked, this, &ToolbarInfoViewController::reconnect);
  connect(ui_->btnWarning, &QToolButton::clicked, this, &ToolbarInfoViewController::warningClicked);
}

ToolbarInfoViewController::~ToolbarInfoViewController() {
  observations_.clear();
  // A view still owned goes now, while this controller is whole, and without telling it.
  if (view_) {
    view_->removeEventFilter(this);
    ui_->textSite->removeEventFilter(this);
    QObject::disconnect(view_, nullptr, this, nullptr);
  }
  ownedView_.reset();
}

void ToolbarInfoViewController::awake(PanelWallPort& wall) {
  ZELVO_PRECONDITION(!wall_);
  wall_ = &wall;
  NotificationCenter& center = NotificationCenter::defaultCenter();
  observations_.emplace_back(center, VideoViewSelectedPlaneChangedNotification, wall.viewNotificationObject(),
                             [this](const Notification&) { selectedCameraChanged(); });
  observations_.emplace_back(center, VideoViewControllerSelectedNetworkClientStateChangedNotification,
                             wall.controllerNotificationObject(),
                             [this](const Notification& notification) { selectedCameraInfoUpdated(notification); });
  observations_.emplace_back(center, LogViewUpdatedNotification, nullptr,
                             [this](const Notification&) { ui_->btnWarning->show(); });
  observations_.emplace_back(center, LogViewClearedNotification, nullptr, [this](const Notification&) { reset(); });
  observations_.emplace_back(center, SitePanelControllerPanelSelectedNotification, nullptr,
                             [this](const Notification& notification) {
                               const int* panel = notification.get<int>(SitePanelControllerPanelTypeKey);
                               if (panel && *panel == SitePanelController::EventLogPanel) ui_->btnWarning->hide();
                             });
}

bool ToolbarInfoViewController::eventFilter(QObject* watched, QEvent* event) {
  // Placed in the toolbar, the strip belongs to it.
  if (watched == view_ && event->type() == QEvent::ParentChange && view_->parent()) (void)ownedView_.release();
  if (watched == ui_->textSite && event->type() == QEvent::Resize) showSiteText();
  return QObject::eventFilter(watched, event);
}

void ToolbarInfoViewController::setHidden(bool hidden) {
  if (!view_) return;
  ui_->textSite->setHidden(hidden);
  ui_->textContent->setHidden(hidden);
  ui_->btnClose->setHidden(hidden);
  if (hidden) {
    ui_->btnReconnect->hide();
    ui_->connectingIndicator->hide();
  }
}

void ToolbarInfoViewController::reset() {
  if (view_) ui_->btnWarning->hide();
}

void ToolbarInfoViewController::close() {
  if (wall_) wall_->closeSelectedPlane();
}

void ToolbarInfoViewController::reconnect() {
  if (wall_) wall_->reconnectSelectedPlane();
}

void ToolbarInfoViewController::warningClicked() {
  ui_->btnWarning->hide();
  if (delegate_) delegate_->toolbarInfoViewWarningClicked();
  emit warningButtonClicked();
}

bool ToolbarInfoViewController::refreshesOnState(int state) {
  return state >= 0 && state <= 9 && ((575u >> state) & 1u) != 0;
}

QString ToolbarInfoViewController::stringByCameraInfo(const std::optional<CameraInfo>& info,
                                                      const std::optional<DateTime>& frameTime,
                                                      const FrameTimeFormatter& formatter) {
  if (!info) return NoStatus;
  if (info->status() == 2) return QStringLiteral("Inactive");
  if (info->covertLevel() != 1) return QStringLiteral("Covert");
  if (info->status() == 3) return QStringLiteral("Video Loss");
  // A normal camera shows the time of the frame just shown; a camera of an unknown status
  // has no text of its own.
  if (info->status() == 1 && frameTime) return formatter.dateTimeString(*frameTime);
  return NoStatus;
}

ToolbarInfoViewController::SiteText ToolbarInfoViewController::siteText(
    const std::vector<std::shared_ptr<SiteInfo>>& sites) {
  SiteText text;
  for (size_t i = 0; i < sites.size(); ++i) {
    const QString name = sites[i] ? sites[i]->name().value_or(QString()) : QString();
    text.sites += name + (i + 1 < sites.size() ? QStringLiteral(",") : QStringLiteral(" "));
  }
  if (!sites.empty() && sites.back()) text.user = sites.back()->user().value_or(QString());
  return text;
}

ToolbarInfoViewController::SiteText ToolbarInfoViewController::elided(const SiteText& text, const QFontMetrics& metrics,
                                                                      int width) {
  const QString whole = text.sites + text.user;
  const QString shown = metrics.elidedText(whole, Qt::ElideMiddle, width);
  if (shown == whole) return text;
  const qsizetype cut = shown.indexOf(Ellipsis);
  if (cut < 0) return SiteText{shown.left(text.sites.size()), shown.mid(text.sites.size())};
  // What is kept: whole[0, cut) and whole[resume, end); the ellipsis joins the run it
  // stands in.
  const qsizetype split = text.sites.size();
  const qsizetype resume = whole.size() - (shown.size() - cut - 1);
  SiteText runs;
  runs.sites = whole.left(std::min(cut, split));
  if (cut < split) runs.sites += Ellipsis;
  if (resume < split) runs.sites += whole.mid(resume, split - resume);
  if (cut > split) runs.user = whole.mid(split, cut - split);
  if (cut >= split) runs.user += Ellipsis;
  runs.user += whole.mid(std::max(resume, split));
  return runs;
}

void ToolbarInfoViewController::selectedCameraChanged() {
  if (!wall_->siteInfoForSelectedPlane()) {
    setHidden(true);
    return;
  }
  update(wall_->networkClientForSelectedPlane(), std::nullopt);
}

void ToolbarInfoViewController::selectedCameraInfoUpdated(const Notification& notification) {
  const int* state = notification.get<int>(VideoViewControllerNetworkClientStateKey);
  if (!wall_->siteInfoForSelectedPlane()) {
    setHidden(true);
    return;
  }
  if (!state || !refreshesOnState(*state)) return;
  std::optional<DateTime> frameTime;
  if (const DateTime* time = notification.get<DateTime>(VideoViewControllerVideoFrameTimeKey)) frameTime = *time;
  update(wall_->networkClientForSelectedPlane(), frameTime);
}

void ToolbarInfoViewController::update(const std::shared_ptr<PanelClientPort>& client,
                                       const std::optional<DateTime>& frameTime) {
  const std::vector<std::shared_ptr<SiteInfo>> sites = wall_->allSiteInfosForSelectedPlane();
  if (sites.empty()) {
    // A plane whose client serves no site has nothing to name.
    setHidden(true);
    return;
  }
  QString status;
  if (client && client->isConnecting()) {
    ui_->btnReconnect->hide();
    ui_->connectingIndicator->show();
    status = QStringLiteral("Connecting...");
  } else if (client && client->isDisconnected()) {
    ui_->btnReconnect->show();
    ui_->connectingIndicator->hide();
    // A refused login says why: the operator has to act on it.
    const std::optional<std::string> refusal = wall_->loginRefusalForSelectedPlane();
    status = refusal ? QString::fromStdString(*refusal) : QStringLiteral("Disconnected");
  } else if (client) {
    const int64_t camera = wall_->cameraForSelectedPlane();
    const std::vector<CameraInfo> cameras = client->cameraInfoArray();
    std::optional<CameraInfo> info;
    if (camera >= 0 && camera < static_cast<int64_t>(cameras.size())) info = cameras[static_cast<size_t>(camera)];
    status = stringByCameraInfo(info, frameTime, *dateFormatter_);
    ui_->btnReconnect->hide();
    ui_->connectingIndicator->hide();
  }
  const SiteText text = siteText(sites);
  if (!(text == siteText_)) {
    siteText_ = text;
    showSiteText();
  }
  setStatus(status);
  setHidden(false);
}

void ToolbarInfoViewController::showSiteText() {
  const QFontMetrics metrics(ui_->textSite->font());
  const int width = ui_->textSite->contentsRect().width();
  const SiteText shown = width > 0 ? elided(siteText_, metrics, width) : siteText_;
  ui_->textSite->setText(span(shown.sites, SiteColor) + span(shown.user, UserColor));
}

void ToolbarInfoViewController::setStatus(const QString& text) {
  // Frames come at the camera's rate: leave an unchanged line alone.
  if (ui_->textContent->text() != text) ui_->textContent->setText(text);
}

QLabel* ToolbarInfoViewController::textSite() const { return ui_->textSite; }
QLabel* ToolbarInfoViewController::textContent() const { return ui_->textContent; }
QToolButton* ToolbarInfoViewController::btnReconnect() const { return ui_->btnReconnect; }
QToolButton* ToolbarInfoViewController::btnClose() const { return ui_->btnClose; }
QToolButton* ToolbarInfoViewController::btnWarning() const { return ui_->btnWarning; }
QProgressBar* ToolbarInfoViewController::connectingIndicator() const { return ui_->connectingIndicator; }

}  // namespace zelvo
