// Discovery's logic against a scripted backend: batches, removal, lazy resolution,
// the camera count from the TXT record, and discovery while a filter is active.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QMetaObject>

#include "Foundation/MainThread.h"
#include "ViewControllers/SiteTree/AvahiBackend.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/SiteTree/SiteTreeFakes.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::resolution;
using test::service;

TEST(CameraCountFromTXT, ReadsTheLeadingNumberSafely) {
  struct Case {
    const char* name;
    QByteArray value;
    qint64 expect;
  };
  const Case cases[] = {
      {"8", "8", 8},
      {"digits then letters", "12abc", 12},
      {"leading blank", " 7", 7},
      {"leading white space", "\t\n 9", 9},
      {"plus sign", "+5", 5},
      {"negative", "-3", 0},
      {"sign without digits", "+", 0},
      {"two signs", "+-3", 0},
      {"empty", "", 0},
      {"letters only", "abc", 0},
      {"stops at a NUL", QByteArray("3\0 9", 4), 3},
      {"64", "64", 64},
      {"65", "65", 64},
      {"far too many", "99999999999", 64},
      {"longer than any integer", QByteArray(400, '9'), 64},
      {"invalid UTF-8", QByteArray("\xFF\xFE\x37", 3), 0},
      {"valid UTF-8 after the digits", "7\xC3\xA9", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(cameraCountFromTXTValue(c.value), c.expect);
  }
}

class ServiceDiscoveryTest : public ::testing::Test, public test::TreeFixture {
 protected:
  QAbstractItemModelTester tester{&core.model(), QAbstractItemModelTester::FailureReportingMode::Fatal};
  test::FakeDiscoveryBackend* backend = nullptr;
  std::unique_ptr<ServiceDiscovery> discovery;

  void SetUp() override {
    auto fake = std::make_unique<test::FakeDiscoveryBackend>();
    backend = fake.get();
    discovery = std::make_unique<ServiceDiscovery>(core, std::move(fake));
    discovery->start();
    backend->to().netServiceBrowserWillSearch();
  }
  void find(std::initializer_list<const char*> names) {
    size_t i = 0;
    for (const char* name : names) backend->to().didFindService(service(name), ++i < names.size());
  }
  QStringList shown() const {
    QStringList titles;
    for (ChildNode* node : core.discoveredNodes()) titles << node->nodeTitle();
    return titles;
  }
  ChildNode* node(const QString& name) { return core.findDiscoveredNode(name, "local"); }
  void select(const QString& name) { core.shouldSelectItem(node(name)); }
};

TEST_F(ServiceDiscoveryTest, BrowsesForRecordersInTheDefaultDomains) {
  ASSERT_EQ(backend->searches.size(), 1u);
  EXPECT_EQ(backend->searches[0].first, "_ostrel-dvr._tcp");
  EXPECT_EQ(backend->searches[0].second, "");
}

TEST_F(ServiceDiscoveryTest, ABatchIsShownSortedByName) {
  backend->to().didFindService(service("c"), true);
  backend->to().didFindService(service("a"), true);
  EXPECT_TRUE(shown().isEmpty());
  backend->to().didFindService(service("b"), false);
  EXPECT_EQ(shown(), QStringList({"a", "b", "c"}));
  // The list of services keeps the order they came in, the newest batch first.
  find({"e", "d"});
  std::vector<QString> order;
  for (const ServiceRef& s : discovery->bonjourServices()) order.push_back(s.name);
  EXPECT_EQ(order, (std::vector<QString>{"e", "d", "c", "a", "b"}));
  EXPECT_EQ(shown(), QStringList({"a", "b", "c", "d", "e"}));
  ChildNode* a = node("a");
  EXPECT_EQ(a->domain(), "local");
  EXPECT_EQ(a->index(), 0);
  EXPECT_EQ(a->parent().get(), &core.autoDetectNode());
  auto record = unarchiveSiteInfo(a->data());
  ASSERT_TRUE(record);
  EXPECT_EQ(record->name(), "a");
  EXPECT_EQ(record->index(), 0);
  EXPECT_FALSE(record->address());
}

TEST_F(ServiceDiscoveryTest, AServiceFoundTwiceHasTwoNodesAndEachRemovalTakesOne) {
  find({"dup"});
  find({"dup"});
  EXPECT_EQ(shown(), QStringList({"dup", "dup"}));
  backend->to().didRemoveService(service("dup"), false);
  EXPECT_EQ(shown(), QStringList({"dup"}));
  backend->to().didRemoveService(service("dup", "elsewhere"), false);
  EXPECT_EQ(shown(), QStringList({"dup"}));
  backend->to().didRemoveService(service("dup"), false);
  EXPECT_TRUE(shown().isEmpty());
  EXPECT_TRUE(discovery->bonjourServices().empty());
}

TEST_F(ServiceDiscoveryTest, AStoppedSearchForgetsItsUnfinishedBatches) {
  backend->to().didFindService(service("half"), true);
  backend->to().netServiceBrowserDidStopSearch();
  find({"whole"});
  EXPECT_EQ(shown(), QStringList({"whole"}));
}

TEST_F(ServiceDiscoveryTest, SelectingResolvesAndTheTXTGivesTheCameras) {
  struct Case {
    const char* name;
    std::optional<QByteArray> v;
    qint64 cameras;
  };
  const Case cases[] = {
      {"eight", QByteArray("8"), 8},   {"twelve", QByteArray("12abc"), 12},  {"blank", QByteArray(" 7"), 7},
      {"plus", QByteArray("+5"), 5},   {"minus", QByteArray("-3"), 0},       {"empty", QByteArray(""), 0},
      {"missing", std::nullopt, 0},    {"nul", QByteArray("3\0 9", 4), 3},   {"many", QByteArray("65"), 64},
      {"huge", QByteArray("99999999999"), 64}, {"bytes", QByteArray("\xFF\xFE\x37", 3), 0},
  };
  for (const Case& c : cases) find({c.name});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    select(c.name);
    ASSERT_FALSE(backend->resolves.empty());
    EXPECT_EQ(backend->resolves.back(), service(c.name));
    EXPECT_EQ(backend->timeouts.back(), 5.0);
    EXPECT_TRUE(node(c.name)->isResolving());
    EXPECT_TRUE(core.rowLook(*node(c.name)).inProgress);
    QMap<QByteArray, QByteArray> txt;
    if (c.v) txt.insert("v", *c.v);
    txt.insert("other", "1");
    test::LogCapture log;
    backend->to().netServiceDidResolveAddress(service(c.name), resolution(txt, 9100));
    EXPECT_TRUE(log.contains(std::string("RESOLVED: ") + c.name + " recorder.local:9100"));
    ChildNode* n = node(c.name);
    EXPECT_TRUE(n->isResolved());
    EXPECT_FALSE(n->isResolving());
    EXPECT_FALSE(core.rowLook(*n).inProgress);
    EXPECT_EQ(n->cameraCount(), c.cameras);
    ASSERT_EQ(static_cast<qint64>(n->children().size()), c.cameras);
    for (qint64 i = 0; i < c.cameras; ++i) {
      auto* cam = asChild(n->children()[static_cast<size_t>(i)].get());
      EXPECT_EQ(cam->nodeTitle(), QString("CAM%1").arg(i + 1));
      EXPECT_EQ(cam->index(), i + 1);
      EXPECT_EQ(cam->parent().get(), n);
    }
    // The numeric address, not the host name, is what a connection can use.
    EXPECT_EQ(n->address(), "192.168.1.20");
    EXPECT_EQ(n->port(), 9100);
    auto record = unarchiveSiteInfo(n->data());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->address(), "192.168.1.20");
    EXPECT_EQ(record->port(), 9100);
    EXPECT_EQ(record->cameraCount(), c.cameras);
    EXPECT_EQ(record->autoDetect(), true);
    EXPECT_EQ(record->name(), c.name);
    if (c.cameras > 0) {
      EXPECT_EQ(record->cameraTitleAtIndex(c.cameras), QString("CAM%1").arg(c.cameras));
    }
    EXPECT_FALSE(discovery->selectedService());
  }
}

