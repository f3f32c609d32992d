// The remote-setup window under X against the recorder emulator over loopback: the
// setup port, the window sized to the recorder's dialog, pictures placed and keyed out,
// clicks and keys as the exact input messages, refusals and closes.
// With ZELVO_SCREENSHOT_DIR set to a folder, the pictures an operator sees are saved
// there (remote-setup-connecting.png, remote-setup-picture.png,
// remote-setup-disconnected.png).
#include <gtest/gtest.h>

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QTest>
#include <QWindow>
#include <memory>


#include "Network/Live/NotificationLog.h"
#include "Network/MessageType.h"
#include "Network/Setup/SetupClient.h"
#include "QtPrinters.h"
#include "ViewControllers/SitePanel/LogViewController.h"
#include "ViewControllers/RemoteSetup/RemoteSetupView.h"
#include "ViewControllers/RemoteSetup/RemoteSetupWindowController.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "emulator/LiveMessages.h"
#include "emulator/RecorderEmulator.h"
#include "FramedWindow.h"
#include "support/SharedDeviceLock.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using emulator::Bytes;
namespace setup = emulator::setup;
using test::waitUntil;

constexpr QRgb Green = 0xFF20A040;

Bytes png(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return Bytes(bytes.begin(), bytes.end());
}

// 40 x 20: the left half magenta (to be keyed out), the right half green.
QImage halfMagenta() {
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(Green);
  QPainter(&image).fillRect(QRect(0, 0, 20, 20), QColor(255, 0, 255));
  return image;
}

// A recorder's setup dialog as one picture: its own frame, a menu, and magenta corners
// that the window keys out.
QImage setupDialogPicture(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 255));
  QPainter p(&image);
  // Hard edges against the key colour, as a recorder draws them: a blend with magenta
  // would not be keyed out.
  p.setBrush(QColor(28, 44, 66));
  p.setPen(QPen(QColor(120, 150, 190), 2));
  p.drawRoundedRect(QRect(1, 1, size.width() - 3, size.height() - 3), 14, 14);
  p.fillRect(QRect(12, 12, size.width() - 24, 34), QColor(52, 84, 124));
  p.setPen(Qt::white);
  QFont font = p.font();
  font.setPixelSize(18);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRect(24, 12, size.width() - 48, 34), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("SYSTEM SETUP"));
  font.setBold(false);
  font.setPixelSize(16);
  p.setFont(font);
  const char* items[] = {"Camera", "Record", "Network", "Alarm", "Display", "User", "Disk"};
  for (int i = 0; i < 7; ++i) {
    const QRect row(24, 62 + i * 36, size.width() - 48, 30);
    if (i == 2) p.fillRect(row, QColor(230, 160, 40));
    p.setPen(i == 2 ? QColor(20, 20, 20) : QColor(220, 228, 240));
    p.drawText(row.adjusted(12, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, QString::fromLatin1(items[i]));
    p.drawText(row.adjusted(0, 0, -12, 0), Qt::AlignVCenter | Qt::AlignRight, QStringLiteral(">"));
  }
  p.setPen(QColor(160, 175, 195));
  p.drawText(QRect(24, size.height() - 40, size.width() - 48, 28), Qt::AlignVCenter | Qt::AlignRight,
             QStringLiteral("EXIT"));
  return image;
}

