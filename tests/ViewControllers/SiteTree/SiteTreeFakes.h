#pragma once
// Fakes for the site tree's logic: an outline that remembers expansion and selection,
// and a discovery backend the test drives by hand.

#include <QImage>
#include <set>
#include <vector>

#include "ViewControllers/SiteTree/ServiceDiscovery.h"
#include "ViewControllers/SiteTree/SiteTreeCore.h"

namespace zelvo::test {

// The outline: expansion by node, as the real one reports back what it expands.
class FakeSiteTreeView : public SiteTreeView {
 public:
  SiteTreeCore* core = nullptr;
  std::set<const BaseNode*> expanded;
  const BaseNode* selected = nullptr;
  std::vector<const BaseNode*> edited;
  int selectionClears = 0;

  bool isExpanded(const BaseNode* node) const override { return expanded.count(node) > 0; }
  void expand(const BaseNode* node) override {
    if (!expanded.insert(node).second) return;
    if (core) core->outlineViewExpanded(const_cast<BaseNode*>(node));
  }
  void collapse(const BaseNode* node) {
    if (!expanded.erase(node)) return;
    if (core) core->outlineViewCollapsed(const_cast<BaseNode*>(node));
  }
  void selectRow(const BaseNode* node) override { selected = node; }
  void clearSelection() override {
    selected = nullptr;
    ++selectionClears;
  }
  void beginEditing(const BaseNode* node) override { edited.push_back(node); }
  // A model reset forgets what was expanded, as the real outline does.
  void forget() { expanded.clear(); }
};

inline SiteTreeCore::Icons testIcons() {
  auto icon = [](QRgb colour) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
  };
  return {icon(0xff0000ff), icon(0xff00ff00), icon(0xffff0000)};
}

// The tree with its fake outline.
struct TreeFixture {
  FakeSiteTreeView view;
  SiteTreeCore core{view, testIcons()};
  TreeFixture() {
    view.core = &core;
    QObject::connect(&core.model(), &QAbstractItemModel::modelReset, [this] { view.forget(); });
  }
};

class FakeDiscoveryBackend : public ServiceDiscoveryBackend {
 public:
  std::vector<std::pair<QString, QString>> searches;
  std::vector<ServiceRef> resolves;
  std::vector<ServiceRef> stops;
  std::vector<double> timeouts;
  int stopped = 0;

  void searchForServices(const QString& type, const QString& domain) override { searches.emplace_back(type, domain); }
  void stop() override { ++stopped; }
  void resolve(const ServiceRef& service, double timeoutSeconds) override {
    resolves.push_back(service);
    timeouts.push_back(timeoutSeconds);
  }
  void stopResolve(const ServiceRef& service) override { stops.push_back(service); }

  ServiceDiscoveryDelegate& to() { return *delegate(); }
};

inline ServiceRef service(const QString& name, const QString& domain = "local") {
  return {name, RecorderServiceType, domain};
}

inline ResolvedService resolution(QMap<QByteArray, QByteArray> txt, quint16 port = 9000,
                                  const QString& address = "192.168.1.20") {
  return {"recorder.local", address, port, std::move(txt)};
}

}  // namespace zelvo::test
