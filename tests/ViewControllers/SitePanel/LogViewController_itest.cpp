// The event log fed by real live and remote-setup clients logged in to the recorder
// emulator over loopback: the rows their events, system events and disconnections make,
// per attached site, and what it leaves out.
#include <gtest/gtest.h>

#include <QDate>
#include <memory>

#include "Network/Live/LiveClient.h"
#include "Network/Live/NotificationLog.h"
#include "Network/MessageType.h"
#include "Network/Setup/SetupClient.h"
#include "QtPrinters.h"
#include "ViewControllers/SitePanel/LogViewController.h"
#include "ViewControllers/SitePanel/LogViewCore.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "emulator/LiveMessages.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using emulator::Bytes;
namespace live = emulator::live;
using test::waitUntil;

std::shared_ptr<SiteInfo> site(const char* name) {
  auto info = SiteInfo::create();
  info->setName(QString::fromUtf8(name));
  return info;
}

class EventLogLoopback : public testing::Test {
 protected:
  void SetUp() override {
    log_.loadView(nullptr, nullptr);
    QObject::connect(&log_, &LogViewController::logUpdated, [this] { ++updated_; });
    ASSERT_TRUE(emulator_.start());
  }
  void TearDown() override {
    for (const auto& client : {std::static_pointer_cast<NetworkClient>(live_), std::static_pointer_cast<NetworkClient>(setup_)}) {
      if (client->isConnected() || client->isConnecting()) {
        client->disconnect();
        EXPECT_TRUE(waitUntil([&] { return client->isDisconnected(); }));
      }
    }
  }

  // A live client connected as the wall connects it: with its sites attached.
  void connectLive(std::vector<std::shared_ptr<SiteInfo>> sites) {
    std::vector<std::any> attachments(sites.begin(), sites.end());
    live_->setAttachments(attachments);
    live_->connectToHost("127.0.0.1", emulator_.port(), "admin", "admin");
    ASSERT_TRUE(waitUntil([&] { return live_->isConnected(); }));
    ASSERT_TRUE(emulator_.waitForLogins(1));
  }
  void send(uint16_t type, const Bytes& payload) { ASSERT_TRUE(emulator_.send(type, payload)); }
  // Messages are handled in order: once the client saw this one, it saw every one before.
  void fence() {
    const size_t before = liveLog_.count(LivePTZPresetLabelsReceivedNotification);
    send(MessageTypePTZ, live::presetLabels(0, {"fence"}));
    ASSERT_TRUE(liveLog_.waitForCount(LivePTZPresetLabelsReceivedNotification, before + 1));
  }
  std::vector<QString> titles() const {
    std::vector<QString> result;
    for (const LogCellInfo& item : log_.logItemArray()) result.push_back(item.title());
    return result;
  }

  std::shared_ptr<NetworkThread> thread_ = std::make_shared<NetworkThread>();
  emulator::RecorderEmulator emulator_;
  std::shared_ptr<LiveClient> live_ = LiveClient::create(thread_);
  std::shared_ptr<SetupClient> setup_ = SetupClient::create(thread_);
  test::NotificationLog liveLog_{live_.get(), {LivePTZPresetLabelsReceivedNotification, NetworkDisconnectedNotification}};
  LogViewController log_;
  int updated_ = 0;
};

TEST_F(EventLogLoopback, AMotionMaskOfFourCamerasLogsEachSetCameraNewestOnTop) {
  connectLive({site("Shop")});
  send(MessageTypeEventInfo, live::event(2, 4, 0x5));
  ASSERT_TRUE(waitUntil([&] { return log_.logItemArray().size() == 2; }));
  EXPECT_EQ(titles(), (std::vector<QString>{QStringLiteral("Motion 3 (Shop)"), QStringLiteral("Motion 1 (Shop)")}));
  EXPECT_EQ(updated_, 2);  // one notice per row
  for (const LogCellInfo& item : log_.logItemArray()) {
    EXPECT_FALSE(item.image().isNull());
    EXPECT_EQ(item.image().size(), QSize(24, 24));
    EXPECT_FALSE(item.subtitle().isEmpty());  // the time of arrival
  }
}

TEST_F(EventLogLoopback, EveryKindOfEventAndTheFourSystemRows) {
  connectLive({site("Shop")});
  send(MessageTypeEventInfo, live::allEvents({4, 0x1}, {4, 0x2}, {4, 0x8}, {true, true, true, true, true, true, true, true}));
  fence();
  EXPECT_EQ(titles(), (std::vector<QString>{
                          QStringLiteral("Record Disk Full (Shop)"),
                          QStringLiteral("Disk Bad (Shop)"),
                          QStringLiteral("S.M.A.R.T. Temperature (Shop)"),
                          QStringLiteral("S.M.A.R.T. Bad (Shop)"),
                          QStringLiteral("Text-In 4 (Shop)"),
                          QStringLiteral("Sensor 2 (Shop)"),
                          QStringLiteral("Motion 1 (Shop)"),
                      }));
}

TEST_F(EventLogLoopback, NoCameraBeyondThe32TheMaskHolds) {
  connectLive({site("Shop")});
  send(MessageTypeEventInfo, live::event(2, 40, 0x80000001));
  fence();
  EXPECT_EQ(titles(), (std::vector<QString>{QStringLiteral("Motion 32 (Shop)"), QStringLiteral("Motion 1 (Shop)")}));
}

