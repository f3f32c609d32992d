// The wall's view on the X server with a recording screen: start-up, notifications,
// keys and clicks, plane painting, drops and copying, checked by what the screen is told.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/Wall/PlaneSnapshotFile.h"
#include "ViewControllers/Wall/SnapshotMimeData.h"
#include "support/SharedDeviceLock.h"
#include "support/Wait.h"
#include "VideoViewFakes.h"

namespace zelvo {
namespace {

using test::NotificationSpy;
using Lines = std::vector<std::string>;

const std::string Selected = VideoViewSelectedPlaneChangedNotification;
const std::string LayoutChanged = VideoViewLayoutChangedNotification;

class VideoViewTest : public testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
  }

  // A shown 400 x 300 view whose GL set-up has run.
  std::unique_ptr<VideoView> makeView(bool initSucceeds = true, bool show = true) {
    auto view = std::make_unique<VideoView>();
    view->setScreenFactory([this, initSucceeds](int planes, ScreenDelegate*) {
      EXPECT_EQ(planes, 64);
      auto screen = std::make_unique<test::RecordingScreen>(&log, initSucceeds);
      recording = screen.get();
      return screen;
    });
    view->setControllerQueries(&queries);
    view->setPreferences(&preferences);
    view->resize(400, 300);
    spy = std::make_unique<NotificationSpy>(*view);
    if (show) {
      view->show();
      EXPECT_TRUE(test::waitUntil([&] { return view->renderCount() > 0; }));
    }
    return view;
  }

  Lines take() {
    Lines lines = log;
    log.clear();
    return lines;
  }

  Lines log;
  test::RecordingScreen* recording = nullptr;
  test::FakeQueries queries;
  test::FakePreferences preferences;
  std::unique_ptr<NotificationSpy> spy;
};

TEST_F(VideoViewTest, StartUp) {
  preferences.values[PreferenceAspectRatioKey] = 1;
  auto view = makeView();
  ASSERT_TRUE(view->hasScreen());
  EXPECT_EQ(view->layout(), 3);
  EXPECT_EQ(view->selectedPlane(), 0);
  EXPECT_EQ(view->planeCountInCurrentLayout(), 16);
  // Plane 0 is selected already: only the layout is news, once.
  EXPECT_EQ(spy->names, Lines{LayoutChanged});
  const Lines lines = take();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "init 400x300");
  EXPECT_EQ(lines[1], "setLayout 0 4");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "setKeepAspectRatio 1"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "setSelectionGradient unfocused"), lines.end());
  EXPECT_EQ(view->pages().previousLayout(), 0);
}

TEST_F(VideoViewTest, AspectPreferenceOnOnlyForOne) {
  for (QVariant value : {QVariant(), QVariant(0), QVariant(2), QVariant("yes")}) {
    preferences.values.clear();
    if (value.isValid()) preferences.values[PreferenceAspectRatioKey] = value;
    log.clear();
    auto view = makeView();
    const Lines lines = take();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "setKeepAspectRatio 0"), lines.end()) << value.toString().toStdString();
  }
}

TEST_F(VideoViewTest, FailedScreenSetUpLeavesABlackViewAndALogLine) {
  test::LogCapture capture;
  auto view = makeView(false);
  EXPECT_FALSE(view->hasScreen());
  EXPECT_TRUE(capture.contains("did not set up"));
  const QImage shot = view->grab().toImage();
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(qGray(shot.pixel(200, 150)), 0);
  // Everything still works on the view's own state and nothing reaches a screen.
  take();
  view->setLayout(1);
  view->setSelectedPlane(9);
  view->updatePlane(3, test::cameraInfo(3, 3, 1));
  view->clearPlanes({1, 2}, true, true);
  EXPECT_EQ(view->layout(), 1);
  EXPECT_EQ(view->selectedPlane(), 9);
  EXPECT_TRUE(take().empty());
}

