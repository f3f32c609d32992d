// The application's launch and quit: the volume kept between runs, the store made in its
// folder with private modes or refused with the operator told, one instance at a time, and
// the quit that saves, or asks when the save fails.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>

#include "ViewControllers/Dialogs/PreferenceController.h"
#include "ViewControllers/RemoteSetup/RemoteSetupWindowController.h"
#include "support/Wait.h"
#include "ViewControllers/ZelvoAppDelegate.h"
#include "tests/ViewControllers/MainWindowFixture.h"
#include "ui_MainWindowController.h"

namespace zelvo::test {
namespace {

class ZelvoAppDelegateTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
    ASSERT_TRUE(home_.isValid());
  }
  void TearDown() override {
    delegate_.reset();
    MainWindowFixture::TearDown();
  }

  QString dataFolder() const { return home_.filePath("share/Zelvo"); }

  ZelvoAppDelegate& launch(bool expectRunning = true) {
    ZelvoAppDelegate::Options options;
    options.dataFolder = dataFolder();
    options.settingsFile = home_.filePath("Zelvo.conf");
    options.preferencesFile = home_.filePath("Info.plist");
    options.presentError = [this](const StoreError& e) { launchErrors_.push_back(e); };
    options.askQuitAnyway = [this] {
      ++quitQuestions_;
      return quitAnyway_;
    };
    options.components = components();
    if (realRemoteSetup_) {
      // The main window makes its own remote-setup window.
      options.components.showRemoteSetup = nullptr;
      options.components.closeRemoteSetup = nullptr;
    }
    delegate_ = std::make_unique<ZelvoAppDelegate>(std::move(options));
    EXPECT_EQ(delegate_->applicationDidFinishLaunching(), expectRunning);
    return *delegate_;
  }

  static int mode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
  }

  QTemporaryDir home_;
  std::unique_ptr<ZelvoAppDelegate> delegate_;
  std::vector<StoreError> launchErrors_;
  int quitQuestions_ = 0;
  bool quitAnyway_ = false;
  bool realRemoteSetup_ = false;
};

TEST_F(ZelvoAppDelegateTest, AFirstLaunchMakesThePrivateFolderAndAnEmptyStore) {
  ZelvoAppDelegate& app = launch();
  EXPECT_TRUE(launchErrors_.empty());
  ASSERT_NE(app.managedObjectContext(), nullptr);
  EXPECT_EQ(app.managedObjectContext(), app.managedObjectContext()) << "made once";
  EXPECT_EQ(mode(dataFolder()), 0700);
  EXPECT_EQ(mode(dataFolder() + "/Zelvo.storedata"), 0600);
  ASSERT_NE(app.mainWindow(), nullptr);
  EXPECT_TRUE(app.mainWindow()->isVisible());
  EXPECT_EQ(app.mainWindow()->managedObjectContext(), app.managedObjectContext());
  EXPECT_TRUE(app.mainWindow()->siteTreeViewController()->storeRefusalText().isEmpty());
  EXPECT_EQ(gain_, 1.0f) << "no stored volume: full gain";
}

TEST_F(ZelvoAppDelegateTest, AFileWhereTheFolderShouldBeIsReportedTwiceAndTheWindowStillOpens) {
  QDir().mkpath(home_.filePath("share"));
  QFile file(dataFolder());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a folder");
  file.close();
  ZelvoAppDelegate& app = launch();
  ASSERT_EQ(launchErrors_.size(), 2u);
  EXPECT_EQ(launchErrors_[0].domain, StoreError::kApplicationDomain);
  EXPECT_EQ(launchErrors_[0].code, 101);
  EXPECT_TRUE(launchErrors_[0].description.contains(dataFolder()));
  EXPECT_EQ(launchErrors_[1].code, 9999);
  EXPECT_EQ(launchErrors_[1].description, "Failed to initialize the store");
  EXPECT_EQ(app.mainWindow()->managedObjectContext(), nullptr);
  EXPECT_TRUE(app.mainWindow()->isVisible());
  EXPECT_FALSE(app.mainWindow()->findChild<QAction*>("actionAddSite")->isEnabled());
  // Once the alerts are gone the tree still says why it holds no sites.
  const QString said = app.mainWindow()->siteTreeViewController()->storeRefusalText();
  EXPECT_TRUE(said.contains(launchErrors_[0].description)) << said.toStdString();
  EXPECT_TRUE(app.applicationShouldTerminate()) << "nothing to save";
}

