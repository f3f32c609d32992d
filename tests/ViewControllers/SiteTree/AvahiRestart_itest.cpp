// Discovery follows the Avahi daemon: one that starts after Zelvo's browsing, and one
// that restarts while it runs. The test runs a system bus and an avahi-daemon of its own
// (as root: the daemon gets a network and mount namespace of its own, so the test
// services' daemon and its pid file are left alone), and the recorder emulator
// announces itself through them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "ViewControllers/SiteTree/AvahiBackend.h"
#include "ViewControllers/SiteTree/SiteTreeFakes.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;

// Inside the child of a death test only the exit code and stderr come back. A failure
// unwinds, so that the bus, the daemon and the emulators end before the child does.
struct Failed {
  const char* what;
};
void require(bool ok, const char* what) {
  if (!ok) throw Failed{what};
}

class PrivateAvahi {
 public:
  explicit PrivateAvahi(const QString& dir) : dir_(dir) {
    QFile bus(dir_ + "/bus.conf");
    require(bus.open(QIODevice::WriteOnly), "writing bus.conf");
    bus.write(QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=%1/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)")
                  .arg(dir_)
                  .toUtf8());
    bus.close();
    QFile avahi(dir_ + "/avahi.conf");
    require(avahi.open(QIODevice::WriteOnly), "writing avahi.conf");
    avahi.write("[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\n[wide-area]\nenable-wide-area=no\n"
                "[publish]\npublish-hinfo=no\npublish-workstation=no\n");
    avahi.close();
    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.insert("DBUS_SYSTEM_BUS_ADDRESS", busAddress());
  }
  ~PrivateAvahi() {
    stopDaemon();
    end(bus_);
  }

  QString busAddress() const { return "unix:path=" + dir_ + "/bus"; }
  const QProcessEnvironment& environment() const { return environment_; }

  bool startBus() {
    bus_.start("dbus-daemon", {"--config-file=" + dir_ + "/bus.conf", "--nofork", "--nopidfile"});
    return bus_.waitForStarted() && waitUntil([&] { return QFile::exists(dir_ + "/bus"); });
  }
  bool startDaemon() {
    const QString script = QStringLiteral(
        "ip link set lo up && mkdir -p /run/avahi-daemon && mount -t tmpfs tmpfs /run/avahi-daemon && "
        "exec avahi-daemon -f '%1/avahi.conf' --no-drop-root --no-chroot --no-rlimits --debug").arg(dir_);
    daemon_.setProcessEnvironment(environment_);
    daemon_.setProcessChannelMode(QProcess::MergedChannels);
    daemon_.start("unshare", {"--net", "--mount", "sh", "-c", script});
    if (!daemon_.waitForStarted()) return false;
    QByteArray log;
    return waitUntil([&] {
      log += daemon_.readAll();
      return log.contains("Server startup complete");
    }, 20s);
  }
  void stopDaemon() { end(daemon_); }

 private:
  static void end(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
      process.kill();
      process.waitForFinished(5000);
    }
  }

  QString dir_;
  QProcessEnvironment environment_;
  QProcess bus_;
  QProcess daemon_;
};

// The recorder emulator, announced as `name` with `cameras` cameras.
struct Emulator {
  QProcess process;
  quint16 port = 0;
  Emulator(const PrivateAvahi& avahi, const QString& name, int cameras) {
    process.setProcessEnvironment(avahi.environment());
    process.start(ZELVO_RECORDER_EMULATOR_PATH,
                  {"--port", "0", "--video-in", QString::number(cameras), "--advertise", name});
    require(process.waitForStarted(), "starting the emulator");
    QByteArray output;
    require(waitUntil([&] {
      output += process.readAllStandardOutput();
      return output.contains("advertised as");
    }, 20s), "the emulator's announcement");
    auto match = QRegularExpression("listening on [0-9.]+:(\\d+)").match(QString::fromUtf8(output));
    require(match.hasMatch(), "the emulator's port");
    port = static_cast<quint16>(match.captured(1).toUInt());
  }
  ~Emulator() {
    process.terminate();
    process.waitForFinished(10000);
  }
};

void followTheDaemon(const QString& dir) {
  PrivateAvahi avahi(dir);
  require(avahi.startBus(), "starting the system bus");
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", avahi.busAddress().toUtf8());

  // Browsing starts while no daemon runs.
  test::LogCapture log;
  test::TreeFixture tree;
  ServiceDiscovery discovery{tree.core, std::make_unique<AvahiBackend>()};
  discovery.start();
  require(waitUntil([&] { return log.contains("waiting for it"); }), "discovery waits for the daemon");
  require(tree.core.autoDetectNode().children().empty(), "nothing is listed without a daemon");

  const QString name = QStringLiteral("zt%1-late").arg(getpid());
  auto node = [&] { return tree.core.findDiscoveredNode(name, "local"); };
  auto rows = [&] {
    int n = 0;
    for (ChildNode* child : tree.core.discoveredNodes()) n += child->nodeTitle() == name;
    return n;
  };
  auto resolve = [&] {
    tree.core.shouldSelectItem(node());
    return waitUntil([&] { return node() && (node()->isResolved() || node()->failToResolve()); }, 20s) &&
           node()->isResolved();
  };

  require(avahi.startDaemon(), "starting avahi-daemon");
  {
    Emulator first(avahi, name, 6);
    require(waitUntil([&] { return node() != nullptr; }, 20s), "the emulator is listed once the daemon runs");
    require(resolve(), "the emulator resolves");
    require(node()->port() == first.port, "the emulator's port");
    require(node()->children().size() == 6, "the emulator's six cameras");

    avahi.stopDaemon();
    // What the daemon reported goes with it: no row is left that nothing stands behind.
    require(waitUntil([&] { return node() == nullptr; }, 20s), "the row goes with the daemon");
    require(avahi.startDaemon(), "starting avahi-daemon again");
  }
  // The first emulator's announcement did not outlive its daemon; a new one is listed once.
  Emulator second(avahi, name, 4);
  require(waitUntil([&] { return node() != nullptr; }, 20s), "the emulator is listed after the restart");
  require(rows() == 1, "one row for the recorder");
  require(!node()->isResolved(), "the row is new");
  require(resolve(), "the emulator resolves after the restart");
  require(node()->port() == second.port, "the new port");
  require(node()->children().size() == 4, "the new camera count");
  auto record = unarchiveSiteInfo(node()->data());
  require(record && record->port() == second.port && record->cameraCount() == 4, "the row's archive");
  require(discovery.bonjourServices().size() == 1, "one service known");
}

TEST(ServiceDiscoveryFollowsTheDaemon, ADaemonThatStartsLateOrRestartsIsFollowed) {
  if (geteuid() != 0) GTEST_SKIP() << "a daemon of the test's own needs root (namespaces)";
  for (const char* tool : {"unshare", "dbus-daemon", "avahi-daemon", "ip"})
    if (QStandardPaths::findExecutable(tool, {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}).isEmpty())
      GTEST_SKIP() << tool << " is missing";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // In a fresh process: the bus library keeps the first system bus address it is given.
  EXPECT_EXIT(
      {
        try {
          followTheDaemon(dir.path());
        } catch (const Failed& failed) {
          std::fprintf(stderr, "failed: %s\n", failed.what);
          std::exit(1);
        }
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zelvo
