#pragma once
// Service discovery over the Avahi daemon (libavahi-client), on the main thread.
//   - The client follows the daemon: browsing starts (will-search) whenever the daemon
//     runs, also one that starts after us or again after a restart, and lasts until
//     stop(). When the daemon goes, every service it had reported is removed, so
//     the rows are those of the daemon that runs. A client that fails is made
//     again; only a client that cannot be made at all (no system bus) is
//     did-not-search.
//   - Avahi reports a service once per interface and protocol; those instances are
//     counted, so only the first found and the last removed are passed on.
//   - Avahi has no "more coming": a batch of events ends when Avahi says its cache is
//     exhausted or all is reported for now, else 50 ms after the batch's last event.
//   - A resolution asks on the first instance's interface for an IPv4 address and
//     gives up after its time-out; stopping one frees it without a callback.

#include <QTimer>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "ViewControllers/SiteTree/AvahiPoll.h"
#include "ViewControllers/SiteTree/ServiceDiscoveryBackend.h"

struct AvahiClient;
struct AvahiServiceBrowser;
struct AvahiServiceResolver;
struct AvahiStringList;

namespace zelvo {

// The TXT entries of a resolved service from avahi's string list, which the client hands
// over in wire order: "key=value" bytes, the value any bytes (NUL too), a key without
// "=" has an empty value, an entry without a key is skipped, and the first entry of a
// key on the wire counts.
QMap<QByteArray, QByteArray> txtEntries(const AvahiStringList* list);

struct ServiceRefLess {
  bool operator()(const ServiceRef& a, const ServiceRef& b) const {
    if (a.name != b.name) return a.name < b.name;
    if (a.type != b.type) return a.type < b.type;
    return a.domain < b.domain;
  }
};

// Where one service is seen: an interface index and a protocol.
struct ServiceInstance {
  int interface = -1;
  int protocol = -1;
  friend bool operator==(const ServiceInstance&, const ServiceInstance&) = default;
};

class ServiceInstanceTable {
 public:
  // True when this is the service's first instance.
  bool add(const ServiceRef& service, ServiceInstance instance);
  // True when this was the service's last instance.
  bool remove(const ServiceRef& service, ServiceInstance instance);
  // The earliest instance still present.
  std::optional<ServiceInstance> first(const ServiceRef& service) const;
  std::vector<ServiceRef> services() const;
  void clear() { instances_.clear(); }

 private:
  std::map<ServiceRef, std::vector<ServiceInstance>, ServiceRefLess> instances_;
};

// Collects found and removed events and hands them on as batches.
class BrowseBatcher {
 public:
  enum Kind { Found, Removed };
  using Sink = std::function<void(Kind, const ServiceRef&, bool moreComing)>;
  static constexpr int QuietMilliseconds = 50;

  explicit BrowseBatcher(Sink sink);
  void add(Kind kind, const ServiceRef& service);
  // Hands on every pending event; the last of each kind with moreComing false.
  void flush();
  void clear();
  bool pending() const { return !events_.empty(); }

 private:
  Sink sink_;
  std::vector<std::pair<Kind, ServiceRef>> events_;
  QTimer quiet_;
};

class AvahiBackend : public ServiceDiscoveryBackend {
 public:
  AvahiBackend();
  ~AvahiBackend() override;

  void searchForServices(const QString& type, const QString& domain) override;
  void stop() override;
  void resolve(const ServiceRef& service, double timeoutSeconds) override;
  void stopResolve(const ServiceRef& service) override;

  // Avahi's callbacks.
  void clientChanged(AvahiClient* client, int state);
  void browserEvent(int interface, int protocol, int event, const char* name, const char* type, const char* domain);
  void resolverEvent(AvahiServiceResolver* resolver, int event, const char* name, const char* type,
                     const char* domain, const char* hostName, const void* address, uint16_t port, const void* txt);

 private:
  struct Resolution {
    AvahiServiceResolver* resolver = nullptr;
    std::unique_ptr<QTimer> timer;
  };
  void endBrowsing();
  void startBrowsing(AvahiClient* client);
  // The daemon went away: what it reported goes with it.
  void daemonLost();
  void makeClient();
  void resolutionTimedOut(const ServiceRef& service);

  AvahiPoll poll_;
  AvahiClient* client_ = nullptr;
  bool creating_ = false;
  AvahiServiceBrowser* browser_ = nullptr;
  QString type_;
  QString domain_;
  ServiceInstanceTable instances_;
  BrowseBatcher batcher_;
  std::map<ServiceRef, Resolution, ServiceRefLess> resolutions_;
  // A failed client is freed and made again outside its own callback.
  QTimer remake_;
};

}  // namespace zelvo
