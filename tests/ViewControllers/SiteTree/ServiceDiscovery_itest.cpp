// Discovery against a real avahi-daemon (started by scripts/test-services in a network
// namespace that has only lo): recorders published with avahi-publish and by the
// emulator's --advertise appear, resolve to 127.0.0.1 and their port, and go.
// With ZELVO_TEST_AVAHI set (CI) a missing daemon fails the suite instead of skipping.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QRegularExpression>
#include <cstdlib>
#include <set>

#include "Network/Live/LiveClient.h"
#include "ViewControllers/SiteTree/AvahiBackend.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/SiteTree/SiteTreeFakes.h"
#include "support/Wait.h"

extern char** environ;

namespace zelvo {
namespace {

using test::waitUntil;

// One avahi-publish process, ended by its own PID.
class Publisher {
 public:
  explicit Publisher(std::vector<std::string> args) {
    args.insert(args.begin(), "avahi-publish");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "avahi-publish", &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Publisher() { kill(); }
  Publisher(const Publisher&) = delete;
  Publisher& operator=(const Publisher&) = delete;
  bool running() const { return pid_ > 0; }
  void kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

std::unique_ptr<Publisher> publish(const std::string& name, int port, std::vector<std::string> txt = {},
                                   std::vector<std::string> options = {}) {
  std::vector<std::string> args{"-s"};
  args.insert(args.end(), options.begin(), options.end());
  args.insert(args.end(), {name, RecorderServiceType, std::to_string(port)});
  args.insert(args.end(), txt.begin(), txt.end());
  return std::make_unique<Publisher>(args);
}

// Records what a plain browse sees, to know when the daemon has the services.
class Watcher : public ServiceDiscoveryDelegate {
 public:
  AvahiBackend backend;
  bool searching = false;
  bool refused = false;
  std::multiset<QString> names;
  Watcher() {
    backend.setDelegate(this);
    backend.searchForServices(RecorderServiceType, "");
  }
  ~Watcher() override { backend.setDelegate(nullptr); }
  void netServiceBrowserWillSearch() override { searching = true; }
  void didFindService(const ServiceRef& s, bool) override { names.insert(s.name); }
  void didRemoveService(const ServiceRef& s, bool) override {
    auto it = names.find(s.name);
    if (it != names.end()) names.erase(it);
  }
  void netServiceBrowserDidStopSearch() override {}
  void netServiceBrowserDidNotSearch(int) override { refused = true; }
  void netServiceDidResolveAddress(const ServiceRef&, const ResolvedService&) override {}
  void netServiceDidNotResolve(const ServiceRef&) override {}
};

// The tree with discovery over the daemon.
struct LiveTree : test::TreeFixture {
  ServiceDiscovery discovery{core, std::make_unique<AvahiBackend>()};
  LiveTree() { discovery.start(); }
  ChildNode* node(const QString& name) { return core.findDiscoveredNode(name, "local"); }
  QStringList shown(const QString& prefix) {
    QStringList titles;
    for (ChildNode* n : core.discoveredNodes())
      if (n->nodeTitle().startsWith(prefix)) titles << n->nodeTitle();
    return titles;
  }
  // Selects the recorder's row as the user does, which resolves it.
  void select(const QString& name) { core.shouldSelectItem(node(name)); }
};

class ServiceDiscoveryAvahi : public ::testing::Test {
 protected:
  std::string prefix;

  void SetUp() override {
    // Service names are DNS labels (63 bytes at most): a short name of our own per test.
    static int test = 0;
    prefix = "zt" + std::to_string(getpid()) + "-" + std::to_string(++test) + "-";
    Watcher probe;
    ASSERT_TRUE(waitUntil([&] { return probe.searching || probe.refused; }));
    if (probe.refused) {
      if (qEnvironmentVariableIsSet("ZELVO_TEST_AVAHI")) FAIL() << "no avahi-daemon on the system bus";
      GTEST_SKIP() << "no avahi-daemon (run under scripts/test-services)";
    }
  }
  QString name(const std::string& suffix) const { return QString::fromStdString(prefix + suffix); }
  std::string raw(const std::string& suffix) const { return prefix + suffix; }
  // Waits until the daemon announces every one of the names.
  void waitPublished(const std::vector<std::string>& suffixes) {
    Watcher watcher;
    ASSERT_TRUE(waitUntil([&] {
      for (const std::string& s : suffixes)
        if (!watcher.names.count(name(s))) return false;
      return true;
    })) << "the daemon did not announce the services";
  }
};

TEST_F(ServiceDiscoveryAvahi, RecordersPublishedBeforeTheBrowseAreListedByName) {
  auto c = publish(raw("C"), 10101, {"v=1"});
  auto a = publish(raw("A"), 10102, {"v=1"});
  auto b = publish(raw("B"), 10103, {"v=1"});
  waitPublished({"C", "A", "B"});
  LiveTree tree;
  ASSERT_TRUE(waitUntil([&] { return tree.shown(name("")).size() == 3; }));
  EXPECT_EQ(tree.shown(name("")), QStringList({name("A"), name("B"), name("C")}));
  // Announced on lo only once, however many ways the daemon sees it.
  EXPECT_EQ(tree.discovery.bonjourServices().size(), tree.core.discoveredNodes().size());
}

TEST_F(ServiceDiscoveryAvahi, TheTXTRecordGivesTheCameraCount) {
  struct Case {
    std::string suffix;
    std::vector<std::string> txt;
    qint64 cameras;
  };
  const std::vector<Case> cases = {
      {"eight", {"v=8"}, 8},
      {"twelve", {"v=12abc"}, 12},
      {"none", {}, 0},
      {"huge", {"v=99999999999"}, 64},
      {"negative", {"v=-3"}, 0},
      {"bytes", {std::string("v=\xFF\xFE\x37")}, 0},
      {"bare", {"v"}, 0},
      // Two entries of the key: the first on the wire counts.
      {"first", {"v=3", "v=9"}, 3},
  };
  std::vector<std::unique_ptr<Publisher>> publishers;
  std::vector<std::string> suffixes;
  int port = 10200;
  for (const Case& c : cases) {
    publishers.push_back(publish(raw(c.suffix), ++port, c.txt));
    suffixes.push_back(c.suffix);
  }
  waitPublished(suffixes);
  LiveTree tree;
  port = 10200;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.suffix);
    ++port;
    ASSERT_TRUE(waitUntil([&] { return tree.node(name(c.suffix)) != nullptr; }));
    tree.select(name(c.suffix));
    ASSERT_TRUE(waitUntil([&] {
      ChildNode* n = tree.node(name(c.suffix));
      return n && (n->isResolved() || n->failToResolve());
    }));
    ChildNode* n = tree.node(name(c.suffix));
    ASSERT_TRUE(n->isResolved());
    EXPECT_EQ(n->cameraCount(), c.cameras);
    EXPECT_EQ(static_cast<qint64>(n->children().size()), c.cameras);
    EXPECT_EQ(n->address(), "127.0.0.1");
    EXPECT_EQ(n->port(), port);
    auto record = unarchiveSiteInfo(n->data());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->address(), "127.0.0.1");
    EXPECT_EQ(record->port(), port);
    EXPECT_EQ(record->cameraCount(), c.cameras);
    EXPECT_EQ(record->autoDetect(), true);
  }
}

TEST_F(ServiceDiscoveryAvahi, ARecorderThatGoesAndComesBackResolvesAgain) {
  auto publisher = publish(raw("R"), 10301, {"v=2"});
  LiveTree tree;
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("R")) != nullptr; }));
  tree.select(name("R"));
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("R"))->isResolved(); }));
  publisher->kill();
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("R")) == nullptr; }));
  publisher = publish(raw("R"), 10302, {"v=3"});
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("R")) != nullptr; }));
  ChildNode* again = tree.node(name("R"));
  EXPECT_FALSE(again->isResolved());
  EXPECT_TRUE(again->children().empty());
  tree.select(name("R"));
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("R"))->isResolved(); }));
  EXPECT_EQ(tree.node(name("R"))->port(), 10302);
  EXPECT_EQ(tree.node(name("R"))->children().size(), 3u);
  EXPECT_EQ(tree.shown(name("")).size(), 1);
}

