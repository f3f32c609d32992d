#include "ViewControllers/Wall/AutoReconnecter.h"

#include <algorithm>
#include <any>
#include <cmath>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Network/NetworkClient.h"
#include "ViewControllers/Store/SiteInfo.h"

namespace zelvo {

AutoReconnecter::AutoReconnecter(TimerFactory& timers) : timers_(timers) {}

AutoReconnecter::~AutoReconnecter() { stop(); }

void AutoReconnecter::start() {
  stop();
  timer_ = timers_.scheduleRepeating(interval_, [this] { reconnect(); });
}

void AutoReconnecter::stop() { timer_.reset(); }

void AutoReconnecter::setInterval(double seconds) {
  ZELVO_PRECONDITION(std::isfinite(seconds) && seconds > 0);
  const double old = interval_;
  interval_ = seconds;
  if (timer_ && old != seconds) start();
}

void AutoReconnecter::registerClient(std::shared_ptr<NetworkClient> client) {
  ZELVO_PRECONDITION(client != nullptr);
  if (isRegistered(client)) return;
  networkClientSet_.push_back(std::move(client));
}

void AutoReconnecter::unregisterClient(const std::shared_ptr<NetworkClient>& client) {
  std::erase(networkClientSet_, client);
}

bool AutoReconnecter::isRegistered(const std::shared_ptr<NetworkClient>& client) const {
  return std::find(networkClientSet_.begin(), networkClientSet_.end(), client) != networkClientSet_.end();
}

namespace {

std::shared_ptr<SiteInfo> lastAttachedSite(const NetworkClient& client) {
  const std::vector<std::any> attachments = client.attachments();
  if (attachments.empty()) return nullptr;
  if (auto* site = std::any_cast<std::shared_ptr<SiteInfo>>(&attachments.back())) return *site;
  return nullptr;
}

}  // namespace

void AutoReconnecter::reconnect() {
  // The site's fields are read here, on the main thread, where the controller
  // changes the attachments; the network thread only gets the values.
  const auto clients = networkClientSet_;
  for (const auto& client : clients) {
    if (!isRegistered(client) || !client->isDisconnected()) continue;
    std::shared_ptr<SiteInfo> site = lastAttachedSite(*client);
    if (!site) {
      zelvoLog("Reconnection skipped: the client has no site attached");
      continue;
    }
    const QString address = site->address().value_or(QString());
    if (address.trimmed().isEmpty()) {
      zelvoLog("Reconnection skipped: site \"%s\" has no address", qUtf8Printable(site->name().value_or(QString())));
      continue;
    }
    if (!site->port()) {
      zelvoLog("Reconnection skipped: site \"%s\" has no port", qUtf8Printable(site->name().value_or(QString())));
      continue;
    }
    // Beyond 32 bits the number would wrap onto another one; 0 is refused by the
    // client, which reports it as the disconnection's reason.
    const qint64 port = *site->port();
    const unsigned wirePort = port < 0 || port > 0xFFFFFFFFll ? 0u : static_cast<unsigned>(port);
    std::erase(networkClientSet_, client);
    client->connectToHost(address.toStdString(), wirePort, site->user().value_or(QString()).toStdString(),
                          site->password().value_or(QString()).toStdString());
  }
}

}  // namespace zelvo