TEST_F(ZelvoAppDelegateTest, TheGainInForceAtQuitIsTheNextLaunchsGain) {
  launch();
  gain_ = 0.5f;
  EXPECT_TRUE(delegate_->applicationShouldTerminate());
  delegate_.reset();
  gain_ = 1.0f;
  launch();
  EXPECT_FLOAT_EQ(gain_, 0.5f);
  EXPECT_EQ(delegate_->mainWindow()->ui()->volumeSlider->value(), 50);
}

TEST_F(ZelvoAppDelegateTest, ADamagedStoredVolumeReadsAsFullGain) {
  {
    QSettings settings(home_.filePath("Zelvo.conf"), QSettings::IniFormat);
    settings.setValue(UserDefaultVolumeKey, "loud");
  }
  launch();
  EXPECT_EQ(gain_, 1.0f);
}

// What a quit does with the store.
TEST_F(ZelvoAppDelegateTest, QuitWithNoChangesSavesNothingAndAsksNothing) {
  launch();
  EXPECT_TRUE(delegate_->applicationShouldTerminate());
  EXPECT_EQ(quitQuestions_, 0);
}

TEST_F(ZelvoAppDelegateTest, QuitSavesPendingChanges) {
  launch();
  auto context = delegate_->managedObjectContext();
  context->insertNewObject<Favorite>()->setName(QStringLiteral("Night"));
  EXPECT_TRUE(delegate_->applicationShouldTerminate());
  EXPECT_FALSE(context->hasChanges());
  EXPECT_EQ(quitQuestions_, 0);
}

class ZelvoAppDelegateFailedQuitTest : public ZelvoAppDelegateTest {
 protected:
  void refuseFavorites() {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
    db.setDatabaseName(dataFolder() + "/Zelvo.storedata");
    ASSERT_TRUE(db.open());
    QSqlQuery(db).exec("CREATE TRIGGER refuse BEFORE INSERT ON Favorite BEGIN SELECT RAISE(ABORT, 'refused'); END");
    db.close();
  }
  void TearDown() override {
    ZelvoAppDelegateTest::TearDown();
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
  }
};

TEST_F(ZelvoAppDelegateFailedQuitTest, CancelKeepsTheApplicationWithItsChangesPending) {
  launch();
  refuseFavorites();
  auto context = delegate_->managedObjectContext();
  context->insertNewObject<Favorite>()->setName(QStringLiteral("Night"));
  quitAnyway_ = false;
  EXPECT_FALSE(delegate_->applicationShouldTerminate());
  EXPECT_EQ(quitQuestions_, 1);
  ASSERT_EQ(launchErrors_.size(), 1u) << "the save's error is shown first";
  EXPECT_TRUE(launchErrors_[0].isStoreError(StoreError::SaveFailed));
  EXPECT_TRUE(context->hasChanges());
  EXPECT_FALSE(delegate_->mainWindow()->close()) << "closing the window asks the same and keeps it";
  EXPECT_TRUE(delegate_->mainWindow()->isVisible());
}

TEST_F(ZelvoAppDelegateFailedQuitTest, QuitAnywayQuits) {
  launch();
  refuseFavorites();
  delegate_->managedObjectContext()->insertNewObject<Favorite>()->setName(QStringLiteral("Night"));
  quitAnyway_ = true;
  EXPECT_TRUE(delegate_->applicationShouldTerminate());
  EXPECT_EQ(quitQuestions_, 1);
}

TEST_F(ZelvoAppDelegateTest, TheQuitMenuAsksAndEndsTheApplication) {
  launch();
  int terminations = 0;
  QObject::connect(delegate_.get(), &ZelvoAppDelegate::terminate, [&] { ++terminations; });
  delegate_->mainWindow()->findChild<QAction*>("actionQuit")->trigger();
  EXPECT_EQ(terminations, 1);
  EXPECT_FALSE(delegate_->mainWindow()->isVisible());
}