TEST_F(EventLogLoopback, AFanFailureAloneLogsAndPostsNothing) {
  test::NotificationLog posted(&log_, {LogViewUpdatedNotification});
  connectLive({site("Shop")});
  send(MessageTypeEventInfo, live::systemEvent({false, false, false, false, false, false, false, true}));
  fence();
  EXPECT_TRUE(log_.logItemArray().empty());
  EXPECT_EQ(updated_, 0);
  EXPECT_EQ(posted.count(LogViewUpdatedNotification), 0u);
}

TEST_F(EventLogLoopback, AClientOfTwoSitesLogsTheRecordForEach) {
  connectLive({site("Shop"), site("Depot")});
  send(MessageTypeEventInfo, live::event(3, 4, 0x1));
  fence();
  EXPECT_EQ(titles(), (std::vector<QString>{QStringLiteral("Sensor 1 (Depot)"), QStringLiteral("Sensor 1 (Shop)")}));
}

TEST_F(EventLogLoopback, TheRecordersCloseIsLoggedWithItsReason) {
  connectLive({site("Shop")});
  emulator_.lastSession()->close();
  ASSERT_TRUE(liveLog_.waitForCount(NetworkDisconnectedNotification, 1));
  EXPECT_EQ(titles(), (std::vector<QString>{QStringLiteral("Network Disconnected : Disconnected by remote site. (Shop)")}));
  EXPECT_EQ(log_.logItemArray().front().image().size(), QSize(24, 24));
}

TEST_F(EventLogLoopback, ARefusedLiveLoginIsLoggedWithItsReason) {
  emulator::RecorderConfig config;
  config.loginCode = 3;
  emulator_.setConfig(config);
  live_->setAttachments({std::any(site("Shop"))});
  live_->connectToHost("127.0.0.1", emulator_.port(), "nobody", "x");
  ASSERT_TRUE(liveLog_.waitForCount(NetworkDisconnectedNotification, 1));
  EXPECT_EQ(titles(), (std::vector<QString>{QStringLiteral("Network Disconnected : Unknown user. (Shop)")}));
}

TEST_F(EventLogLoopback, TheUsersOwnDisconnectIsNotLogged) {
  connectLive({site("Shop")});
  live_->disconnect();
  ASSERT_TRUE(liveLog_.waitForCount(NetworkDisconnectedNotification, 1));
  EXPECT_TRUE(log_.logItemArray().empty());
}

TEST_F(EventLogLoopback, RemoteSetupDisconnectionsAreNeverLogged) {
  test::NotificationLog setupLog(setup_.get(), {NetworkDisconnectedNotification});
  // Even with a site attached, closed by the recorder or refused at login.
  setup_->setAttachments({std::any(site("Shop"))});
  setup_->connectToHost("127.0.0.1", emulator_.port(), "admin", "admin");
  ASSERT_TRUE(waitUntil([&] { return setup_->isConnected(); }));
  ASSERT_TRUE(emulator_.waitForLogins(1));
  emulator_.lastSession()->close();
  ASSERT_TRUE(setupLog.waitForCount(NetworkDisconnectedNotification, 1));
  EXPECT_EQ(*setupLog.named(NetworkDisconnectedNotification)[0].get<int>(NetworkDisconnectionReasonKey),
            NetworkDisconnectionReasonRemoteClosed);

  emulator::RecorderConfig config;
  config.loginCode = 3;
  emulator_.setConfig(config);
  setup_->connectToHost("127.0.0.1", emulator_.port(), "nobody", "x");
  ASSERT_TRUE(setupLog.waitForCount(NetworkDisconnectedNotification, 2));
  EXPECT_TRUE(log_.logItemArray().empty());
  EXPECT_EQ(updated_, 0);
}

TEST(EventLog, AThousandRowsStayAThousandAndTheClearEmptiesThem) {
  LogViewController log;
  log.loadView(nullptr, nullptr);
  test::NotificationLog posted(&log, {LogViewUpdatedNotification, LogViewClearedNotification});
  for (int i = 0; i < logview::MaxRows; ++i) log.addLogItem(QString::number(i), QString(), QImage());
  log.addLogItem(QStringLiteral("new"), QString(), QImage());
  EXPECT_EQ(log.logItemArray().size(), 1000u);
  EXPECT_EQ(log.logItemArray().front().title(), QStringLiteral("new"));
  EXPECT_EQ(log.logItemArray().back().title(), QStringLiteral("1"));
  EXPECT_EQ(posted.count(LogViewUpdatedNotification), 1001u);

  int cleared = 0;
  QObject::connect(&log, &LogViewController::logCleared, [&] { ++cleared; });
  log.clearAllItem();
  EXPECT_TRUE(log.logItemArray().empty());
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(posted.count(LogViewClearedNotification), 1u);
  EXPECT_EQ(posted.all().back().notification.object, &log);
  EXPECT_TRUE(posted.all().back().notification.userInfo.empty());
}

TEST(EventLog, TheSubtitleIsTheMomentOfArrivalAsText) {
  const int before = QDate::currentDate().year();
  const QString now = LogViewController::currentTime();
  const int after = QDate::currentDate().year();
  // The recorder's DateTime text of this very moment: this year is in it.
  EXPECT_TRUE(now.contains(QString::number(before)) || now.contains(QString::number(after))) << now.toStdString();
}

}  // namespace
}  // namespace zelvo