TEST_F(ServiceDiscoveryAvahi, ARecorderWithoutAnAddressFailsWithoutIndicator) {
  auto publisher = publish(raw("nohost"), 10401, {"v=4"}, {"-H", "nohost.local"});
  LiveTree tree;
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("nohost")) != nullptr; }));
  test::LogCapture log;
  tree.select(name("nohost"));
  EXPECT_TRUE(tree.core.rowLook(*tree.node(name("nohost"))).inProgress);
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("nohost"))->failToResolve(); }));
  EXPECT_TRUE(log.contains("Did not resolve " + raw("nohost")));
  ChildNode* n = tree.node(name("nohost"));
  EXPECT_FALSE(n->isResolving());
  EXPECT_FALSE(n->isResolved());
  EXPECT_FALSE(tree.core.rowLook(*n).inProgress);
  EXPECT_TRUE(n->children().empty());
}

TEST_F(ServiceDiscoveryAvahi, ChoosingAnotherRecorderStopsTheFirstWithoutFailingIt) {
  auto slow = publish(raw("slow"), 10501, {"v=4"}, {"-H", "nohost.local"});
  auto quick = publish(raw("quick"), 10502, {"v=5"});
  LiveTree tree;
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("slow")) && tree.node(name("quick")); }));
  tree.select(name("slow"));
  tree.select(name("quick"));
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("quick"))->isResolved(); }));
  EXPECT_EQ(tree.node(name("quick"))->children().size(), 5u);
  ChildNode* first = tree.node(name("slow"));
  EXPECT_FALSE(first->isResolving());
  EXPECT_FALSE(first->failToResolve());
  EXPECT_FALSE(first->isResolved());
  EXPECT_FALSE(tree.core.rowLook(*first).inProgress);
  // Its time-out (5 s) must not come back as a failure: it was stopped, not lost.
  EXPECT_FALSE(waitUntil([&] { return tree.node(name("slow"))->failToResolve(); }, std::chrono::seconds(7)));
}

