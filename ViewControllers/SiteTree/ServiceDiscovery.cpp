#include "ViewControllers/SiteTree/ServiceDiscovery.h"

#include <QCoreApplication>
#include <algorithm>

#include "Foundation/Log.h"
#include "Foundation/Utf8.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"

namespace zelvo {

namespace {
constexpr double ResolveTimeoutSeconds = 5.0;
}

qint64 cameraCountFromTXTValue(const QByteArray& value) {
  if (!isValidUtf8(std::string_view(value.constData(), static_cast<size_t>(value.size())))) return 0;
  const char* p = value.constData();
  const char* end = p + value.size();
  // atoi's reading: C white space, one sign, then digits up to the first other byte.
  while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r')) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  qint64 number = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    number = number * 10 + (*p - '0');
    if (number > MaxDiscoveredCameras) number = MaxDiscoveredCameras + 1;  // no overflow, still too many
  }
  if (negative) return 0;
  return std::min(number, MaxDiscoveredCameras);
}

ServiceDiscovery::ServiceDiscovery(SiteTreeCore& tree, std::unique_ptr<ServiceDiscoveryBackend> backend, QObject* parent)
    : QObject(parent), tree_(tree), backend_(std::move(backend)) {
  backend_->setDelegate(this);
  tree_.setResolveRequestHandler([this](ChildNode& node) { adjustServiceSetting(node); });
}

ServiceDiscovery::~ServiceDiscovery() {
  tree_.setResolveRequestHandler({});
  backend_->stop();
  backend_->setDelegate(nullptr);
}

void ServiceDiscovery::start() {
  if (started_) return;
  started_ = true;
  if (QCoreApplication* app = QCoreApplication::instance())
    connect(app, &QCoreApplication::aboutToQuit, this, &ServiceDiscovery::stop);
  backend_->searchForServices(QString::fromLatin1(RecorderServiceType), QString());
}

void ServiceDiscovery::stop() { backend_->stop(); }

void ServiceDiscovery::netServiceBrowserWillSearch() {
  zelvoLog("Net Service Browser Will Search");
  bonjourServices_.clear();
}

void ServiceDiscovery::didFindService(const ServiceRef& service, bool moreComing) {
  tempBonjourAddServices_.push_back(service);
  if (!moreComing) addServices();
}

void ServiceDiscovery::addServices() {
  std::vector<ServiceRef> batch;
  batch.swap(tempBonjourAddServices_);
  bonjourServices_.insert(bonjourServices_.begin(), batch.begin(), batch.end());
  std::stable_sort(batch.begin(), batch.end(), [](const ServiceRef& a, const ServiceRef& b) {
    return a.name.compare(b.name, Qt::CaseSensitive) < 0;
  });
  for (const ServiceRef& service : batch) addService(service);
}

void ServiceDiscovery::addService(const ServiceRef& service) {
  auto node = ChildNode::create();
  node->setNodeTitle(service.name);
  node->setDomain(service.domain);
  node->setIndex(0);
  SiteInfo record;
  record.setName(service.name);
  record.setIndex(0);
  node->setData(archivedDataWithRootObject(record));
  tree_.addDiscoveredNode(node);
}

void ServiceDiscovery::didRemoveService(const ServiceRef& service, bool moreComing) {
  zelvoLog("Remove Service %s", service.name.toUtf8().constData());
  tempBonjourRemoveServices_.push_back(service);
  if (!moreComing) removeServices();
}

void ServiceDiscovery::removeServices() {
  std::vector<ServiceRef> batch;
  batch.swap(tempBonjourRemoveServices_);
  for (const ServiceRef& service : batch) {
    auto it = std::find(bonjourServices_.begin(), bonjourServices_.end(), service);
    if (it != bonjourServices_.end()) bonjourServices_.erase(it);
  }
  for (const ServiceRef& service : batch) removeService(service);
}

void ServiceDiscovery::removeService(const ServiceRef& service) {
  zelvoLog("Removed Domain %s Name %s", service.domain.toUtf8().constData(), service.name.toUtf8().constData());
  // A service that goes while it resolves must not answer later for a node that is gone.
  if (selectedService_ && *selectedService_ == service &&
      std::find(bonjourServices_.begin(), bonjourServices_.end(), service) == bonjourServices_.end()) {
    backend_->stopResolve(service);
    selectedService_.reset();
  }
  tree_.removeDiscoveredNode(service.domain, service.name);
}

