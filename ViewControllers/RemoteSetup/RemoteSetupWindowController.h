#pragma once
// The remote-setup window: operates a recorder's own setup menus through the setup
// client. The recorder's dialog arrives as pictures painted on the view, which fills
// the window's client area (the window takes the dialog's size); the operator's
// clicks, special keys and typed characters go back. Made once, hidden until
// showWindow; every close disconnects the client and emits windowWillClose.
//
// Threads: main thread only; the setup client's notifications are delivered there.

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "Foundation/NotificationCenter.h"

class QAction;
class QLabel;
class QProgressBar;

namespace Ui {
class RemoteSetupWindowController;
}

namespace zelvo {

class RemoteSetupView;
class SetupClient;
class SiteInfo;
struct KeyInput;
struct MouseInput;

class RemoteSetupWindowController : public QWidget {
  Q_OBJECT
 public:
  // client: the setup client to drive; the shared one when null.
  explicit RemoteSetupWindowController(QWidget* parent = nullptr, std::shared_ptr<SetupClient> client = nullptr);
  ~RemoteSetupWindowController() override;

  // Opens the window (or brings it up again) for the site: titled with its name and
  // connecting to its address on its port plus 2 with its user and password. Without
  // a site the window opens titled "Setup" and connects nothing.
  void showWindow(QObject* sender, const std::shared_ptr<SiteInfo>& site);

  void showDisconnectLabelWithReason(int reason);
  void showConnectingIndicator();
  void hideConnectingIndicator();
  // The window's "Delete" command: the recorder's delete key.
  void performDelete();

  RemoteSetupView* remoteSetupView() const;
  QProgressBar* connectingIndicator() const;
  QLabel* disconnectLabel() const;
  QAction* deleteAction() const;
  const std::shared_ptr<SetupClient>& client() const { return client_; }

 signals:
  // The window is closing, whoever closed it; the client is already disconnected.
  void windowWillClose();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // Tab goes to the recorder's dialog, not to the window's own controls.
  bool focusNextPrevChild(bool next) override;

 private:
  void updateScreenSize(const Notification& notification);
  void updateOSDImage(const Notification& notification);
  void disconnected(const Notification& notification);
  void windowWillCloseSteps();
  void sendKeyInputs(const std::vector<KeyInput>& inputs);
  void sendMouse(QMouseEvent* event, int state);

  std::unique_ptr<Ui::RemoteSetupWindowController> ui_;
  std::shared_ptr<SetupClient> client_;
  std::vector<Observation> observations_;
};

}  // namespace zelvo