std::string hex(const Bytes& bytes) {
  std::string text;
  char part[4];
  for (uint8_t b : bytes) {
    std::snprintf(part, sizeof part, "%02X ", b);
    text += part;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

using test::framed;

void save(const QImage& image, const char* name) {
  ASSERT_FALSE(image.isNull());
  if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty()) {
    const QString path = QDir(QString::fromLocal8Bit(folder)).filePath(QString::fromLatin1(name));
    EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
  }
}

class RemoteSetupWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.start());
    ASSERT_GT(emulator_.port(), 2);
    site_->setName(QStringLiteral("Shop"));
    site_->setAddress(QStringLiteral("127.0.0.1"));
    site_->setPort(emulator_.port() - 2);
    site_->setUser(QStringLiteral("admin"));
    site_->setPassword(QStringLiteral("admin"));
    QObject::connect(&window_, &RemoteSetupWindowController::windowWillClose, [this] { ++closes_; });
  }
  void TearDown() override {
    window_.close();
    EXPECT_TRUE(waitUntil([&] { return client_->isDisconnected(); }));
  }

  // Opens the window for the site and waits for the setup login.
  void open() {
    window_.showWindow(nullptr, site_);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    ASSERT_TRUE(emulator_.waitForLogins(1));
    ASSERT_TRUE(waitUntil([&] { return client_->isConnected(); }));
  }
  void send(uint16_t type, const Bytes& payload) { ASSERT_TRUE(emulator_.send(type, payload)); }
  void sendDialogSize(int width, int height) {
    send(MessageTypeOSDSize, setup::osdSize(800, 600, 80, 60, width, height));
  }
  // Waits until the window had the picture.
  void sendPicture(const QImage& picture, QPoint at) {
    const size_t before = pictures_.count(SetupOSDImageNotification);
    send(MessageTypeOSDImage, setup::osdPicture(at.x(), at.y(), "image/png", png(picture)));
    ASSERT_TRUE(pictures_.waitForCount(SetupOSDImageNotification, before + 1));
  }
  std::string nextInput() {
    auto packet = emulator_.waitForPacket(MessageTypeSetupInput);
    return packet ? hex(packet->payload) : "none";
  }
  // Home as a marker: whatever was sent before it has arrived before it.
  void expectNothingSentBeforeAMarker() {
    QTest::keyPress(&window_, Qt::Key_Home);
    EXPECT_EQ(nextInput(), "01 00 00 00 00 03 00 00");
    QTest::keyRelease(&window_, Qt::Key_Home);
    EXPECT_EQ(nextInput(), "01 01 00 00 00 03 00 00");
  }
  QRgb background() const { return window_.palette().color(QPalette::Window).rgb(); }
  QImage grab() { return window_.grab().toImage().convertToFormat(QImage::Format_RGB32); }

  std::shared_ptr<NetworkThread> thread_ = std::make_shared<NetworkThread>();
  emulator::RecorderEmulator emulator_;
  std::shared_ptr<SetupClient> client_ = SetupClient::create(thread_);
  std::shared_ptr<SiteInfo> site_ = SiteInfo::create();
  RemoteSetupWindowController window_{nullptr, client_};
  // Observed after the window: it has drawn a picture when this sees it.
  test::NotificationLog pictures_{client_.get(), {SetupOSDImageNotification}};
  int closes_ = 0;
};

TEST_F(RemoteSetupWindow, HiddenUntilOpenedThenConnectingOnThePortTwoAbove) {
  EXPECT_FALSE(window_.isVisible());
  open();
  EXPECT_EQ(window_.windowHandle()->title(), QStringLiteral("Shop"));
  EXPECT_TRUE(window_.connectingIndicator()->isVisible());
  EXPECT_FALSE(window_.disconnectLabel()->isVisible());
  EXPECT_EQ(emulator_.connectionCount(), 1);
  // The login went to the emulator's port, which is the site's plus 2.
  EXPECT_EQ(site_->port().value() + 2, emulator_.port());
  save(framed(window_), "remote-setup-connecting.png");
}

TEST_F(RemoteSetupWindow, TheSitesNameIsTheTitleAsItIs) {
  site_->setName(QStringLiteral("Shop [*] & <b>North</b>"));
  open();
  EXPECT_EQ(window_.windowHandle()->title(), QStringLiteral("Shop [*] & <b>North</b>"));
}