TEST_F(VideoViewTest, CallsBeforeTheGLSetUpChangeOnlyTheViewsState) {
  auto view = makeView(true, false);
  EXPECT_FALSE(view->hasScreen());
  view->setLayout(1);
  view->setSelectedPlane(6);
  view->updatePlane(2, test::cameraInfo(2, 1, 1, true, "Door"));
  view->clearPlanes({1}, true, true);
  view->setKeepAspectRatio(true);
  view->resetCameraConfiguration(4);
  EXPECT_EQ(view->getCameraConfigurationFromPlane(4), CameraConfiguration{});
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(spy->names, (Lines{LayoutChanged, Selected, LayoutChanged}));
  spy->clear();
  view->show();
  ASSERT_TRUE(test::waitUntil([&] { return view->renderCount() > 0; }));
  // The set-up selects plane 0 and layout 3 as always, and the screen shows that.
  EXPECT_EQ(view->selectedPlane(), 0);
  EXPECT_EQ(view->layout(), 3);
  EXPECT_EQ(spy->names, (Lines{Selected, LayoutChanged, LayoutChanged}));
  EXPECT_EQ(log.front(), "init 400x300");
  EXPECT_EQ(std::count(log.begin(), log.end(), "setLayout 0 4"), 2);
}

// The Screen is made once, at the first paint: a factory given later would never be used.
TEST_F(VideoViewTest, AScreenFactoryAfterTheSetUpIsRefused) {
  auto view = makeView();
  ASSERT_TRUE(view->hasScreen());
  EXPECT_DEATH(view->setScreenFactory(makeKitVideoViewScreen), "Invalid parameter not satisfying");
  // A failed set-up is tried once too.
  auto failed = makeView(false);
  ASSERT_FALSE(failed->hasScreen());
  EXPECT_DEATH(failed->setScreenFactory(makeKitVideoViewScreen), "Invalid parameter not satisfying");
}

// The wall's context is its render thread's own, not the window's: moved into another
// window, the view keeps its screen, and with it the operator's page.
TEST_F(VideoViewTest, MovedToAnotherWindowItKeepsItsScreenAndTheOperatorsPage) {
  auto view = makeView();
  view->setLayout(1);
  view->setSelectedPlane(20);
  take();
  QWidget window;
  window.resize(400, 300);
  view->setParent(&window);
  window.show();
  view->show();
  const int seen = view->renderCount();
  ASSERT_TRUE(test::waitUntil([&] { return view->renderCount() > seen + 1; }));
  EXPECT_TRUE(view->hasScreen());
  EXPECT_EQ(view->layout(), 1);
  EXPECT_EQ(view->selectedPlane(), 20);
  EXPECT_EQ(std::count(log.begin(), log.end(), "init 400x300"), 0);
  view->setParent(nullptr);
}

TEST_F(VideoViewTest, SelectionNotificationsInOrder) {
  auto view = makeView();
  view->setSelectedPlane(3);
  spy->clear();
  take();
  view->setSelectedPlane(20);
  EXPECT_EQ(spy->names, (Lines{Selected, LayoutChanged}));
  EXPECT_EQ(take(), Lines{"setLayout 20 4"});
  view->setSelectedPlane(3);
  spy->clear();
  view->setSelectedPlane(5);
  EXPECT_EQ(spy->names, Lines{Selected});
  spy->clear();
  view->setSelectedPlane(5);
  view->setLayout(3);
  EXPECT_TRUE(spy->names.empty());
}

TEST_F(VideoViewTest, Layout7WithPlane63) {
  auto view = makeView();
  view->setLayout(7);
  view->setSelectedPlane(63);
  EXPECT_EQ(view->lastPlaneInCurrentLayout(), 63);
  spy->clear();
  view->changeToNextLayout();
  view->changeToNextLayoutWithRotation(true, true);
  EXPECT_EQ(view->selectedPlane(), 63);
  EXPECT_TRUE(spy->names.empty());
}

TEST_F(VideoViewTest, NextPageSkipsUnboundPagesAskingTheController) {
  auto view = makeView();
  queries.planes[35] = {};
  view->changeToNextLayoutWithRotation(true, true);
  EXPECT_EQ(view->selectedPlane(), 32);
  view->changeToNextLayoutWithRotation(true, true);
  EXPECT_EQ(view->selectedPlane(), 32) << "no other page has a bound plane";
}

struct KeyCase {
  const char* name;
  int layout;
  int64_t from;
  Qt::Key key;
  int64_t to;
  Lines notifications;
};