void ServiceDiscovery::netServiceBrowserDidStopSearch() {
  tempBonjourAddServices_.clear();
  tempBonjourRemoveServices_.clear();
}

void ServiceDiscovery::netServiceBrowserDidNotSearch(int) {}

std::optional<ServiceRef> ServiceDiscovery::findService(const ChildNode& node) const {
  for (const ServiceRef& service : bonjourServices_)
    if (service.domain == node.domain() && service.name == node.nodeTitle()) return service;
  return std::nullopt;
}

ChildNode* ServiceDiscovery::findNodeUsingService(const ServiceRef& service) const {
  return tree_.findRecorder(service.name, service.domain);
}

void ServiceDiscovery::resetResolveFlag() {
  for (ChildNode* node : tree_.recorders()) {
    if (!node->isResolving()) continue;
    node->setIsResolving(false);
    tree_.nodeChanged(*node);
  }
}

void ServiceDiscovery::adjustServiceSetting(ChildNode& node) {
  if (selectedService_) backend_->stopResolve(*selectedService_);
  selectedService_ = findService(node);
  if (!selectedService_) return;
  tree_.setSelectedNode(std::dynamic_pointer_cast<ChildNode>(node.shared_from_this()));
  resetResolveFlag();
  node.setIsResolving(true);
  tree_.nodeChanged(node);
  if (node.isResolved()) return;
  backend_->resolve(*selectedService_, ResolveTimeoutSeconds);
}

void ServiceDiscovery::netServiceDidResolveAddress(const ServiceRef& service, const ResolvedService& result) {
  zelvoLog("RESOLVED: %s %s:%ld", service.name.toUtf8().constData(), result.hostName.toUtf8().constData(),
           static_cast<long>(result.port));
  if (selectedService_ && *selectedService_ == service) {
    resolveSite(service, result);
    selectedService_.reset();
  } else {
    zelvoLog("DIFF SELECTED [IGNORE]");
  }
}

void ServiceDiscovery::netServiceDidNotResolve(const ServiceRef& service) {
  if (selectedService_ && *selectedService_ == service) selectedService_.reset();
  ChildNode* node = findNodeUsingService(service);
  if (!node) return;
  node->setIsResolving(false);
  node->setFailToResolve(true);
  zelvoLog("Did not resolve %s", node->nodeTitle().toUtf8().constData());
  tree_.nodeChanged(*node);
  tree_.resort();
}

void ServiceDiscovery::resolveSite(const ServiceRef& service, const ResolvedService& result) {
  const qint64 count = cameraCountFromTXTValue(result.txt.value("v"));
  // A recorder hidden by the filter takes the result too: it is shown again later.
  ChildNode* node = findNodeUsingService(service);
  if (!node) return;
  node->setCameraCount(count);
  node->setAddress(result.address);
  node->setPort(result.port);
  std::shared_ptr<SiteInfo> record = unarchiveSiteInfo(node->data());
  if (!record) {
    record = SiteInfo::create();
    record->setName(node->nodeTitle());
    record->setIndex(0);
  }
  record->setAddress(result.address);
  record->setCameraCount(count);
  record->setPort(result.port);
  record->setAutoDetect(true);
  if (!record->camTitles()) record->setCamTitles(std::make_shared<CameraTitleMap>());
  if (node->children().empty()) {
    auto self = node->shared_from_this();
    for (qint64 n = 1; n <= count; ++n) {
      auto camera = ChildNode::create();
      QString title = QStringLiteral("CAM%1").arg(n);
      camera->setNodeTitle(title);
      (*record->camTitles())[QString::number(n)] = title;
      camera->setParent(self);
      camera->setIndex(n);
      tree_.appendCamera(*node, camera);
    }
  }
  node->setData(archivedDataWithRootObject(*record));
  node->setIsResolving(false);
  node->setIsResolved(true);
  zelvoLog("After Resolve Service %s", node->isResolved() ? "YES" : "NO");
  tree_.nodeChanged(*node);
  tree_.resort();
}

}  // namespace zelvo