TEST_F(ServiceDiscoveryTest, AResolvedRecorderDragsLikeASite) {
  find({"rec"});
  EXPECT_FALSE(core.writeItem(node("rec")));
  ASSERT_EQ(backend->resolves.size(), 1u);
  backend->to().netServiceDidResolveAddress(service("rec"), resolution({{"v", "4"}}));
  auto payload = core.writeItem(node("rec"));
  ASSERT_TRUE(payload);
  EXPECT_EQ(unarchiveSiteInfo(*payload)->autoDetect(), true);
  auto cameraPayload = core.writeItem(node("rec")->children()[2].get());
  ASSERT_TRUE(cameraPayload);
  EXPECT_EQ(unarchiveSiteInfo(*cameraPayload)->index(), 3);
  EXPECT_EQ(backend->resolves.size(), 1u);
  // Selecting it again resolves nothing more, and shows no indicator.
  select("rec");
  EXPECT_EQ(backend->resolves.size(), 1u);
  EXPECT_TRUE(node("rec")->isResolving());
  EXPECT_FALSE(core.rowLook(*node("rec")).inProgress);
}

TEST_F(ServiceDiscoveryTest, ChoosingAnotherRecorderStopsTheFirst) {
  find({"A", "B"});
  select("A");
  select("B");
  ASSERT_EQ(backend->stops.size(), 1u);
  EXPECT_EQ(backend->stops[0], service("A"));
  EXPECT_FALSE(node("A")->isResolving());
  EXPECT_FALSE(node("A")->failToResolve());
  EXPECT_TRUE(node("B")->isResolving());
  test::LogCapture log;
  backend->to().netServiceDidResolveAddress(service("A"), resolution({{"v", "2"}}));
  EXPECT_TRUE(log.contains("DIFF SELECTED [IGNORE]"));
  EXPECT_FALSE(node("A")->isResolved());
  EXPECT_TRUE(node("A")->children().empty());
  backend->to().netServiceDidResolveAddress(service("B"), resolution({{"v", "2"}}));
  EXPECT_TRUE(node("B")->isResolved());
  EXPECT_EQ(node("B")->children().size(), 2u);
}

