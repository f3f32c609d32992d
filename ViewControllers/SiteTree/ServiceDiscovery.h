#pragma once
// Recorders found on the local network, listed under AUTO DETECT and resolved lazily,
// one at a time, when their row is selected or dragged. Browsing runs from the start
// until the application quits, following the Avahi daemon when it starts late or restarts.

#include <QObject>
#include <memory>
#include <optional>
#include <vector>

#include "ViewControllers/SiteTree/ServiceDiscoveryBackend.h"
#include "ViewControllers/SiteTree/SiteTreeCore.h"

namespace zelvo {

inline constexpr char RecorderServiceType[] = "_ostrel-dvr._tcp";
// The most cameras a discovered recorder is given: the wall has 64 planes.
inline constexpr qint64 MaxDiscoveredCameras = 64;

// The camera count of a TXT "v" value: strict UTF-8 (else 0), then the leading
// decimal number as atoi reads it (blanks and a sign first, up to the first
// non-digit), without overflow, clamped to 0..64.
qint64 cameraCountFromTXTValue(const QByteArray& value);

class ServiceDiscovery : public QObject, public ServiceDiscoveryDelegate {
  Q_OBJECT
 public:
  ServiceDiscovery(SiteTreeCore& tree, std::unique_ptr<ServiceDiscoveryBackend> backend, QObject* parent = nullptr);
  ~ServiceDiscovery() override;

  // Browse for recorders; stops when the application is about to quit.
  void start();
  void stop();

  const std::vector<ServiceRef>& bonjourServices() const { return bonjourServices_; }
  const std::optional<ServiceRef>& selectedService() const { return selectedService_; }
  std::optional<ServiceRef> findService(const ChildNode& node) const;
  ChildNode* findNodeUsingService(const ServiceRef& service) const;
  // The node's recorder is wanted: stop the previous resolution, resolve this one.
  void adjustServiceSetting(ChildNode& node);

  // ServiceDiscoveryDelegate
  void netServiceBrowserWillSearch() override;
  void didFindService(const ServiceRef& service, bool moreComing) override;
  void didRemoveService(const ServiceRef& service, bool moreComing) override;
  void netServiceBrowserDidStopSearch() override;
  void netServiceBrowserDidNotSearch(int error) override;
  void netServiceDidResolveAddress(const ServiceRef& service, const ResolvedService& result) override;
  void netServiceDidNotResolve(const ServiceRef& service) override;

 private:
  void addServices();
  void addService(const ServiceRef& service);
  void removeServices();
  void removeService(const ServiceRef& service);
  void resetResolveFlag();
  void resolveSite(const ServiceRef& service, const ResolvedService& result);

  SiteTreeCore& tree_;
  std::unique_ptr<ServiceDiscoveryBackend> backend_;
  std::vector<ServiceRef> bonjourServices_;
  std::vector<ServiceRef> tempBonjourAddServices_;
  std::vector<ServiceRef> tempBonjourRemoveServices_;
  std::optional<ServiceRef> selectedService_;
  bool started_ = false;
};

}  // namespace zelvo
