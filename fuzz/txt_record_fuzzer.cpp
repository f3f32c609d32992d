// A discovered recorder's TXT record from hostile bytes, the way a resolution brings it:
// the record's wire bytes become avahi's string list in wire order, the list becomes the
// resolver's entries, and the resolution becomes the recorder's row with its cameras and
// its archive. The camera count stays in 0..64, the rows and the archive agree with it,
// and the count is that of the first "v" entry on the wire.
#include <avahi-common/strlst.h>

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "ViewControllers/SiteTree/AvahiBackend.h"
#include "ViewControllers/SiteTree/ServiceDiscovery.h"
#include "ViewControllers/SiteTree/SiteTreeCore.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"

using namespace zelvo;

namespace {

class NoOutline : public SiteTreeView {
 public:
  bool isExpanded(const BaseNode*) const override { return false; }
  void expand(const BaseNode*) override {}
  void selectRow(const BaseNode*) override {}
  void clearSelection() override {}
  void beginEditing(const BaseNode*) override {}
};

class ScriptedBackend : public ServiceDiscoveryBackend {
 public:
  void searchForServices(const QString&, const QString&) override {}
  void stop() override {}
  void resolve(const ServiceRef&, double) override {}
  void stopResolve(const ServiceRef&) override {}
  ServiceDiscoveryDelegate& to() { return *delegate(); }
};

void check(bool ok) {
  if (!ok) std::abort();
}

// The value of the first entry keyed "v" on the wire, read from the bytes themselves.
std::optional<QByteArray> firstV(const uint8_t* data, size_t size) {
  size_t i = 0;
  while (i < size) {
    const size_t length = data[i++];
    if (length > size - i) return std::nullopt;  // the parser refuses such a record
    const QByteArray entry(reinterpret_cast<const char*>(data + i), static_cast<qsizetype>(length));
    i += length;
    if (entry.isEmpty()) continue;
    const qsizetype equals = entry.indexOf('=');
    const QByteArray key = equals < 0 ? entry : entry.left(equals);
    if (key == "v") return equals < 0 ? QByteArray() : entry.mid(equals + 1);
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AvahiStringList* parsed = nullptr;
  if (avahi_string_list_parse(data, size, &parsed) < 0) return 0;
  // The parser builds its list back to front; the client hands a resolution's list over
  // front to back, as on the wire.
  AvahiStringList* list = avahi_string_list_reverse(parsed);
  ResolvedService result{"recorder.local", "192.0.2.7", 9000, txtEntries(list)};
  avahi_string_list_free(list);

  const std::optional<QByteArray> wireV = firstV(data, size);
  check(result.txt.contains("v") == wireV.has_value());
  if (wireV) check(result.txt.value("v") == *wireV);

  NoOutline outline;
  SiteTreeCore tree(outline, {});
  auto owned = std::make_unique<ScriptedBackend>();
  ScriptedBackend* backend = owned.get();
  ServiceDiscovery discovery(tree, std::move(owned));
  discovery.start();
  const ServiceRef service{"Recorder", RecorderServiceType, "local"};
  backend->to().netServiceBrowserWillSearch();
  backend->to().didFindService(service, false);
  ChildNode* node = tree.findDiscoveredNode(service.name, service.domain);
  check(node != nullptr);
  tree.shouldSelectItem(node);
  backend->to().netServiceDidResolveAddress(service, result);

  const qint64 count = node->cameraCount();
  check(count >= 0 && count <= MaxDiscoveredCameras);
  check(count == cameraCountFromTXTValue(wireV.value_or(QByteArray())));
  check(node->isResolved() && !node->isResolving());
  check(static_cast<qint64>(node->children().size()) == count);
  check(tree.model().rowCount(tree.model().indexForNode(node)) == count);
  for (qint64 n = 1; n <= count; ++n) {
    const NodePtr& camera = node->children()[static_cast<size_t>(n - 1)];
    check(camera->index() == n);
    check(camera->nodeTitle() == QStringLiteral("CAM%1").arg(n));
  }
  std::shared_ptr<SiteInfo> record = unarchiveSiteInfo(node->data());
  check(record != nullptr);
  check(record->cameraCount() == count);
  check(record->autoDetect() == true);
  check(record->address() == result.address && record->port() == result.port);
  for (qint64 n = 1; n <= count; ++n) check(record->cameraTitleAtIndex(n) == QStringLiteral("CAM%1").arg(n));
  // A camera row drags as the recorder's archive with its number.
  if (count > 0) {
    const std::optional<QByteArray> payload = tree.writeItem(node->children().back().get());
    check(payload.has_value());
    std::shared_ptr<SiteInfo> camera = unarchiveSiteInfo(*payload);
    check(camera && camera->index() == count);
  }
  return 0;
}