class VideoViewKeys : public VideoViewTest, public testing::WithParamInterface<KeyCase> {};

TEST_P(VideoViewKeys, Key) {
  const KeyCase& c = GetParam();
  auto view = makeView();
  view->setLayout(c.layout);
  view->setSelectedPlane(c.from);
  spy->clear();
  QTest::keyClick(view.get(), c.key);
  EXPECT_EQ(view->selectedPlane(), c.to);
  EXPECT_EQ(spy->names, c.notifications);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, VideoViewKeys,
    testing::Values(KeyCase{"UpInTopRow", 3, 2, Qt::Key_Up, 2, {}},
                    KeyCase{"Down", 3, 2, Qt::Key_Down, 6, {Selected}},
                    KeyCase{"LeftFromFirstPlaneOfPage2", 3, 16, Qt::Key_Left, 15, {Selected, LayoutChanged}},
                    KeyCase{"Right", 3, 4, Qt::Key_Right, 5, {Selected}},
                    KeyCase{"SpaceToggles", 3, 4, Qt::Key_Space, 4, {LayoutChanged}},
                    KeyCase{"ReturnToggles", 3, 4, Qt::Key_Return, 4, {LayoutChanged}},
                    KeyCase{"EnterToggles", 3, 4, Qt::Key_Enter, 4, {LayoutChanged}},
                    KeyCase{"BackspaceAsksToDelete", 3, 4, Qt::Key_Backspace, 4,
                            {VideoViewDeleteRequestedNotification}},
                    KeyCase{"OtherKeysNothing", 3, 4, Qt::Key_A, 4, {}}),
    [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST_F(VideoViewTest, SpaceTogglesTheSingleLayoutAndBack) {
  auto view = makeView();
  view->setSelectedPlane(6);
  QTest::keyClick(view.get(), Qt::Key_Space);
  EXPECT_EQ(view->layout(), 0);
  EXPECT_EQ(view->firstPlaneInCurrentLayout(), 6);
  QTest::keyClick(view.get(), Qt::Key_Space);
  EXPECT_EQ(view->layout(), 3);
}

TEST_F(VideoViewTest, LayoutZeroFromTheMenuThenSpaceStaysOnZero) {
  auto view = makeView();
  view->setLayout(0);
  QTest::keyClick(view.get(), Qt::Key_Space);
  EXPECT_EQ(view->layout(), 0);
}

TEST_F(VideoViewTest, KeysWhileTheButtonIsHeldAreIgnored) {
  auto view = makeView();
  QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(150, 100));
  EXPECT_EQ(view->selectedPlane(), 5);
  EXPECT_TRUE(view->isDragging());
  spy->clear();
  QTest::keyClick(view.get(), Qt::Key_Right);
  QTest::keyClick(view.get(), Qt::Key_Space);
  QTest::keyClick(view.get(), Qt::Key_Backspace);
  EXPECT_EQ(view->selectedPlane(), 5);
  EXPECT_EQ(view->layout(), 3);
  EXPECT_TRUE(spy->names.empty());
  QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(150, 100));
  EXPECT_FALSE(view->isDragging());
  QTest::keyClick(view.get(), Qt::Key_Right);
  EXPECT_EQ(view->selectedPlane(), 6);
}

TEST_F(VideoViewTest, ClicksSelectAndDoubleClicksToggle) {
  auto view = makeView();
  spy->clear();
  // Plane 13: bottom row, second column of the 4 x 4 page.
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(150, 260));
  EXPECT_EQ(view->selectedPlane(), 13);
  EXPECT_EQ(spy->names, Lines{Selected});
  QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(150, 260));
  EXPECT_EQ(view->layout(), 0);
  EXPECT_EQ(view->firstPlaneInCurrentLayout(), 13);
  QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(view->layout(), 3);
  EXPECT_EQ(view->selectedPlane(), 13);
  // Right and bottom edges belong to the last cell.
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(399, 299));
  EXPECT_EQ(view->selectedPlane(), 15);
}