TEST_F(ServiceDiscoveryAvahi, ANameWithMarkupIsShownAsItIs) {
  const std::string marked = raw("<b>Bold</b> & <i>");
  auto publisher = publish(marked, 10601, {"v=1"});
  LiveTree tree;
  const QString title = QString::fromStdString(marked);
  ASSERT_TRUE(waitUntil([&] { return tree.node(title) != nullptr; }));
  QModelIndex index = tree.core.model().indexForNode(tree.node(title));
  EXPECT_EQ(index.data(Qt::DisplayRole).toString(), title);
  const QString tip = index.data(Qt::ToolTipRole).toString();
  EXPECT_TRUE(tip.contains(title.toHtmlEscaped()));
  EXPECT_FALSE(tip.contains("<b>"));
}

TEST_F(ServiceDiscoveryAvahi, TheEmulatorAdvertisesWhereAClientLogsIn) {
  QProcess program;
  program.start(ZELVO_RECORDER_EMULATOR_PATH,
                {"--port", "0", "--video-in", "6", "--advertise", name("emulator"), "--user", "viewer:secret"});
  ASSERT_TRUE(program.waitForStarted());
  QByteArray output;
  ASSERT_TRUE(waitUntil([&] {
    output += program.readAllStandardOutput();
    return output.contains("advertised as");
  })) << output.constData();
  LiveTree tree;
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("emulator")) != nullptr; }));
  EXPECT_FALSE(tree.core.writeItem(tree.node(name("emulator"))));  // starts resolving
  ASSERT_TRUE(waitUntil([&] { return tree.node(name("emulator"))->isResolved(); }));
  EXPECT_EQ(tree.node(name("emulator"))->children().size(), 6u);
  auto payload = tree.core.writeItem(tree.node(name("emulator")));
  ASSERT_TRUE(payload);
  auto site = unarchiveSiteInfo(*payload);
  ASSERT_TRUE(site && site->address() && site->port());
  EXPECT_EQ(site->autoDetect(), true);

  auto client = LiveClient::create();
  client->connectToHost(site->address()->toStdString(), static_cast<unsigned>(*site->port()), "viewer", "secret");
  EXPECT_TRUE(waitUntil([&] { return client->isConnected(); }));
  EXPECT_TRUE(waitUntil([&] {
    output += program.readAllStandardOutput();
    return output.contains("logged in as viewer");
  }));
  client->disconnect();
  ASSERT_TRUE(waitUntil([&] { return client->isDisconnected(); }));
  program.terminate();
  EXPECT_TRUE(program.waitForFinished(10000));
}

TEST(ServiceDiscoveryNoDaemon, AutoDetectStaysEmpty) {
  // In a fresh process: the bus library keeps the first bus address it is given.
  EXPECT_EXIT(
      {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zelvo-no-bus");
        test::LogCapture log;
        LiveTree tree;
        bool refused = waitUntil([&] { return log.contains("no Avahi daemon"); });
        bool empty = tree.core.discoveredNodes().empty() && tree.discovery.bonjourServices().empty() &&
                     tree.core.autoDetectNode().children().empty();
        std::exit(refused && empty ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ServiceDiscoveryNoDaemon, TheEmulatorServesAnyway) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zelvo-no-bus");
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(ZELVO_RECORDER_EMULATOR_PATH, {"--port", "0", "--advertise", "nobody"});
  ASSERT_TRUE(program.waitForStarted());
  QByteArray out, err;
  QRegularExpressionMatch match;
  ASSERT_TRUE(waitUntil([&] {
    out += program.readAllStandardOutput();
    err += program.readAllStandardError();
    // Announced, it listens on every address: discovery may hand out any of them.
    match = QRegularExpression("listening on 0\\.0\\.0\\.0:(\\d+)").match(QString::fromUtf8(out));
    return match.hasMatch() && err.contains("not advertised");
  })) << err.constData();
  auto client = LiveClient::create();
  client->connectToHost("127.0.0.1", match.captured(1).toUInt(), "admin", "admin");
  EXPECT_TRUE(waitUntil([&] { return client->isConnected(); }));
  client->disconnect();
  ASSERT_TRUE(waitUntil([&] { return client->isDisconnected(); }));
  program.terminate();
  EXPECT_TRUE(program.waitForFinished(10000));
}

}  // namespace
}  // namespace zelvo
