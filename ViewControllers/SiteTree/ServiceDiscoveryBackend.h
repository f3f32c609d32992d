#pragma once
// Browsing and resolving DNS-SD services, as the site tree's discovery uses them.
// AvahiBackend is the real one; tests drive a scripted fake. Every callback arrives
// on the main thread.

#include <QByteArray>
#include <QMap>
#include <QString>

namespace zelvo {

// A service is known by its name, type and domain.
struct ServiceRef {
  QString name;
  QString type;
  QString domain;
  friend bool operator==(const ServiceRef&, const ServiceRef&) = default;
};

struct ResolvedService {
  QString hostName;
  QString address;  // numeric: host names under .local need not resolve here
  quint16 port = 0;
  // TXT entries by key; a key given without "=" has an empty value.
  QMap<QByteArray, QByteArray> txt;
};

class ServiceDiscoveryDelegate {
 public:
  virtual ~ServiceDiscoveryDelegate() = default;
  virtual void netServiceBrowserWillSearch() = 0;
  // moreComing: another event of the same kind follows at once.
  virtual void didFindService(const ServiceRef& service, bool moreComing) = 0;
  virtual void didRemoveService(const ServiceRef& service, bool moreComing) = 0;
  virtual void netServiceBrowserDidStopSearch() = 0;
  virtual void netServiceBrowserDidNotSearch(int error) = 0;
  virtual void netServiceDidResolveAddress(const ServiceRef& service, const ResolvedService& result) = 0;
  virtual void netServiceDidNotResolve(const ServiceRef& service) = 0;
};

class ServiceDiscoveryBackend {
 public:
  virtual ~ServiceDiscoveryBackend() = default;
  void setDelegate(ServiceDiscoveryDelegate* delegate) { delegate_ = delegate; }
  // domain "": the default domains.
  virtual void searchForServices(const QString& type, const QString& domain) = 0;
  // Ends browsing and every resolution, without callbacks.
  virtual void stop() = 0;
  // One result or failure arrives later, unless stopResolve comes first.
  virtual void resolve(const ServiceRef& service, double timeoutSeconds) = 0;
  // Ends a resolution without a callback; nothing when none runs.
  virtual void stopResolve(const ServiceRef& service) = 0;

 protected:
  ServiceDiscoveryDelegate* delegate() const { return delegate_; }

 private:
  ServiceDiscoveryDelegate* delegate_ = nullptr;
};

}  // namespace zelvo