// The window manager's close button: WM_DELETE_WINDOW sent to the window through the X
// server, as a window manager sends it. libxcb is the one Qt's platform plugin loaded.
bool closeThroughTheXServer(QWidget* window) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_NOLOAD);
  if (!connection || !xcb) return false;
  auto internAtom = reinterpret_cast<decltype(&xcb_intern_atom)>(dlsym(xcb, "xcb_intern_atom"));
  auto internReply = reinterpret_cast<decltype(&xcb_intern_atom_reply)>(dlsym(xcb, "xcb_intern_atom_reply"));
  auto sendEvent = reinterpret_cast<decltype(&xcb_send_event)>(dlsym(xcb, "xcb_send_event"));
  auto flush = reinterpret_cast<decltype(&xcb_flush)>(dlsym(xcb, "xcb_flush"));
  if (!internAtom || !internReply || !sendEvent || !flush) return false;
  auto atom = [&](const char* name) -> xcb_atom_t {
    xcb_intern_atom_reply_t* reply =
        internReply(connection, internAtom(connection, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    free(reply);
    return result;
  };
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = static_cast<xcb_window_t>(window->winId());
  message.type = atom("WM_PROTOCOLS");
  message.data.data32[0] = atom("WM_DELETE_WINDOW");
  message.data.data32[1] = XCB_CURRENT_TIME;
  if (message.type == XCB_ATOM_NONE || message.data.data32[0] == XCB_ATOM_NONE) return false;
  sendEvent(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
  flush(connection);
  return true;
}

// Which other window is open when the operator closes the main window.
enum class AlsoOpen { Nothing, Preferences, RemoteSetup };

class ZelvoAppDelegateCloseTest : public ZelvoAppDelegateTest, public ::testing::WithParamInterface<AlsoOpen> {};

TEST_P(ZelvoAppDelegateCloseTest, ClosingTheMainWindowEndsTheApplication) {
  realRemoteSetup_ = GetParam() == AlsoOpen::RemoteSetup;
  launch();
  ASSERT_TRUE(waitUntil([&] { return delegate_->mainWindow()->isVisible(); }));
  QWidget* other = nullptr;
  if (GetParam() == AlsoOpen::Preferences) {
    delegate_->showPreference();
    other = delegate_->preferenceController();
  } else if (GetParam() == AlsoOpen::RemoteSetup) {
    other = delegate_->mainWindow()->remoteSetupWindow();
    ASSERT_TRUE(other);
    other->show();
  }
  if (other) {
    ASSERT_TRUE(waitUntil([&] { return other->isVisible(); }));
  }
  int terminations = 0;
  QObject::connect(delegate_.get(), &ZelvoAppDelegate::terminate, [&] { ++terminations; });
  ASSERT_TRUE(closeThroughTheXServer(delegate_->mainWindow()));
  ASSERT_TRUE(waitUntil([&] { return terminations > 0; })) << "the application went on without its window";
  EXPECT_FALSE(delegate_->mainWindow()->isVisible());
  QCoreApplication::processEvents();
  EXPECT_EQ(terminations, 1);
  if (other) other->close();
}

INSTANTIATE_TEST_SUITE_P(Table, ZelvoAppDelegateCloseTest,
                         ::testing::Values(AlsoOpen::Nothing, AlsoOpen::Preferences, AlsoOpen::RemoteSetup),
                         [](const auto& info) {
                           switch (info.param) {
                             case AlsoOpen::Nothing: return std::string("Alone");
                             case AlsoOpen::Preferences: return std::string("WithThePreferencesOpen");
                             case AlsoOpen::RemoteSetup: return std::string("WithTheRemoteSetupWindowOpen");
                           }
                           return std::string();
                         });

TEST_F(ZelvoAppDelegateFailedQuitTest, AClosedWindowThatStaysAfterAFailedSaveEndsNothing) {
  launch();
  refuseFavorites();
  delegate_->managedObjectContext()->insertNewObject<Favorite>()->setName(QStringLiteral("Night"));
  quitAnyway_ = false;
  ASSERT_TRUE(waitUntil([&] { return delegate_->mainWindow()->isVisible(); }));
  int terminations = 0;
  QObject::connect(delegate_.get(), &ZelvoAppDelegate::terminate, [&] { ++terminations; });
  ASSERT_TRUE(closeThroughTheXServer(delegate_->mainWindow()));
  ASSERT_TRUE(waitUntil([&] { return quitQuestions_ > 0; }));
  QCoreApplication::processEvents();
  EXPECT_TRUE(delegate_->mainWindow()->isVisible());
  EXPECT_EQ(terminations, 0);
}

// Two processes on one store would overwrite each other's rows: a second start is told so
// and ends.
TEST_F(ZelvoAppDelegateTest, ASecondInstanceIsRefused) {
  launch();
  ZelvoAppDelegate::Options options;
  options.dataFolder = dataFolder();
  options.settingsFile = home_.filePath("Zelvo.conf");
  options.preferencesFile = home_.filePath("Info.plist");
  std::vector<StoreError> errors;
  options.presentError = [&](const StoreError& e) { errors.push_back(e); };
  options.components = components();
  ZelvoAppDelegate second(std::move(options));
  EXPECT_FALSE(second.applicationDidFinishLaunching());
  EXPECT_TRUE(second.anotherInstanceIsRunning());
  ASSERT_EQ(errors.size(), 1u) << "only the one error that says why";
  EXPECT_TRUE(errors[0].isAlreadyInUse());
  EXPECT_FALSE(second.mainWindow()->isVisible());
  EXPECT_NE(delegate_->managedObjectContext(), nullptr) << "the first one goes on";
}

}  // namespace
}  // namespace zelvo::test