TEST_F(RemoteSetupWindow, WithoutASiteItOpensAsSetupAndConnectsNothing) {
  window_.showWindow(nullptr, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  EXPECT_EQ(window_.windowHandle()->title(), QStringLiteral("Setup"));
  EXPECT_TRUE(window_.connectingIndicator()->isVisible());
  EXPECT_EQ(emulator_.connectionCount(), 0);
  EXPECT_TRUE(client_->isDisconnected());
}

TEST_F(RemoteSetupWindow, TheDialogRectangleSetsTheClientSizeAndKeepsTheTopLeft) {
  open();
  window_.move(100, 80);
  ASSERT_TRUE(waitUntil([&] { return window_.pos() == QPoint(100, 80); }));
  sendDialogSize(500, 300);
  ASSERT_TRUE(waitUntil([&] { return window_.size() == QSize(500, 300); }));
  sendDialogSize(640, 480);
  ASSERT_TRUE(waitUntil([&] { return window_.size() == QSize(640, 480); }));
  EXPECT_EQ(window_.pos(), QPoint(100, 80));
  window_.layout()->activate();
  EXPECT_EQ(window_.remoteSetupView()->geometry(), window_.rect());  // the view fills the client area
  EXPECT_EQ(window_.remoteSetupView()->canvas().size(), QSize(640, 480));

  // Sides outside 1..4096 are ignored, each with a line in the log.
  test::LogCapture capture;
  struct Bad {
    int width, height;
  } bad[] = {{0, 480}, {640, -1}, {100000, 480}, {640, 100000}};
  size_t lines = 0;
  for (const Bad& b : bad) {
    SCOPED_TRACE(std::to_string(b.width) + " x " + std::to_string(b.height));
    sendDialogSize(b.width, b.height);
    ASSERT_TRUE(waitUntil([&] { return capture.lines().size() > lines; }));
    lines = capture.lines().size();
    EXPECT_TRUE(capture.contains("ignored"));
    EXPECT_EQ(window_.size(), QSize(640, 480));
  }
}

TEST_F(RemoteSetupWindow, APictureIsPlacedAtItsOffsetWithMagentaKeyedOutAndKeptAcrossAResize) {
  open();
  sendDialogSize(640, 480);
  ASSERT_TRUE(waitUntil([&] { return window_.size() == QSize(640, 480); }));
  sendPicture(halfMagenta(), QPoint(10, 30));
  EXPECT_FALSE(window_.connectingIndicator()->isVisible());  // the first picture ends the waiting

  auto expectPicture = [&](const QImage& shot) {
    EXPECT_EQ(shot.pixel(40, 40), Green);         // the green half, top-left origin: no flip
    EXPECT_EQ(shot.pixel(49, 49), Green);
    EXPECT_EQ(shot.pixel(15, 35), background());  // the magenta half shows the window
    EXPECT_EQ(shot.pixel(29, 49), background());
    EXPECT_EQ(shot.pixel(40, 29), background());  // never painted
    EXPECT_EQ(shot.pixel(40, 450), background());
  };
  expectPicture(grab());

  // The operator makes the window larger: the picture stays where it was.
  window_.resize(700, 520);
  ASSERT_TRUE(waitUntil([&] { return window_.remoteSetupView()->canvas().size() == QSize(700, 520); }));
  const QImage larger = grab();
  expectPicture(larger);
  EXPECT_EQ(larger.pixel(690, 510), background());

}

TEST_F(RemoteSetupWindow, ClicksAndDoubleClicksAsInputMessages) {
  open();
  sendDialogSize(640, 480);
  ASSERT_TRUE(waitUntil([&] { return window_.size() == QSize(640, 480); }));
  QTest::mouseClick(window_.remoteSetupView(), Qt::LeftButton, {}, QPoint(100, 20));
  EXPECT_EQ(nextInput(), "02 02 01 00 00 64 00 14");
  EXPECT_EQ(nextInput(), "02 03 01 00 00 64 00 14");
  // The top-left corner of the view is the dialog's (0, 0); the bottom right (639, 479).
  QTest::mouseClick(window_.remoteSetupView(), Qt::LeftButton, {}, QPoint(639, 479));
  EXPECT_EQ(nextInput(), "02 02 01 00 02 7F 01 DF");
  EXPECT_EQ(nextInput(), "02 03 01 00 02 7F 01 DF");
  // A double click: the second press is a press like the first.
  QTest::mouseDClick(window_.remoteSetupView(), Qt::LeftButton, {}, QPoint(300, 200));
  for (const char* expected : {"02 02 01 00 01 2C 00 C8", "02 03 01 00 01 2C 00 C8", "02 02 01 00 01 2C 00 C8",
                               "02 03 01 00 01 2C 00 C8"}) {
    EXPECT_EQ(nextInput(), expected);
  }
  // Over the connecting indicator, the click still goes to the dialog.
  const QPoint middle(320, 240);
  ASSERT_TRUE(window_.connectingIndicator()->isVisible());
  ASSERT_TRUE(window_.connectingIndicator()->geometry().contains(middle));
  QTest::mouseClick(window_.remoteSetupView(), Qt::LeftButton, {}, middle);
  EXPECT_EQ(nextInput(), "02 02 01 00 01 40 00 F0");
  EXPECT_EQ(nextInput(), "02 03 01 00 01 40 00 F0");
  // Other buttons are not the recorder's.
  QTest::mouseClick(window_.remoteSetupView(), Qt::MiddleButton, {}, QPoint(10, 10));
  expectNothingSentBeforeAMarker();
}

TEST_F(RemoteSetupWindow, KeysAsInputMessages) {
  open();
  QTest::keyPress(&window_, Qt::Key_Up);
  EXPECT_EQ(nextInput(), "01 00 00 00 00 05 00 00");
  QTest::keyRelease(&window_, Qt::Key_Up);
  EXPECT_EQ(nextInput(), "01 01 00 00 00 05 00 00");
  // Typing a sends a press only.
  QTest::keyClick(&window_, Qt::Key_A);
  EXPECT_EQ(nextInput(), "01 00 00 00 00 00 00 61");
  expectNothingSentBeforeAMarker();
  QTest::keyClick(&window_, 'A', Qt::ShiftModifier);
  EXPECT_EQ(nextInput(), "01 00 00 00 00 00 00 41");
  // e acute travels as the signed byte 0xE9, widened with its sign.
  QTest::sendKeyEvent(QTest::Press, &window_, Qt::Key_Eacute, QStringLiteral("\u00e9"), Qt::NoModifier);
  EXPECT_EQ(nextInput(), "01 00 00 00 00 00 FF E9");
  // The euro sign would arrive as another character: nothing is sent.
  QTest::sendKeyEvent(QTest::Press, &window_, Qt::Key_unknown, QStringLiteral("\u20ac"), Qt::NoModifier);
  QTest::sendKeyEvent(QTest::Release, &window_, Qt::Key_unknown, QStringLiteral("\u20ac"), Qt::NoModifier);
  expectNothingSentBeforeAMarker();
  QTest::keyClick(&window_, Qt::Key_Return);
  EXPECT_EQ(nextInput(), "01 00 00 00 00 09 00 00");
  EXPECT_EQ(nextInput(), "01 01 00 00 00 09 00 00");
  QTest::keyClick(&window_, Qt::Key_Return, Qt::ShiftModifier);
  expectNothingSentBeforeAMarker();
  QTest::keyClick(&window_, Qt::Key_Backspace);
  EXPECT_EQ(nextInput(), "01 00 00 00 00 02 00 00");
  EXPECT_EQ(nextInput(), "01 01 00 00 00 02 00 00");
  QTest::keyClick(&window_, Qt::Key_Delete);
  EXPECT_EQ(nextInput(), "01 00 00 00 00 01 00 00");
  EXPECT_EQ(nextInput(), "01 01 00 00 00 01 00 00");
  QTest::keyClick(&window_, Qt::Key_End);
  EXPECT_EQ(nextInput(), "01 00 00 00 00 04 00 00");
  EXPECT_EQ(nextInput(), "01 01 00 00 00 04 00 00");
  // Tab stays in the window and types nothing.
  QTest::keyClick(&window_, Qt::Key_Tab);
  expectNothingSentBeforeAMarker();
  EXPECT_TRUE(window_.hasFocus());
  // The window's "Delete" command (its context menu) is the recorder's delete key, a press.
  ASSERT_EQ(window_.deleteAction()->text(), QStringLiteral("Delete"));
  EXPECT_TRUE(window_.actions().contains(window_.deleteAction()));
  window_.deleteAction()->trigger();
  EXPECT_EQ(nextInput(), "01 00 00 00 00 02 00 00");
  expectNothingSentBeforeAMarker();
}

TEST_F(RemoteSetupWindow, CapsLockBlocksNeitherReturnNorBackspaceFromTheKeyboard) {
  // Real key events through the X server, Caps Lock on: as an operator types them.
  // The X server's keyboard focus and Caps Lock are shared by every test on the display.
  test::SharedDeviceLock input("input");
  window_.move(test::PointerArea);
  open();
  window_.activateWindow();
  ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &window_; }));
  const QString id = QString::number(window_.winId());
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), id,
                                            QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                                            QStringLiteral("Caps_Lock"), QStringLiteral("Return"),
                                            QStringLiteral("BackSpace"), QStringLiteral("a"),
                                            QStringLiteral("Caps_Lock")});
  ASSERT_TRUE(xdotool.waitForStarted());
  ASSERT_TRUE(waitUntil([&] { return xdotool.state() == QProcess::NotRunning; }));
  ASSERT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
  EXPECT_EQ(nextInput(), "01 00 00 00 00 09 00 00");
  EXPECT_EQ(nextInput(), "01 01 00 00 00 09 00 00");
  EXPECT_EQ(nextInput(), "01 00 00 00 00 02 00 00");
  EXPECT_EQ(nextInput(), "01 01 00 00 00 02 00 00");
  EXPECT_EQ(nextInput(), "01 00 00 00 00 00 00 41");  // a capital A
  expectNothingSentBeforeAMarker();
}