TEST_F(ServiceDiscoveryTest, ATimedOutRecorderFailsAndARetryResolvesWithoutIndicator) {
  find({"slow"});
  select("slow");
  test::LogCapture log;
  backend->to().netServiceDidNotResolve(service("slow"));
  EXPECT_TRUE(log.contains("Did not resolve slow"));
  EXPECT_TRUE(node("slow")->failToResolve());
  EXPECT_FALSE(node("slow")->isResolving());
  EXPECT_FALSE(core.rowLook(*node("slow")).inProgress);
  select("slow");
  EXPECT_EQ(backend->resolves.size(), 2u);
  EXPECT_TRUE(node("slow")->isResolving());
  EXPECT_FALSE(core.rowLook(*node("slow")).inProgress);
  backend->to().netServiceDidResolveAddress(service("slow"), resolution({{"v", "3"}}));
  EXPECT_TRUE(node("slow")->isResolved());
  EXPECT_EQ(node("slow")->children().size(), 3u);
}

TEST_F(ServiceDiscoveryTest, RemovingAResolvingRecorderStopsItsResolution) {
  find({"gone", "kept"});
  select("gone");
  backend->to().didRemoveService(service("gone"), false);
  EXPECT_EQ(shown(), QStringList({"kept"}));
  ASSERT_EQ(backend->stops.size(), 1u);
  EXPECT_EQ(backend->stops[0], service("gone"));
  EXPECT_FALSE(discovery->selectedService());
  // A late answer finds nothing to change.
  backend->to().netServiceDidResolveAddress(service("gone"), resolution({{"v", "2"}}));
  backend->to().netServiceDidNotResolve(service("gone"));
  EXPECT_EQ(shown(), QStringList({"kept"}));
  EXPECT_FALSE(node("kept")->isResolved());
}

TEST_F(ServiceDiscoveryTest, ARecorderWhoseServiceIsGoneCannotBeResolved) {
  find({"A"});
  select("A");
  auto orphan = ChildNode::create();
  orphan->setNodeTitle("ghost");
  orphan->setDomain("local");
  core.addDiscoveredNode(orphan);
  select("ghost");
  EXPECT_EQ(backend->resolves.size(), 1u);
  EXPECT_EQ(backend->stops.size(), 1u);
  EXPECT_FALSE(orphan->isResolving());
}

TEST_F(ServiceDiscoveryTest, DiscoveryWhileFilteringSurvivesClearingTheFilter) {
  find({"Alpha", "Beta", "Gamma"});
  core.updateFilter("a");
  find({"Delta"});
  backend->to().didRemoveService(service("Beta"), false);
  backend->to().didRemoveService(service("Gamma"), false);
  core.updateFilter("");
  EXPECT_EQ(shown(), QStringList({"Alpha", "Delta"}));
}

// A recorder that finishes resolving while the filter hides its row: the row it comes
// back to shows the outcome, never a spinner that nothing will stop.
TEST_F(ServiceDiscoveryTest, ARecorderThatFinishesWhileHiddenStopsSpinning) {
  struct Case {
    const char* name;
    bool resolves;
  };
  for (const Case& c : {Case{"resolved", true}, Case{"failed", false}}) {
    SCOPED_TRACE(c.name);
    find({"Alpha", "Beta"});
    select("Beta");
    ASSERT_TRUE(core.rowLook(*node("Beta")).inProgress);
    core.updateFilter("alp");
    ASSERT_EQ(node("Beta"), nullptr);
    if (c.resolves)
      backend->to().netServiceDidResolveAddress(service("Beta"), resolution({{"v", "2"}}));
    else
      backend->to().netServiceDidNotResolve(service("Beta"));
    core.updateFilter("");
    ChildNode* beta = node("Beta");
    ASSERT_NE(beta, nullptr);
    EXPECT_FALSE(beta->isResolving());
    EXPECT_FALSE(core.rowLook(*beta).inProgress);
    EXPECT_EQ(core.model().data(core.model().indexForNode(beta), SiteTreeModel::InProgressRole).toBool(), false);
    EXPECT_FALSE(core.model().anyInProgress());
    EXPECT_EQ(beta->isResolved(), c.resolves);
    EXPECT_EQ(beta->failToResolve(), !c.resolves);
    EXPECT_EQ(beta->children().size(), c.resolves ? 2u : 0u);
    if (c.resolves) {
      auto record = unarchiveSiteInfo(beta->data());
      ASSERT_TRUE(record);
      EXPECT_EQ(record->cameraCount(), 2);
      EXPECT_EQ(record->address(), "192.168.1.20");
    }
    backend->to().didRemoveService(service("Alpha"), true);
    backend->to().didRemoveService(service("Beta"), false);
    ASSERT_TRUE(shown().isEmpty());
  }
}

