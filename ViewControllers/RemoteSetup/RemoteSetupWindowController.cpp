#include "ViewControllers/RemoteSetup/RemoteSetupWindowController.h"

#include <QAction>
#include <QCloseEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QProgressBar>

#include "Foundation/Log.h"
#include "Network/NetworkClient.h"
#include "Network/Setup/SetupClient.h"
#include "ViewControllers/RemoteSetup/RemoteSetupInput.h"
#include "ViewControllers/RemoteSetup/RemoteSetupView.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "ui_RemoteSetupWindowController.h"

namespace zelvo {

RemoteSetupWindowController::RemoteSetupWindowController(QWidget* parent, std::shared_ptr<SetupClient> client)
    : QWidget(parent, Qt::Window),
      ui_(std::make_unique<Ui::RemoteSetupWindowController>()),
      client_(client ? std::move(client) : SetupClient::sharedClient()) {
  ui_->setupUi(this);
  // The window takes the recorder's dialog size, however small: the overlays do not
  // hold it open.
  layout()->setSizeConstraint(QLayout::SetNoConstraint);
  for (QWidget* over : std::initializer_list<QWidget*>{ui_->connectingIndicator, ui_->disconnectLabel}) {
    over->setAttribute(Qt::WA_TransparentForMouseEvents);
    over->setFocusPolicy(Qt::NoFocus);
  }
  ui_->disconnectLabel->setTextFormat(Qt::PlainText);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  connect(ui_->actionDelete, &QAction::triggered, this, &RemoteSetupWindowController::performDelete);

  observations_.push_back(client_->addObserver(SetupOSDSizeNotification,
                                               [this](const Notification& n) { updateScreenSize(n); }));
  observations_.push_back(client_->addObserver(SetupOSDImageNotification,
                                               [this](const Notification& n) { updateOSDImage(n); }));
  observations_.push_back(client_->addObserver(NetworkDisconnectedNotification,
                                               [this](const Notification& n) { disconnected(n); }));
  hide();
}

RemoteSetupWindowController::~RemoteSetupWindowController() {
  observations_.clear();
}

RemoteSetupView* RemoteSetupWindowController::remoteSetupView() const { return ui_->remoteSetupView; }
QProgressBar* RemoteSetupWindowController::connectingIndicator() const { return ui_->connectingIndicator; }
QLabel* RemoteSetupWindowController::disconnectLabel() const { return ui_->disconnectLabel; }
QAction* RemoteSetupWindowController::deleteAction() const { return ui_->actionDelete; }

void RemoteSetupWindowController::showWindow(QObject* sender, const std::shared_ptr<SiteInfo>& site) {
  Q_UNUSED(sender);
  ui_->disconnectLabel->hide();
  ui_->remoteSetupView->clearView();
  // The site's name is the operator's text: "[*]" in it is no modified-mark placeholder.
  QString title = site ? site->name().value_or(QString()) : QStringLiteral("Setup");
  setWindowTitle(title.replace(QLatin1String("[*]"), QLatin1String("[*][*]")));
  show();
  raise();
  activateWindow();
  setFocus(Qt::ActiveWindowFocusReason);
  showConnectingIndicator();
  if (!site) return;
  client_->connectToHost(site->address().value_or(QString()).toStdString(), remotesetup::setupPort(site->port()),
                         site->user().value_or(QString()).toStdString(),
                         site->password().value_or(QString()).toStdString());
}

void RemoteSetupWindowController::showConnectingIndicator() { ui_->connectingIndicator->show(); }

void RemoteSetupWindowController::hideConnectingIndicator() { ui_->connectingIndicator->hide(); }

void RemoteSetupWindowController::showDisconnectLabelWithReason(int reason) {
  if (reason == NetworkDisconnectionReasonLocal) return;
  hideConnectingIndicator();
  ui_->remoteSetupView->clearView();
  ui_->disconnectLabel->setText(QString::fromStdString(NetworkDisconnectionReasonDescription(reason)));
  ui_->disconnectLabel->show();
}

void RemoteSetupWindowController::updateScreenSize(const Notification& notification) {
  const QRectF* rect = notification.get<QRectF>(SetupOSDDialogRectKey);
  if (!rect) return;
  const std::optional<QSize> size = remotesetup::clientSizeForDialogRect(*rect);
  if (!size) {
    zelvoLog("Remote setup: dialog size %g x %g ignored (sides must be %d to %d)", rect->width(), rect->height(),
             remotesetup::MinDialogSide, remotesetup::MaxDialogSide);
    return;
  }
  // The client area is the dialog; the window keeps its top-left corner.
  resize(*size);
}

void RemoteSetupWindowController::updateOSDImage(const Notification& notification) {
  hideConnectingIndicator();
  const auto* image = notification.get<std::shared_ptr<const OSDImage>>(SetupOSDImageKey);
  if (!image || !*image || (*image)->image().isNull()) return;
  ui_->remoteSetupView->drawImage((*image)->image(), (*image)->offset().toPoint());
}

void RemoteSetupWindowController::disconnected(const Notification& notification) {
  const int* reason = notification.get<int>(NetworkDisconnectionReasonKey);
  showDisconnectLabelWithReason(reason ? *reason : NetworkDisconnectionReasonStreamError);
}

void RemoteSetupWindowController::windowWillCloseSteps() {
  client_->disconnect();
  ui_->remoteSetupView->clearView();
  hideConnectingIndicator();
}

void RemoteSetupWindowController::closeEvent(QCloseEvent* event) {
  windowWillCloseSteps();
  event->accept();
  emit windowWillClose();
}

void RemoteSetupWindowController::sendKeyInputs(const std::vector<KeyInput>& inputs) {
  for (const KeyInput& input : inputs) client_->sendKeyInput(input);
}

void RemoteSetupWindowController::keyPressEvent(QKeyEvent* event) {
  sendKeyInputs(remotesetup::keyInputs(
      {event->key(), event->modifiers(), event->text(), /*press=*/true, event->isAutoRepeat()}));
  event->accept();
}

void RemoteSetupWindowController::keyReleaseEvent(QKeyEvent* event) {
  sendKeyInputs(remotesetup::keyInputs(
      {event->key(), event->modifiers(), event->text(), /*press=*/false, event->isAutoRepeat()}));
  event->accept();
}

void RemoteSetupWindowController::inputMethodEvent(QInputMethodEvent* event) {
  sendKeyInputs(remotesetup::textInputs(event->commitString()));
  event->accept();
}

void RemoteSetupWindowController::performDelete() { client_->sendKeyInput(remotesetup::deleteInput()); }

void RemoteSetupWindowController::sendMouse(QMouseEvent* event, int state) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  // The view fills the client area from its top-left corner, so the window's point is
  // the dialog's.
  const QPointF point = ui_->remoteSetupView->mapFrom(this, event->position());
  client_->sendMouseInput(remotesetup::mouseInputAtPoint(point, state));
  event->accept();
}

void RemoteSetupWindowController::mousePressEvent(QMouseEvent* event) { sendMouse(event, MouseInputStateDown); }

// The second press of a double click arrives as its own event: to the recorder it is a press.
void RemoteSetupWindowController::mouseDoubleClickEvent(QMouseEvent* event) {
  sendMouse(event, MouseInputStateDown);
}

void RemoteSetupWindowController::mouseReleaseEvent(QMouseEvent* event) { sendMouse(event, MouseInputStateUp); }

bool RemoteSetupWindowController::focusNextPrevChild(bool) { return false; }

}  // namespace zelvo