TEST_F(RemoteSetupWindow, AnUnknownUserIsShownOverATransparentCanvasWithoutTheSpinner) {
  emulator::RecorderConfig config;
  config.loginCode = 3;
  emulator_.setConfig(config);
  window_.showWindow(nullptr, site_);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  ASSERT_TRUE(waitUntil([&] { return window_.disconnectLabel()->isVisible(); }));
  EXPECT_EQ(window_.disconnectLabel()->text(), QStringLiteral("Unknown user."));
  EXPECT_FALSE(window_.connectingIndicator()->isVisible());
  EXPECT_TRUE(window_.isVisible());  // the window stays open with the reason
  const QImage shot = grab();
  const QRect label = window_.disconnectLabel()->geometry();
  for (QPoint p : {QPoint(5, 5), QPoint(shot.width() - 5, shot.height() - 5), QPoint(label.center().x(), label.top() - 5)}) {
    EXPECT_EQ(shot.pixel(p), background()) << p.x() << ", " << p.y();
  }
}

TEST_F(RemoteSetupWindow, TheRecordersCloseClearsTheCanvasAndShowsTheReason) {
  open();
  sendDialogSize(640, 480);
  sendPicture(setupDialogPicture(QSize(420, 360)), QPoint(110, 60));
  EXPECT_EQ(grab().pixel(200, 150), QColor(28, 44, 66).rgb());
  EXPECT_EQ(grab().pixel(111, 61), background());  // a keyed-out corner
  save(framed(window_), "remote-setup-picture.png");
  emulator_.lastSession()->close();
  ASSERT_TRUE(waitUntil([&] { return window_.disconnectLabel()->isVisible(); }));
  EXPECT_EQ(window_.disconnectLabel()->text(), QStringLiteral("Disconnected by remote site."));
  EXPECT_FALSE(window_.connectingIndicator()->isVisible());
  EXPECT_EQ(grab().pixel(200, 150), background());  // the picture is gone
  // The reason on one line, across the middle.
  EXPECT_EQ(window_.disconnectLabel()->height(), window_.disconnectLabel()->heightForWidth(window_.width()))
      << window_.disconnectLabel()->geometry().width() << " x " << window_.disconnectLabel()->geometry().height();
  EXPECT_LT(window_.disconnectLabel()->height(), 2 * window_.disconnectLabel()->fontMetrics().height());
  save(framed(window_), "remote-setup-disconnected.png");

  // Opening again clears the reason and connects anew.
  window_.showWindow(nullptr, site_);
  EXPECT_FALSE(window_.disconnectLabel()->isVisible());
  EXPECT_TRUE(window_.connectingIndicator()->isVisible());
  ASSERT_TRUE(emulator_.waitForLogins(2));
}