// Choosing another recorder while the first is hidden still takes the first's spinner.
TEST_F(ServiceDiscoveryTest, ChoosingARecorderWhileAnotherIsHiddenStopsTheHiddenOnesSpinner) {
  find({"Alpha", "Beta"});
  select("Beta");
  core.updateFilter("alp");
  select("Alpha");
  core.updateFilter("");
  EXPECT_FALSE(node("Beta")->isResolving());
  EXPECT_FALSE(core.rowLook(*node("Beta")).inProgress);
  EXPECT_TRUE(core.rowLook(*node("Alpha")).inProgress);
}

TEST_F(ServiceDiscoveryTest, WillSearchStartsTheServiceListAfresh) {
  find({"old"});
  backend->to().netServiceBrowserWillSearch();
  EXPECT_TRUE(discovery->bonjourServices().empty());
  select("old");
  EXPECT_TRUE(backend->resolves.empty());
}

TEST_F(ServiceDiscoveryTest, QuittingStopsTheBrowser) {
  EXPECT_EQ(backend->stopped, 0);
  QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection);
  EXPECT_EQ(backend->stopped, 1);
  // The signal also closed the process's main-thread hops, which later tests need open.
  reopenMainThreadHopsForTesting();
}

TEST(ServiceInstances, TheFirstFoundAndTheLastRemovedCount) {
  ServiceInstanceTable table;
  const ServiceRef rec = service("rec");
  const int v4 = 0, v6 = 1;
  EXPECT_TRUE(table.add(rec, {1, v4}));
  EXPECT_FALSE(table.add(rec, {1, v6}));
  EXPECT_FALSE(table.add(rec, {2, v4}));
  EXPECT_FALSE(table.add(rec, {2, v6}));
  EXPECT_FALSE(table.add(rec, {2, v6}));  // the same instance again
  EXPECT_EQ(table.first(rec), (ServiceInstance{1, v4}));
  EXPECT_FALSE(table.remove(rec, {1, v4}));
  EXPECT_EQ(table.first(rec), (ServiceInstance{1, v6}));
  EXPECT_FALSE(table.remove(rec, {1, v4}));  // already gone
  EXPECT_FALSE(table.remove(rec, {2, v4}));
  EXPECT_FALSE(table.remove(rec, {1, v6}));
  EXPECT_FALSE(table.remove(service("other"), {2, v6}));
  EXPECT_TRUE(table.remove(rec, {2, v6}));
  EXPECT_FALSE(table.first(rec));
  EXPECT_TRUE(table.add(rec, {2, v4}));
}

TEST(BrowseBatches, TheLastOfEachKindEndsTheBatch) {
  std::vector<std::tuple<BrowseBatcher::Kind, QString, bool>> got;
  BrowseBatcher batcher([&](BrowseBatcher::Kind kind, const ServiceRef& s, bool more) { got.emplace_back(kind, s.name, more); });
  batcher.add(BrowseBatcher::Found, service("a"));
  batcher.add(BrowseBatcher::Removed, service("x"));
  batcher.add(BrowseBatcher::Found, service("b"));
  EXPECT_TRUE(got.empty());
  batcher.flush();
  using K = BrowseBatcher::Kind;
  decltype(got) expect{{K::Found, "a", true}, {K::Removed, "x", false}, {K::Found, "b", false}};
  EXPECT_EQ(got, expect);
  // Without an end from Avahi, a quiet moment ends the batch.
  got.clear();
  batcher.add(BrowseBatcher::Found, service("late"));
  EXPECT_TRUE(test::waitUntil([&] { return !got.empty(); }));
  EXPECT_EQ(got, (decltype(got){{K::Found, "late", false}}));
  EXPECT_FALSE(batcher.pending());
}

}  // namespace
}  // namespace zelvo