TEST_F(VideoViewTest, FocusChangesTheRing) {
  auto view = makeView();
  take();
  QApplication::setActiveWindow(view.get());  // in this process only: tests beside it cannot take it
  view->setFocus();
  ASSERT_TRUE(test::waitUntil([&] { return view->hasFocus(); }));
  EXPECT_EQ(take(), Lines{"setSelectionGradient focused"});
  view->clearFocus();
  EXPECT_EQ(take(), Lines{"setSelectionGradient unfocused"});
}

struct PaintCase {
  const char* name;
  int32_t status, covert;
  bool ptz;
  int type;
  bool force;
  Lines expected;
};

class VideoViewPainting : public VideoViewTest, public testing::WithParamInterface<PaintCase> {};

TEST_P(VideoViewPainting, Plane) {
  const PaintCase& c = GetParam();
  auto view = makeView();
  take();
  view->updatePlane(4, test::cameraInfo(2, c.status, c.covert, c.ptz, "Gate"), c.type, c.force);
  EXPECT_EQ(take(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Painting, VideoViewPainting,
    testing::Values(
        PaintCase{"ForcedNormal", 1, 1, true, 0, true, {"clearPlane 4", "setTitle 4 Gate", "showPtzIcon 4"}},
        PaintCase{"ForcedInactive", 2, 1, true, 0, true,
                  {"clearPlaneWithGradient 4 inactive", "setTitle 4 Gate", "hidePtzIcon 4"}},
        PaintCase{"ForcedVideoLoss", 3, 1, false, 0, true,
                  {"clearPlaneWithGradient 4 videoLoss", "setTitle 4 Gate", "hidePtzIcon 4"}},
        PaintCase{"CovertWithNormalStatusIsInactive", 1, 2, false, 0, true,
                  {"clearPlaneWithGradient 4 inactive", "setTitle 4 Gate", "hidePtzIcon 4"}},
        PaintCase{"CovertWinsOverVideoLoss", 3, 2, false, 0, true,
                  {"clearPlaneWithGradient 4 inactive", "setTitle 4 Gate", "hidePtzIcon 4"}},
        PaintCase{"HiddenShowsDefaultTitle", 1, 3, true, 0, true,
                  {"clearPlaneWithGradient 4 inactive", "setTitle 4 CAM3", "hidePtzIcon 4"}},
        PaintCase{"OtherStatusLeavesTheBackground", 0, 1, false, 0, true, {"setTitle 4 Gate", "hidePtzIcon 4"}},
        PaintCase{"TitleUpdateOnlyTitleAndPtz", 3, 1, true, 2, false, {"setTitle 4 Gate", "showPtzIcon 4"}},
        PaintCase{"StatusUpdateRepaints", 3, 1, false, 3, false,
                  {"clearPlaneWithGradient 4 videoLoss", "setTitle 4 Gate", "hidePtzIcon 4"}},
        PaintCase{"CovertUpdateRepaints", 1, 2, false, 4, false,
                  {"clearPlaneWithGradient 4 inactive", "setTitle 4 Gate", "hidePtzIcon 4"}},
        PaintCase{"PtzUpdateOnlyTitleAndPtz", 1, 1, true, 5, false, {"setTitle 4 Gate", "showPtzIcon 4"}}),
    [](const testing::TestParamInfo<PaintCase>& info) { return std::string(info.param.name); });

TEST_F(VideoViewTest, ClearingPlanes) {
  auto view = makeView();
  take();
  view->clearPlanes({2, 7}, true, true);
  EXPECT_EQ(take(), (Lines{"clearPlane 2", "clearPlaneWithGradient 2 disconnected", "setTitle 2 3", "hidePtzIcon 2",
                           "clearPlane 7", "clearPlaneWithGradient 7 disconnected", "setTitle 7 8", "hidePtzIcon 7"}));
  view->clearPlane(9, false, false);
  EXPECT_EQ(take(), (Lines{"clearPlane 9", "hidePtzIcon 9"}));
  view->clearAllPlanes();
  EXPECT_EQ(take(), Lines{"clearAllPlanes"});
}

TEST_F(VideoViewTest, ColourSettings) {
  auto view = makeView();
  const CameraConfiguration changed{0.1f, 0.2f, 0.3f, 0.4f};
  view->setCameraConfiguration(changed, 5);
  EXPECT_EQ(view->getCameraConfigurationFromPlane(5), changed);
  view->setSelectedPlane(5);
  EXPECT_EQ(view->getCameraConfigurationFromSelectedPlane(), changed);
  view->resetCameraConfiguration(5);
  EXPECT_EQ(view->getCameraConfigurationFromPlane(5), CameraConfiguration{});
}

TEST_F(VideoViewTest, RenderingIsPacedToTheRefresh) {
  auto view = makeView();
  const size_t start = recording->times().size();
  ASSERT_TRUE(test::waitUntil([&] { return recording->times().size() >= start + 12; }));
  // Unpaced, Xvfb swaps hundreds of times per refresh; paced, two renders are at least a
  // refresh apart (the render's time stamps come from the view's own clock).
  const double period = view->refreshPeriodMs() / 1000.0;
  const std::vector<float> times = recording->times();
  for (size_t i = start + 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 0.95 * period) << i;
  // The view counts the renders of its thread (read a moment apart: within one).
  EXPECT_LE(std::abs(recording->renders() - view->renderCount()), 1);
  EXPECT_TRUE(view->rendersOnItsOwnThread());
}

QMimeData* targetMime(const QByteArray& archive) {
  auto* data = new QMimeData;
  data->setData(PasteBoardTypeConnectionTarget, archive);
  return data;
}

QByteArray siteArchive(qint64 cameras) {
  SiteInfo site;
  site.setCameraCount(cameras);
  return archivedDataWithRootObject(site);
}

// A 4 x 4 page of 400 x 300: plane p's centre.
QPoint centreOf(int64_t plane) { return QPoint(int(plane % 4) * 100 + 50, int(plane / 4) * 75 + 37); }

TEST_F(VideoViewTest, SiteOverPlane13HighlightsToThePagesEnd) {
  auto view = makeView();
  take();
  std::unique_ptr<QMimeData> data(targetMime(siteArchive(16)));
  QDragEnterEvent enter(centreOf(13), Qt::CopyAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  take();
  QDragMoveEvent move(centreOf(13), Qt::CopyAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &move);
  EXPECT_TRUE(move.isAccepted());
  EXPECT_EQ(take(), (Lines{"hideHighlight", "showHighlight 13", "showHighlight 14", "showHighlight 15"}));
  QDragLeaveEvent leave;
  QCoreApplication::sendEvent(view.get(), &leave);
  EXPECT_EQ(take(), Lines{"hideHighlight"});
}

TEST_F(VideoViewTest, DropIsToldAfterTheDropEventReturns) {
  auto view = makeView();
  spy->clear();
  const QByteArray archive = siteArchive(16);
  std::unique_ptr<QMimeData> data(targetMime(archive));
  // Qt hands a drop only to the widget that took the drag's enter.
  QDragEnterEvent enter(centreOf(13), Qt::CopyAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(centreOf(13), Qt::CopyAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_TRUE(spy->names.empty()) << "not inside the drop event";
  ASSERT_TRUE(test::waitUntil([&] { return !spy->names.empty(); }));
  ASSERT_EQ(spy->names, Lines{VideoViewConnectionTargetDroppedNotification});
  const Notification& n = spy->notifications.front();
  ASSERT_TRUE(n.get<int64_t>(VideoViewPlaneKey));
  EXPECT_EQ(*n.get<int64_t>(VideoViewPlaneKey), 13);
  ASSERT_TRUE(n.get<QByteArray>(VideoViewConnectionTargetDataKey));
  EXPECT_EQ(*n.get<QByteArray>(VideoViewConnectionTargetDataKey), archive);
}

TEST_F(VideoViewTest, ForeignPlaneDragsAreRefused) {
  auto view = makeView();
  queries.planes[3] = {};
  take();
  // Without a drag of this process behind it, a plane number means nothing.
  QMimeData data;
  data.setData(PasteBoardTypePlaneDragged, planeDraggedData(3));
  QDragEnterEvent enter(centreOf(9), Qt::MoveAction | Qt::CopyAction, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  EXPECT_TRUE(take().empty()) << "no highlight";
}

TEST_F(VideoViewTest, DropOutsideThePlanesIsRefused) {
  auto view = makeView();
  view->setLayout(2);
  view->setSelectedPlane(63);  // the last page holds plane 63 alone
  spy->clear();
  std::unique_ptr<QMimeData> data(targetMime(siteArchive(4)));
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDragMoveEvent move(QPoint(300, 250), Qt::CopyAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &move);
  EXPECT_FALSE(move.isAccepted());
  QDropEvent drop(QPointF(300, 250), Qt::CopyAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &drop);
  EXPECT_FALSE(drop.isAccepted());
  QCoreApplication::processEvents();
  EXPECT_TRUE(spy->names.empty());
}

class VideoViewSnapshotTest : public VideoViewTest {
 protected:
  // The X clipboard is shared with every test on the display.
  test::SharedDeviceLock clipboard{"clipboard"};
  void SetUp() override {
    VideoViewTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(folder.isValid());
    auto site = std::make_shared<SiteInfo>();
    auto titles = std::make_shared<CameraTitleMap>();
    (*titles)["4"] = "Loading dock";
    (*titles)["1"] = "a/b";
    site->setCamTitles(titles);
    queries.planes[2] = {3, test::cameraInfo(3, 1, 1), site};
    queries.planes[5] = {0, test::cameraInfo(0, 1, 1), site};
    queries.planes[6] = {1, test::cameraInfo(1, 3, 1), site};  // video loss
    queries.planes[7] = {1, test::cameraInfo(1, 1, 2), site};  // covert
    queries.planes[8] = {1, std::nullopt, site};               // no camera table yet
  }

  std::unique_ptr<VideoView> makeSnapshotView() {
    auto view = makeView();
    view->setSnapshotFolder(folder.path());
    view->setClock([] { return QDateTime(QDate(2026, 12, 9), QTime(9, 15, 9)); });
    return view;
  }

  QTemporaryDir folder;
};

TEST_F(VideoViewSnapshotTest, WhoCanBeCopied) {
  auto view = makeSnapshotView();
  for (auto [plane, can] : std::vector<std::pair<int64_t, bool>>{{2, true}, {5, true}, {6, false}, {7, false},
                                                                  {8, false}, {9, false}, {-1, false}, {64, false}}) {
    EXPECT_EQ(view->canPlaneSnapshotTaken(plane), can) << plane;
  }
  view->setSelectedPlane(6);
  EXPECT_FALSE(view->canCopy());
  QGuiApplication::clipboard()->clear();
  view->copy();
  EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasUrls());
  view->setSelectedPlane(2);
  EXPECT_TRUE(view->canCopy());
}

TEST_F(VideoViewSnapshotTest, CopyNamesTheFileFromTheTitleAtCameraPlusOne) {
  auto view = makeSnapshotView();
  view->setSelectedPlane(2);
  take();
  view->copy();
  EXPECT_EQ(take(), Lines{"imageOfPlane 2 own"});
  ASSERT_TRUE(view->snapshotName());
  EXPECT_EQ(view->snapshotName()->toStdString(), "Zelvo_Loading dock_2026-12-09 09.15.09 AM.jpg");
  EXPECT_FALSE(view->holdsSnapshot()) << "the clipboard holds the picture now";
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_TRUE(data);
  const QList<QUrl> urls = data->urls();
  ASSERT_EQ(urls.size(), 1);
  EXPECT_TRUE(urls.front().toLocalFile().startsWith(folder.path() + "/"));
  EXPECT_TRUE(urls.front().toLocalFile().endsWith("/Zelvo_Loading dock_2026-12-09 09.15.09 AM.jpg"));
  EXPECT_FALSE(QImage(urls.front().toLocalFile()).isNull());
}

TEST_F(VideoViewSnapshotTest, SecondCopyDeletesTheFirstFile) {
  auto view = makeSnapshotView();
  view->setSelectedPlane(2);
  view->copy();
  const QString first = QGuiApplication::clipboard()->mimeData()->urls().front().toLocalFile();
  ASSERT_TRUE(QFile::exists(first));
  view->setSelectedPlane(5);
  view->copy();
  EXPECT_FALSE(QFile::exists(first));
  EXPECT_EQ(view->snapshotName()->toStdString(), "Zelvo_a_b_2026-12-09 09.15.09 AM.jpg");
}

}  // namespace
}  // namespace zelvo
