#include "ViewControllers/AutoReconnecter.h"

#include <algorithm>

#include "Foundation/Log.h"
#include "Network/NetworkClient.h"
#include "ViewControllers/SiteInfo.h"

namespace zelvo {

AutoReconnecter::AutoReconnecter(TimerFactory& timers) : timers_(timers) {}

AutoReconnecter::~AutoReconnecter() { stop(); }

void AutoReconnecter::start() {
  stop();
  timer_ = timers_.scheduleRepeating(interval_, [this] { reconnect(); });
}

void AutoReconnecter::stop() { timer_.reset(); }

void AutoReconnecter::setInterval(double seconds) {
  double old = interval_;
  interval_ = seconds;
  if (timer_ && old != seconds) start();
}

void AutoReconnecter::registerClient(std::shared_ptr<NetworkClient> client) {
  if (!client || isRegistered(client)) return;
  networkClientSet_.push_back(std::move(client));
}

void AutoReconnecter::unregisterClient(const std::shared_ptr<NetworkClient>& client) {
  std::erase(networkClientSet_, client);
}

bool AutoReconnecter::isRegistered(const std::shared_ptr<NetworkClient>& client) const {
  return std::find(networkClientSet_.begin(), networkClientSet_.end(), client) != networkClientSet_.end();
}

void AutoReconnecter::reconnect() {
  // Decided here on the main thread, not on the network thread: a client unbound from
  // its last plane after this point gets its disconnect queued behind this connect, so
  // it always ends disconnected. A connect queued to decide there could run after that
  // disconnect and leave a connection that nothing releases.
  auto clients = networkClientSet_;
  for (const auto& client : clients) {
    if (!isRegistered(client) || !client->isDisconnected()) continue;
    auto attachments = client->attachments();
    std::shared_ptr<SiteInfo> site;
    if (!attachments.empty()) {
      if (auto* held = std::any_cast<std::shared_ptr<SiteInfo>>(&attachments.back())) site = *held;
    }
    if (!site || !site->address() || !site->port()) {
      zelvoLog("AutoReconnecter: a client without a site, address or port is not reconnected");
      continue;
    }
    qint64 port = *site->port();
    if (port < 0 || port > 0xFFFFFFFFll) port = 0;  // the client refuses it with its reason
    client->connectToHost(site->address()->toStdString(), static_cast<unsigned>(port),
                          site->user().value_or(QString()).toStdString(),
                          site->password().value_or(QString()).toStdString());
  }
}

}  // namespace zelvo
