#include "ViewControllers/SiteTree/AvahiBackend.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>

#include <algorithm>

#include "Foundation/Log.h"

namespace zelvo {

QMap<QByteArray, QByteArray> txtEntries(const AvahiStringList* list) {
  QMap<QByteArray, QByteArray> entries;
  for (const AvahiStringList* item = list; item; item = item->next) {
    QByteArray entry(reinterpret_cast<const char*>(item->text), static_cast<qsizetype>(item->size));
    qsizetype equals = entry.indexOf('=');
    QByteArray key = equals < 0 ? entry : entry.left(equals);
    if (key.isEmpty() || entries.contains(key)) continue;
    entries.insert(key, equals < 0 ? QByteArray() : entry.mid(equals + 1));
  }
  return entries;
}

// --- instances ---

bool ServiceInstanceTable::add(const ServiceRef& service, ServiceInstance instance) {
  std::vector<ServiceInstance>& list = instances_[service];
  if (std::find(list.begin(), list.end(), instance) != list.end()) return false;
  list.push_back(instance);
  return list.size() == 1;
}

bool ServiceInstanceTable::remove(const ServiceRef& service, ServiceInstance instance) {
  auto it = instances_.find(service);
  if (it == instances_.end()) return false;
  auto found = std::find(it->second.begin(), it->second.end(), instance);
  if (found == it->second.end()) return false;
  it->second.erase(found);
  if (!it->second.empty()) return false;
  instances_.erase(it);
  return true;
}

std::optional<ServiceInstance> ServiceInstanceTable::first(const ServiceRef& service) const {
  auto it = instances_.find(service);
  if (it == instances_.end() || it->second.empty()) return std::nullopt;
  return it->second.front();
}

std::vector<ServiceRef> ServiceInstanceTable::services() const {
  std::vector<ServiceRef> services;
  for (const auto& [service, list] : instances_) services.push_back(service);
  return services;
}

// --- batches ---

BrowseBatcher::BrowseBatcher(Sink sink) : sink_(std::move(sink)) {
  quiet_.setSingleShot(true);
  quiet_.setInterval(QuietMilliseconds);
  QObject::connect(&quiet_, &QTimer::timeout, [this] { flush(); });
}

void BrowseBatcher::add(Kind kind, const ServiceRef& service) {
  events_.emplace_back(kind, service);
  quiet_.start();
}

void BrowseBatcher::flush() {
  quiet_.stop();
  std::vector<std::pair<Kind, ServiceRef>> events;
  events.swap(events_);
  for (size_t i = 0; i < events.size(); ++i) {
    bool more = std::any_of(events.begin() + static_cast<std::ptrdiff_t>(i) + 1, events.end(),
                            [&](const auto& later) { return later.first == events[i].first; });
    sink_(events[i].first, events[i].second, more);
  }
}

void BrowseBatcher::clear() {
  quiet_.stop();
  events_.clear();
}

// --- the client ---

namespace {

void clientCallback(AvahiClient* client, AvahiClientState state, void* userdata) {
  static_cast<AvahiBackend*>(userdata)->clientChanged(client, state);
}

void browseCallback(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol, AvahiBrowserEvent event,
                    const char* name, const char* type, const char* domain, AvahiLookupResultFlags, void* userdata) {
  static_cast<AvahiBackend*>(userdata)->browserEvent(interface, protocol, event, name, type, domain);
}

void resolveCallback(AvahiServiceResolver* resolver, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event,
                     const char* name, const char* type, const char* domain, const char* hostName,
                     const AvahiAddress* address, uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags,
                     void* userdata) {
  static_cast<AvahiBackend*>(userdata)->resolverEvent(resolver, event, name, type, domain, hostName, address, port,
                                                       txt);
}

QString text(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

}  // namespace

AvahiBackend::AvahiBackend()
    : batcher_([this](BrowseBatcher::Kind kind, const ServiceRef& service, bool more) {
        if (!delegate()) return;
        if (kind == BrowseBatcher::Found)
          delegate()->didFindService(service, more);
        else
          delegate()->didRemoveService(service, more);
      }) {
  remake_.setSingleShot(true);
  QObject::connect(&remake_, &QTimer::timeout, [this] { makeClient(); });
}

AvahiBackend::~AvahiBackend() {
  stop();
  if (client_) avahi_client_free(client_);
}

void AvahiBackend::searchForServices(const QString& type, const QString& domain) {
  if (client_) return;
  type_ = type;
  domain_ = domain;
  makeClient();
}

void AvahiBackend::makeClient() {
  if (type_.isEmpty()) return;
  if (client_) {
    avahi_client_free(client_);
    client_ = nullptr;
  }
  int error = 0;
  // The client reports its first state from inside avahi_client_new, before it returns.
  // Without a daemon it waits for one instead of failing.
  creating_ = true;
  AvahiClient* client =
      avahi_client_new(poll_.poll(), AVAHI_CLIENT_NO_FAIL, clientCallback, this, &error);
  creating_ = false;
  if (!client) {
    zelvoLog("Service discovery: no Avahi daemon (%s)", avahi_strerror(error));
    if (delegate()) delegate()->netServiceBrowserDidNotSearch(error);
    return;
  }
  client_ = client;
}

void AvahiBackend::startBrowsing(AvahiClient* client) {
  if (browser_ || type_.isEmpty()) return;
  QByteArray type = type_.toUtf8();
  QByteArray domain = domain_.toUtf8();
  browser_ = avahi_service_browser_new(client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, type.constData(),
                                       domain.isEmpty() ? nullptr : domain.constData(),
                                       static_cast<AvahiLookupFlags>(0), browseCallback, this);
  if (!browser_) {
    zelvoLog("Service discovery: cannot browse (%s)", avahi_strerror(avahi_client_errno(client)));
    if (delegate()) delegate()->netServiceBrowserDidNotSearch(avahi_client_errno(client));
    return;
  }
  if (delegate()) delegate()->netServiceBrowserWillSearch();
}

void AvahiBackend::clientChanged(AvahiClient* client, int state) {
  switch (state) {
    case AVAHI_CLIENT_S_RUNNING:
    case AVAHI_CLIENT_S_REGISTERING:
    case AVAHI_CLIENT_S_COLLISION:
      startBrowsing(client);
      return;
    case AVAHI_CLIENT_CONNECTING:
      if (creating_)
        zelvoLog("Service discovery: no Avahi daemon yet; waiting for it");
      else
        zelvoLog("Service discovery: the Avahi daemon went away; waiting for it to come back");
      daemonLost();
      return;
    case AVAHI_CLIENT_FAILURE:
      // A client that fails while it is made is reported by avahi_client_new's answer.
      if (creating_) return;
      zelvoLog("Service discovery: the Avahi client failed (%s); making it again",
               avahi_strerror(avahi_client_errno(client)));
      daemonLost();
      if (delegate()) delegate()->netServiceBrowserDidStopSearch();
      if (!type_.isEmpty()) remake_.start(1000);
      return;
    default:
      return;
  }
}

void AvahiBackend::daemonLost() {
  // Found events still waiting go first, so that every removal has its find before it.
  batcher_.flush();
  const std::vector<ServiceRef> gone = instances_.services();
  endBrowsing();
  for (const ServiceRef& service : gone) batcher_.add(BrowseBatcher::Removed, service);
  batcher_.flush();
}

void AvahiBackend::browserEvent(int interface, int protocol, int event, const char* name, const char* type,
                                const char* domain) {
  switch (event) {
    case AVAHI_BROWSER_NEW:
    case AVAHI_BROWSER_REMOVE: {
      if (!name || !type || !domain) return;
      ServiceRef service{text(name), text(type), text(domain)};
      ServiceInstance instance{interface, protocol};
      if (event == AVAHI_BROWSER_NEW) {
        if (instances_.add(service, instance)) batcher_.add(BrowseBatcher::Found, service);
      } else if (instances_.remove(service, instance)) {
        batcher_.add(BrowseBatcher::Removed, service);
      }
      return;
    }
    case AVAHI_BROWSER_CACHE_EXHAUSTED:
    case AVAHI_BROWSER_ALL_FOR_NOW:
      batcher_.flush();
      return;
    case AVAHI_BROWSER_FAILURE:
      // Browsing starts again on a new client, which waits for the daemon if it is gone.
      zelvoLog("Service discovery: browsing failed (%s)", avahi_strerror(client_ ? avahi_client_errno(client_) : 0));
      daemonLost();
      if (delegate()) delegate()->netServiceBrowserDidStopSearch();
      if (!type_.isEmpty()) remake_.start(1000);
      return;
    default:
      return;
  }
}

void AvahiBackend::endBrowsing() {
  for (auto& [service, resolution] : resolutions_)
    if (resolution.resolver) avahi_service_resolver_free(resolution.resolver);
  resolutions_.clear();
  if (browser_) avahi_service_browser_free(browser_);
  browser_ = nullptr;
  batcher_.clear();
  instances_.clear();
}

void AvahiBackend::stop() {
  remake_.stop();
  endBrowsing();
  type_.clear();
}

void AvahiBackend::resolve(const ServiceRef& service, double timeoutSeconds) {
  stopResolve(service);
  std::optional<ServiceInstance> instance = instances_.first(service);
  AvahiServiceResolver* resolver = nullptr;
  if (client_ && instance) {
    QByteArray name = service.name.toUtf8(), type = service.type.toUtf8(), domain = service.domain.toUtf8();
    resolver = avahi_service_resolver_new(client_, instance->interface, instance->protocol, name.constData(),
                                          type.constData(), domain.constData(), AVAHI_PROTO_INET,
                                          static_cast<AvahiLookupFlags>(0), resolveCallback, this);
  }
  if (!resolver) {
    if (delegate()) delegate()->netServiceDidNotResolve(service);
    return;
  }
  Resolution& resolution = resolutions_[service];
  resolution.resolver = resolver;
  resolution.timer = std::make_unique<QTimer>();
  resolution.timer->setSingleShot(true);
  QObject::connect(resolution.timer.get(), &QTimer::timeout, [this, service] { resolutionTimedOut(service); });
  resolution.timer->start(static_cast<int>(timeoutSeconds * 1000));
}

void AvahiBackend::stopResolve(const ServiceRef& service) {
  auto it = resolutions_.find(service);
  if (it == resolutions_.end()) return;
  if (it->second.resolver) avahi_service_resolver_free(it->second.resolver);
  // The timer may be the one calling: stop it now, let it go after this turn of the loop.
  it->second.timer->stop();
  it->second.timer.release()->deleteLater();
  resolutions_.erase(it);
}

void AvahiBackend::resolutionTimedOut(const ServiceRef& service) {
  if (!resolutions_.count(service)) return;
  stopResolve(service);
  if (delegate()) delegate()->netServiceDidNotResolve(service);
}

void AvahiBackend::resolverEvent(AvahiServiceResolver* resolver, int event, const char* name, const char* type,
                                 const char* domain, const char* hostName, const void* address, uint16_t port,
                                 const void* txt) {
  auto it = std::find_if(resolutions_.begin(), resolutions_.end(),
                         [&](const auto& entry) { return entry.second.resolver == resolver; });
  if (it == resolutions_.end()) return;
  const ServiceRef service = it->first;
  ResolvedService result;
  bool found = event == AVAHI_RESOLVER_FOUND && address;
  if (found) {
    char numeric[AVAHI_ADDRESS_STR_MAX] = {};
    avahi_address_snprint(numeric, sizeof numeric, static_cast<const AvahiAddress*>(address));
    result.address = QString::fromLatin1(numeric);
    result.hostName = text(hostName);
    result.port = port;
    result.txt = txtEntries(static_cast<const AvahiStringList*>(txt));
  }
  (void)name;
  (void)type;
  (void)domain;
  stopResolve(service);
  if (!delegate()) return;
  if (found)
    delegate()->netServiceDidResolveAddress(service, result);
  else
    delegate()->netServiceDidNotResolve(service);
}

}  // namespace zelvo