TEST_F(RemoteSetupWindow, AnOutOfRangeSetupPortIsRefusedNotWrapped) {
  site_->setPort(65534);
  window_.showWindow(nullptr, site_);
  ASSERT_TRUE(waitUntil([&] { return window_.disconnectLabel()->isVisible(); }));
  EXPECT_EQ(window_.disconnectLabel()->text(), QStringLiteral("Disconnected"));  // reason 8
  EXPECT_EQ(emulator_.connectionCount(), 0);
}

TEST_F(RemoteSetupWindow, EveryCloseDisconnectsAndSaysSoAndLogsNothing) {
  LogViewController log;
  log.loadView(nullptr, nullptr);
  open();
  sendPicture(halfMagenta(), QPoint(10, 30));
  window_.close();
  EXPECT_EQ(closes_, 1);
  EXPECT_FALSE(window_.isVisible());
  ASSERT_TRUE(emulator_.waitForClosed(0));  // the socket ends
  EXPECT_TRUE(waitUntil([&] { return client_->isDisconnected(); }));
  EXPECT_EQ(window_.remoteSetupView()->canvas().image().pixel(35, 35), 0xFFFF00FFu);  // cleared
  EXPECT_FALSE(window_.disconnectLabel()->isVisible());  // the local close shows no reason

  // Closed by the window system this time.
  open();
  ASSERT_TRUE(emulator_.waitForLogins(2));
  window_.windowHandle()->close();
  EXPECT_EQ(closes_, 2);
  ASSERT_TRUE(emulator_.waitForClosed(1));
  EXPECT_TRUE(log.logItemArray().empty());
}

}  // namespace
}  // namespace zelvo
