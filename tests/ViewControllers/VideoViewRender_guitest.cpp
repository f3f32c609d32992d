// The wall's view with the real rendering kit on the X server (Xvfb and Mesa in CI),
// read back from what the view paints: rings, gradients, the PTZ mark, pictures, layouts,
// keys and clicks, a device pixel ratio of 2, a real plane drag and the clipboard.
// With ZELVO_SCREENSHOT_DIR set, the screenshots are saved there
// (docs/wall-drop-highlight.png and docs/wall-states.png are made this way).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragMoveEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QOpenGLContext>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <memory>

#include "Foundation/NotificationCenter.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "openglkit/ShaderModel.h"
#include "support/SharedDeviceLock.h"
#include "support/Wait.h"
#include "VideoViewFakes.h"
#include "WallPictures.h"

namespace zelvo {
namespace {

using test::TestPicture;

const test::Yuv8Colour Red{81, 90, 240};
const test::Yuv8Colour Green{145, 54, 34};
const test::Yuv8Colour Blue{41, 240, 110};

test::Rgb8 rgbAt(const QImage& image, int x, int y) {
  const QRgb c = image.pixel(x, y);
  return {qRed(c), qGreen(c), qBlue(c)};
}

test::Rgb8 expected(const test::Yuv8Colour& c) { return test::expectedPixel(c.y, c.u, c.v); }

test::Rgb8 bytes(float r, float g, float b) {
  return {int(std::lround(r * 255)), int(std::lround(g * 255)), int(std::lround(b * 255))};
}

void saveShot(const QImage& image, const char* name) {
  if (const QByteArray dir = qgetenv("ZELVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
    EXPECT_TRUE(image.save(QDir(QString::fromLocal8Bit(dir)).filePath(name), "PNG")) << name;
  }
}

class VideoViewRenderTest : public testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
  }

  std::unique_ptr<VideoView> makeView(QSize size = {400, 300}) {
    auto view = std::make_unique<VideoView>();
    view->setControllerQueries(&queries);
    view->setPreferences(&preferences);
    view->resize(size);
    view->move(0, 0);
    view->show();
    EXPECT_TRUE(test::waitUntil([&] { return view->renderCount() > 0; }));
    EXPECT_TRUE(view->hasScreen()) << "the kit did not set up on this context";
    return view;
  }

  // What the view shows after its next render.
  QImage shotOf(VideoView& view) {
    const int seen = view.renderCount();
    EXPECT_TRUE(test::waitUntil([&] { return view.renderCount() > seen + 1; }));
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

  void show(VideoView& view, int64_t plane, const test::Yuv8Colour& colour) {
    pictures.push_back(TestPicture::flat(64, 48, colour.y, colour.u, colour.v));
    view.clearPlane(plane, false, false);
    view.setVideoFrame(pictures.back()->decoded(), plane);
  }

  test::FakeQueries queries;
  test::FakePreferences preferences;
  std::vector<std::unique_ptr<TestPicture>> pictures;
};

// The 4 x 4 page of a 400 x 300 view: a plane's cell centre.
QPoint centreOf(int64_t plane) { return QPoint(int(plane % 4) * 100 + 50, int(plane / 4) * 75 + 37); }

TEST_F(VideoViewRenderTest, RingMarksTheSelectedPlaneInTheFocusColours) {
  auto view = makeView();
  QImage shot = shotOf(*view);
  // Plane 0 selected, the view without focus: the unfocused ring at the cell's top edge.
  EXPECT_TRUE(test::near(rgbAt(shot, 50, 1), bytes(0.73f, 0.78f, 0.85f), 6)) << rgbAt(shot, 50, 1);
  EXPECT_FALSE(test::near(rgbAt(shot, 150, 1), bytes(0.73f, 0.78f, 0.85f), 30)) << "only plane 0";
  QApplication::setActiveWindow(view.get());  // in this process only: tests beside it cannot take it
  view->setFocus();
  ASSERT_TRUE(test::waitUntil([&] { return view->hasFocus(); }));
  shot = shotOf(*view);
  EXPECT_TRUE(test::near(rgbAt(shot, 50, 1), bytes(0.98f, 0.87f, 0.47f), 8)) << rgbAt(shot, 50, 1);
}

// The GUI thread makes no OpenGL call: the window holding the wall is painted in
// software, from the frames the render thread has read back, and no context is
// current there. (A GL widget would have the whole window composed through OpenGL on
// the GUI thread, where a software driver makes it wait behind the wall's drawing.)
TEST_F(VideoViewRenderTest, TheWindowIsPaintedWithoutOpenGL) {
  QWidget window;
  window.resize(400, 300);
  auto view = std::make_unique<VideoView>(&window);
  view->setControllerQueries(&queries);
  view->resize(400, 300);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  ASSERT_TRUE(test::waitUntil([&] { return view->renderCount() > 2; }));
  ASSERT_TRUE(view->hasScreen());
  ASSERT_NE(window.windowHandle(), nullptr);
  EXPECT_EQ(window.windowHandle()->surfaceType(), QSurface::RasterSurface);
  EXPECT_EQ(QOpenGLContext::currentContext(), nullptr);
  // What it paints is the render thread's newest frame.
  const QImage painted = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage newest = view->newestFrame().convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(newest.isNull());
  EXPECT_EQ(painted.size(), newest.size());
  view.reset();
}

TEST_F(VideoViewRenderTest, KeysAndClicksMoveTheRing) {
  auto view = makeView();
  const test::Rgb8 ring = bytes(0.73f, 0.78f, 0.85f);
  QApplication::setActiveWindow(view.get());  // in this process only: tests beside it cannot take it
  view->setFocus();
  ASSERT_TRUE(test::waitUntil([&] { return view->hasFocus(); }));
  const test::Rgb8 focused = bytes(0.98f, 0.87f, 0.47f);
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(6));
  EXPECT_EQ(view->selectedPlane(), 6);
  QImage shot = shotOf(*view);
  EXPECT_TRUE(test::near(rgbAt(shot, 250, 76), focused, 8)) << rgbAt(shot, 250, 76);
  QTest::keyClick(view.get(), Qt::Key_Down);
  EXPECT_EQ(view->selectedPlane(), 10);
  shot = shotOf(*view);
  EXPECT_TRUE(test::near(rgbAt(shot, 250, 151), focused, 8)) << rgbAt(shot, 250, 151);
  EXPECT_FALSE(test::near(rgbAt(shot, 250, 76), focused, 30));
  EXPECT_FALSE(test::near(rgbAt(shot, 250, 76), ring, 30));
}

TEST_F(VideoViewRenderTest, BackgroundsAndPictures) {
  auto view = makeView();
  queries.planes[1] = {};
  view->updatePlane(1, test::cameraInfo(1, 2, 1, false, "Inactive"));
  view->updatePlane(2, test::cameraInfo(2, 3, 1, false, "Video loss"));
  view->clearPlane(3, true, true);
  show(*view, 5, Red);
  show(*view, 6, Green);
  const QImage shot = shotOf(*view);
  // Inactive: grey between its two ends.
  const test::Rgb8 inactive = rgbAt(shot, 150, 50);
  EXPECT_EQ(inactive.r, inactive.g);
  EXPECT_EQ(inactive.g, inactive.b);
  EXPECT_GE(inactive.r, 0.36 * 255 - 2);
  EXPECT_LE(inactive.r, 0.69 * 255 + 2);
  // Video loss: blue between its ends.
  const test::Rgb8 loss = rgbAt(shot, 250, 50);
  EXPECT_TRUE(loss.r >= 26 && loss.r <= 38 && loss.g >= 66 && loss.g <= 125 && loss.b >= 209 && loss.b <= 226) << loss;
  // Disconnected: dark grey.
  const test::Rgb8 disconnected = rgbAt(shot, 350, 50);
  EXPECT_EQ(disconnected.r, disconnected.b);
  EXPECT_GE(disconnected.r, 0.05 * 255 - 2);
  EXPECT_LE(disconnected.r, 0.24 * 255 + 2);
  // Live pictures fill their cells.
  EXPECT_TRUE(test::near(rgbAt(shot, 150, 112), expected(Red), 3)) << rgbAt(shot, 150, 112);
  EXPECT_TRUE(test::near(rgbAt(shot, 250, 112), expected(Green), 3)) << rgbAt(shot, 250, 112);
  // An empty plane is black.
  EXPECT_EQ(rgbAt(shot, 50, 262), (test::Rgb8{0, 0, 0}));
}

TEST_F(VideoViewRenderTest, PtzMark) {
  auto view = makeView();
  view->updatePlane(4, test::cameraInfo(0, 1, 1, true, "Dome"));
  view->updatePlane(7, test::cameraInfo(1, 1, 1, false, "Fixed"));
  QImage shot = shotOf(*view);
  // The mark near the top right corner of plane 4's cell (0, 75)-(100, 150).
  EXPECT_GT(qGray(shot.pixel(100 - 15, 75 + 15)), 150);
  EXPECT_LT(qGray(shot.pixel(400 - 15, 75 + 15)), 60) << "plane 7 has no PTZ";
  view->updatePlane(4, test::cameraInfo(0, 1, 1, false, "Dome"), CameraInfoTypePtzAvailability);
  shot = shotOf(*view);
  EXPECT_LT(qGray(shot.pixel(100 - 15, 75 + 15)), 60);
}

TEST_F(VideoViewRenderTest, LayoutsZeroAndSeven) {
  auto view = makeView();
  show(*view, 5, Red);
  view->setSelectedPlane(5);
  view->setLayout(0);
  QImage shot = shotOf(*view);
  // Plane 5 alone fills the view.
  EXPECT_TRUE(test::near(rgbAt(shot, 200, 150), expected(Red), 3)) << rgbAt(shot, 200, 150);
  EXPECT_TRUE(test::near(rgbAt(shot, 380, 280), expected(Red), 3)) << rgbAt(shot, 380, 280);
  view->setLayout(7);
  // A plane coming into view starts black until its next picture.
  show(*view, 0, Blue);
  shot = shotOf(*view);
  // 8 x 8 cells of 50 x 37.5: plane 5 in the top row, sixth column; plane 0 at the left.
  EXPECT_TRUE(test::near(rgbAt(shot, 275, 20), expected(Red), 3)) << rgbAt(shot, 275, 20);
  EXPECT_TRUE(test::near(rgbAt(shot, 25, 20), expected(Blue), 3)) << rgbAt(shot, 25, 20);
  EXPECT_EQ(rgbAt(shot, 375, 280), (test::Rgb8{0, 0, 0}));
}

// The render thread draws at every refresh whether or not a picture came: with nothing
// new, each frame is the one before.
TEST_F(VideoViewRenderTest, RendersWithoutANewPictureDrawTheSameImage) {
  auto view = makeView();
  show(*view, 5, Red);
  view->updatePlane(2, test::cameraInfo(2, 3, 1, false, "Video loss"));
  const QImage first = shotOf(*view);
  const QImage second = shotOf(*view);
  EXPECT_TRUE(test::near(rgbAt(first, 150, 112), expected(Red), 3)) << rgbAt(first, 150, 112);
  EXPECT_EQ(first, second);
}

// Colour settings reach the plane's pixels at the next render, and a reset takes them
// back to the picture's own colour; the plane beside it keeps its own.
TEST_F(VideoViewRenderTest, ColourSettingsChangeOnlyTheirPlane) {
  auto view = makeView();
  const test::Yuv8Colour grey{126, 128, 128};
  show(*view, 5, grey);
  show(*view, 6, grey);
  const test::Rgb8 plain = rgbAt(shotOf(*view), 150, 112);
  CameraConfiguration brighter;
  brighter.brightness = 0.25f;
  view->setCameraConfiguration(brighter, 5);
  QImage shot = shotOf(*view);
  EXPECT_GT(rgbAt(shot, 150, 112).r, plain.r + 40) << rgbAt(shot, 150, 112);
  EXPECT_TRUE(test::near(rgbAt(shot, 250, 112), plain, 2)) << rgbAt(shot, 250, 112);
  view->resetCameraConfiguration(5);
  shot = shotOf(*view);
  EXPECT_TRUE(test::near(rgbAt(shot, 150, 112), plain, 2)) << rgbAt(shot, 150, 112);
}

// Moved to another window, the view draws on: the operator's page stays, and pictures
// come through as before.
TEST_F(VideoViewRenderTest, MovedToAnotherWindowItDrawsThePageOn) {
  auto view = makeView();
  view->setSelectedPlane(5);
  view->setLayout(0);
  show(*view, 5, Red);
  EXPECT_TRUE(test::near(rgbAt(shotOf(*view), 200, 150), expected(Red), 3));
  QWidget window;
  window.resize(400, 300);
  window.move(0, 0);
  view->setParent(&window);
  window.show();
  view->show();
  ASSERT_TRUE(test::waitUntil([&] { return view->hasScreen() && view->rendersOnItsOwnThread(); }));
  EXPECT_EQ(view->layout(), 0);
  show(*view, 5, Blue);
  const QImage shot = shotOf(*view);
  EXPECT_TRUE(test::near(rgbAt(shot, 200, 150), expected(Blue), 3)) << rgbAt(shot, 200, 150);
  view->setParent(nullptr);
}

// The part of a plane's cell (layout 3 of a 400 x 300 view) below its title and inside
// the grid and ring: what its picture alone decides.
QImage pictureAreaOf(const QImage& shot, int64_t plane) {
  const QPoint corner(int(plane % 4) * 100, int((plane % 16) / 4) * 75);
  return shot.copy(QRect(corner + QPoint(4, 26), QSize(92, 45)));
}

// A plane fed picture after picture of one size writes them into the textures it has;
// it must show the last one exactly as a plane given that picture alone, and so again
// after a picture of another size has given it new textures.
TEST_F(VideoViewRenderTest, PicturesOfOneSizeShowAsIfEachWereTheFirst) {
  auto view = makeView();
  const QImage first = test::cameraScene(1, 64, 48), second = test::cameraScene(2, 64, 48);
  const QImage larger = test::cameraScene(4, 352, 240);
  pictures.push_back(TestPicture::fromImage(first));
  pictures.push_back(TestPicture::fromImage(second));
  pictures.push_back(TestPicture::fromImage(larger));
  const TestPicture& a = *pictures[0];
  const TestPicture& b = *pictures[1];
  const TestPicture& c = *pictures[2];
  for (int64_t plane : {5, 6, 7}) view->clearPlane(plane, false, false);
  view->setVideoFrame(a.decoded(), 5);
  shotOf(*view);  // drawn once with the first picture
  view->setVideoFrame(b.decoded(), 5);
  view->setVideoFrame(b.decoded(), 6);
  QImage shot = shotOf(*view);
  EXPECT_EQ(pictureAreaOf(shot, 5), pictureAreaOf(shot, 6));
  EXPECT_NE(pictureAreaOf(shot, 5), pictureAreaOf(shot, 4)) << "the picture shows at all";
  // A larger picture (line 384), then the same again: new storage, then reused.
  view->setVideoFrame(c.decoded(), 5);
  shotOf(*view);
  view->setVideoFrame(c.decoded(), 5);
  view->setVideoFrame(c.decoded(), 7);
  shot = shotOf(*view);
  EXPECT_EQ(pictureAreaOf(shot, 5), pictureAreaOf(shot, 7));
  EXPECT_NE(pictureAreaOf(shot, 5), pictureAreaOf(shot, 6));
  // And back to the small size.
  view->setVideoFrame(b.decoded(), 5);
  shot = shotOf(*view);
  EXPECT_EQ(pictureAreaOf(shot, 5), pictureAreaOf(shot, 6));
}

// Only the shown page is drawn: every cell shows its own plane's picture whichever page
// is shown, and nothing of the pages before or after it.
TEST_F(VideoViewRenderTest, EveryPageShowsItsOwnPlanesOnly) {
  auto view = makeView();
  const auto colourOf = [](int64_t plane) {
    return test::Yuv8Colour{static_cast<uint8_t>(40 + 3 * plane), static_cast<uint8_t>(80 + 30 * (plane % 4)),
                            static_cast<uint8_t>(80 + 30 * ((plane / 4) % 4))};
  };
  for (int64_t first : {16, 0, 48, 32}) {
    view->setSelectedPlane(first);
    // Planes that come into view start black: feed the whole wall after the page moved.
    for (int64_t plane = 0; plane < 64; ++plane) show(*view, plane, colourOf(plane));
    const QImage shot = shotOf(*view);
    for (int64_t plane = first; plane < first + 16; ++plane) {
      const QPoint centre = centreOf(plane % 16) + QPoint(0, 20);
      EXPECT_TRUE(test::near(rgbAt(shot, centre.x(), centre.y()), expected(colourOf(plane)), 3))
          << "page of " << first << ", plane " << plane << ": " << rgbAt(shot, centre.x(), centre.y());
    }
  }
}

TEST_F(VideoViewRenderTest, FollowsResizes) {
  auto view = makeView();
  show(*view, 15, Green);
  view->resize(600, 400);
  const QImage shot = shotOf(*view);
  ASSERT_EQ(shot.size(), QSize(600, 400) * view->devicePixelRatio());
  EXPECT_TRUE(test::near(rgbAt(shot, 525, 350), expected(Green), 3)) << rgbAt(shot, 525, 350);
}

// Runs in a child process with QT_SCALE_FACTOR=2 (see below).
TEST_F(VideoViewRenderTest, DevicePixelRatioTwoChild) {
  if (qgetenv("ZELVO_WALL_HIDPI_CHILD") != "1") GTEST_SKIP() << "run by DevicePixelRatioTwo";
  auto view = makeView();
  ASSERT_EQ(view->devicePixelRatio(), 2);
  show(*view, 15, Green);
  show(*view, 0, Red);
  const QImage shot = shotOf(*view);
  ASSERT_EQ(shot.size(), QSize(800, 600));
  // The wall fills the whole widget in device pixels, not its top left quarter.
  EXPECT_TRUE(test::near(rgbAt(shot, 700, 525), expected(Green), 3)) << rgbAt(shot, 700, 525);
  EXPECT_TRUE(test::near(rgbAt(shot, 100, 75), expected(Red), 3)) << rgbAt(shot, 100, 75);
  // Clicks are in logical pixels.
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(15));
  EXPECT_EQ(view->selectedPlane(), 15);
}

TEST_F(VideoViewRenderTest, DevicePixelRatioTwo) {
  if (qgetenv("ZELVO_WALL_HIDPI_CHILD") == "1") GTEST_SKIP();
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_SCALE_FACTOR", "2");
  env.insert("ZELVO_WALL_HIDPI_CHILD", "1");
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=VideoViewRenderTest.DevicePixelRatioTwoChild", "--gtest_also_run_disabled_tests"});
  ASSERT_TRUE(child.waitForFinished(120000));
  const QByteArray output = child.readAll();
  EXPECT_EQ(child.exitCode(), 0) << output.constData();
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
}


// Moves the X server's pointer as an operator's hand would: press on one point, drag in
// steps, release on another. Returns once xdotool has started; the process is the
// caller's, which waits for it to end before it lets the pointer go.
void xtestDrag(QProcess& process, QPoint from, QPoint to) {
  QStringList args{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.1",
                   "mousedown", "1", "sleep", "0.1"};
  for (int step = 1; step <= 8; ++step) {
    const QPoint at = from + (to - from) * step / 8;
    args << "mousemove" << QString::number(at.x()) << QString::number(at.y()) << "sleep" << "0.05";
  }
  args << "mousemove" << QString::number(to.x() + 1) << QString::number(to.y() + 1) << "sleep" << "0.2"
       << "mouseup" << "1";
  process.start("xdotool", args);
  ASSERT_TRUE(process.waitForStarted()) << "xdotool is needed for the XTest drag";
}

// xdotool, for as long as it may still move the pointer: it ends before the input lock
// goes, so a test that fails half way neither leaves a process behind nor lets it drag
// through the next test's windows.
class XdotoolProcess {
 public:
  XdotoolProcess() = default;
  XdotoolProcess(const XdotoolProcess&) = delete;
  XdotoolProcess& operator=(const XdotoolProcess&) = delete;
  ~XdotoolProcess() {
    if (process_.state() == QProcess::NotRunning) return;
    if (!process_.waitForFinished(20000)) {
      process_.kill();
      process_.waitForFinished();
    }
  }
  QProcess& operator*() { return process_; }

 private:
  QProcess process_;
};

class VideoViewDragTest : public VideoViewRenderTest {
 protected:
  void SetUp() override {
    VideoViewRenderTest::SetUp();
    if (IsSkipped()) return;
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) GTEST_SKIP() << "xdotool not installed";
    ASSERT_TRUE(folder.isValid());
    auto site = std::make_shared<SiteInfo>();
    auto titles = std::make_shared<CameraTitleMap>();
    (*titles)["4"] = "Loading dock";
    (*titles)["1"] = "Back door";
    site->setCamTitles(titles);
    queries.planes[2] = {3, test::cameraInfo(3, 1, 1), site};
    queries.planes[5] = {0, test::cameraInfo(0, 1, 1), site};
  }

  std::unique_ptr<VideoView> makeDragView() {
    auto view = makeView();
    view->move(test::PointerArea);
    view->setSnapshotFolder(folder.path());
    view->setClock([] { return QDateTime(QDate(2026, 12, 9), QTime(9, 15, 9)); });
    show(*view, 2, Red);
    show(*view, 5, Green);
    return view;
  }

  void drag(QPoint from, QPoint to) { xtestDrag(*xdotool_, from, to); }

  QTemporaryDir folder;
  // Held from before the windows appear until they are gone.
  test::SharedDeviceLock input{"input"};
  XdotoolProcess xdotool_;  // after the lock: it ends first
};

TEST_F(VideoViewDragTest, PlaneDraggedOntoAnotherWithTheXServersPointer) {
  auto view = makeDragView();
  test::NotificationSpy spy(*view);
  bool draggingWhenTold = true;
  Observation observation(NotificationCenter::defaultCenter(), VideoViewPlaneDraggedNotification,
                          view->notificationObject(), [&](const Notification&) { draggingWhenTold = view->isDragging(); });
  bool finished = false;
  QObject::connect(view.get(), &VideoView::planeDragFinished, [&] { finished = true; });
  drag(view->mapToGlobal(centreOf(5)), view->mapToGlobal(centreOf(9)));
  ASSERT_TRUE(test::waitUntil([&] { return finished && !spy.names.empty(); }));
  ASSERT_EQ(spy.names.back(), VideoViewPlaneDraggedNotification);
  const Notification& n = spy.notifications.back();
  ASSERT_TRUE(n.get<int64_t>(VideoViewPlaneSourceKey) && n.get<int64_t>(VideoViewPlaneTargetKey));
  EXPECT_EQ(*n.get<int64_t>(VideoViewPlaneSourceKey), 5);
  EXPECT_EQ(*n.get<int64_t>(VideoViewPlaneTargetKey), 9);
  EXPECT_FALSE(draggingWhenTold) << "told after the drag loop returned";
  EXPECT_FALSE(view->isDragging());
  EXPECT_FALSE(view->holdsSnapshot());
  // The dragged plane's snapshot went out as a file, at the picture's own size.
  const QImage file(folder.filePath("Zelvo_Back door_2026-12-09 09.15.09 AM.jpg"));
  ASSERT_FALSE(file.isNull());
  EXPECT_EQ(file.size(), QSize(64, 48));
  EXPECT_TRUE(test::near(rgbAt(file, 32, 24), expected(Green), 12)) << rgbAt(file, 32, 24);
  // Keys work again.
  view->setFocus();
  QTest::keyClick(view.get(), Qt::Key_Right);
  EXPECT_EQ(view->selectedPlane(), 6);
}

TEST_F(VideoViewDragTest, UnboundPlaneDragIsRefused) {
  auto view = makeDragView();
  test::NotificationSpy spy(*view);
  bool finished = false;
  QObject::connect(view.get(), &VideoView::planeDragFinished, [&] { finished = true; });
  // Plane 7 is bound to nothing.
  drag(view->mapToGlobal(centreOf(7)), view->mapToGlobal(centreOf(9)));
  ASSERT_TRUE(test::waitUntil([&] { return finished; }));
  QCoreApplication::processEvents();
  for (const std::string& name : spy.names) EXPECT_NE(name, VideoViewPlaneDraggedNotification);
  EXPECT_FALSE(view->isDragging());
  EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty()) << "no file for a plane without a picture";
}

// Stands for a file manager's window: takes file drops and keeps what they carried.
class FileDropTarget : public QWidget {
 public:
  FileDropTarget() { setAcceptDrops(true); }
  QList<QUrl> urls;
  Qt::DropAction action = Qt::IgnoreAction;
  bool hadPlaneType = false;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
  }
  void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
  void dropEvent(QDropEvent* event) override {
    urls = event->mimeData()->urls();
    hadPlaneType = event->mimeData()->hasFormat(PasteBoardTypePlaneDragged);
    event->acceptProposedAction();
    action = event->dropAction();
  }
};

TEST_F(VideoViewDragTest, PlaneDraggedOutCarriesItsSnapshotFile) {
  auto view = makeDragView();
  FileDropTarget target;
  target.resize(200, 200);
  target.move(test::PointerArea + QPoint(600, 0));
  target.show();
  ASSERT_TRUE(test::waitUntil([&] { return target.isVisible() && target.windowHandle() && target.windowHandle()->isExposed(); }));
  bool finished = false;
  QObject::connect(view.get(), &VideoView::planeDragFinished, [&] { finished = true; });
  drag(view->mapToGlobal(centreOf(5)), target.mapToGlobal(QPoint(100, 100)));
  ASSERT_TRUE(test::waitUntil([&] { return finished; }));
  ASSERT_EQ(target.urls.size(), 1);
  EXPECT_EQ(target.urls.front().toLocalFile(), folder.filePath("Zelvo_Back door_2026-12-09 09.15.09 AM.jpg"));
  EXPECT_EQ(target.action, Qt::CopyAction);
  EXPECT_FALSE(QImage(target.urls.front().toLocalFile()).isNull());
  EXPECT_FALSE(view->isDragging());
}

TEST_F(VideoViewDragTest, VideoLossPlaneMovesWithoutAFile) {
  queries.planes[6] = {1, test::cameraInfo(1, 3, 1), nullptr};
  auto view = makeDragView();
  test::NotificationSpy spy(*view);
  bool finished = false;
  QObject::connect(view.get(), &VideoView::planeDragFinished, [&] { finished = true; });
  drag(view->mapToGlobal(centreOf(6)), view->mapToGlobal(centreOf(10)));
  ASSERT_TRUE(test::waitUntil([&] { return finished && !spy.names.empty(); }));
  EXPECT_EQ(spy.names.back(), VideoViewPlaneDraggedNotification);
  EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(VideoViewDragTest, CopyThenDragAnotherPlaneThenPasteGivesTheCopiedPlane) {
  test::SharedDeviceLock clipboard("clipboard");
  auto view = makeDragView();
  view->setSelectedPlane(2);
  ASSERT_TRUE(view->canCopy());
  view->copy();
  bool finished = false;
  QObject::connect(view.get(), &VideoView::planeDragFinished, [&] { finished = true; });
  drag(view->mapToGlobal(centreOf(5)), view->mapToGlobal(centreOf(9)));
  ASSERT_TRUE(test::waitUntil([&] { return finished; }));
  const QMimeData* pasted = QGuiApplication::clipboard()->mimeData();
  ASSERT_TRUE(pasted);
  const QList<QUrl> urls = pasted->urls();
  ASSERT_EQ(urls.size(), 1);
  EXPECT_TRUE(urls.front().toLocalFile().endsWith("/Zelvo_Loading dock_2026-12-09 09.15.09 AM.jpg"))
      << urls.front().toString().toStdString();
  const QImage image(urls.front().toLocalFile());
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(64, 48));
  EXPECT_TRUE(test::near(rgbAt(image, 32, 24), expected(Red), 12)) << rgbAt(image, 32, 24);
  // Every request: the same URL.
  EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->urls(), urls);
}


// A paste that took the clipboard's URL may read the file much later: a drag of another
// plane in between writes its own file and leaves the clipboard's where it is.
TEST_F(VideoViewDragTest, CopyLeavesItsFileThroughALaterDragOfAnotherPlane) {
  test::SharedDeviceLock clipboard("clipboard");
  auto view = makeDragView();
  view->setSelectedPlane(2);
  ASSERT_TRUE(view->canCopy());
  view->copy();
  const QList<QUrl> urls = QGuiApplication::clipboard()->mimeData()->urls();
  ASSERT_EQ(urls.size(), 1);
  const QString copied = urls.front().toLocalFile();
  ASSERT_TRUE(QFileInfo(copied).isFile());
  bool finished = false;
  QObject::connect(view.get(), &VideoView::planeDragFinished, [&] { finished = true; });
  drag(view->mapToGlobal(centreOf(5)), view->mapToGlobal(centreOf(9)));
  ASSERT_TRUE(test::waitUntil([&] { return finished; }));
  // Looked at without asking the clipboard again.
  ASSERT_TRUE(QFileInfo(copied).isFile()) << "the drag removed the file the clipboard offers";
  const QImage image(copied);
  ASSERT_FALSE(image.isNull());
  EXPECT_TRUE(test::near(rgbAt(image, 32, 24), expected(Red), 12)) << rgbAt(image, 32, 24);
  // The drag's own file, of the plane it moved.
  const QImage dragged(folder.filePath("Zelvo_Back door_2026-12-09 09.15.09 AM.jpg"));
  ASSERT_FALSE(dragged.isNull());
  EXPECT_TRUE(test::near(rgbAt(dragged, 32, 24), expected(Green), 12)) << rgbAt(dragged, 32, 24);
  // A second copy replaces what the clipboard offers: the first copy's file goes.
  view->setSelectedPlane(9);
  queries.planes[9] = queries.planes[5];
  show(*view, 9, Blue);
  ASSERT_TRUE(view->canCopy());
  view->copy();
  EXPECT_FALSE(QFileInfo::exists(copied));
  const QList<QUrl> second = QGuiApplication::clipboard()->mimeData()->urls();
  ASSERT_EQ(second.size(), 1);
  const QImage secondImage(second.front().toLocalFile());
  ASSERT_FALSE(secondImage.isNull());
  EXPECT_TRUE(test::near(rgbAt(secondImage, 32, 24), expected(Blue), 12)) << rgbAt(secondImage, 32, 24);
}

// The wall as an operator sees it, 1280 x 720, 4 x 4: cameras live with their titles,
// PTZ marks, and the states a plane can be in.
class VideoViewScreenshotTest : public VideoViewRenderTest {
 protected:
  void showScene(VideoView& view, int64_t plane, int scene) {
    pictures.push_back(TestPicture::fromImage(test::cameraScene(scene, 640, 360)));
    view.setVideoFrame(pictures.back()->decoded(), plane);
  }
};

const char* const Titles[] = {"Front door", "Parking lot", "Lobby",     "Loading dock", "North fence",
                              "Main street", "Reception",  "Back yard", "Warehouse",    "Side gate",
                              "Corridor",    "Stairwell B", "Roof east"};

TEST_F(VideoViewScreenshotTest, DropHighlight) {
  auto view = makeView({1280, 720});
  for (int64_t plane = 0; plane < 13; ++plane) {
    queries.planes[plane] = {plane, test::cameraInfo(plane, 1, 1, plane % 4 == 1, Titles[plane]), nullptr};
    // As the controller does: the plane painted from its camera, then the pictures come.
    view->updatePlane(plane, *queries.planes[plane].info);
    showScene(*view, plane, static_cast<int>(plane));
  }
  const QImage before = shotOf(*view);
  EXPECT_GT(qGray(before.pixel(160, 40)), 60) << "plane 0 shows its camera";
  // A 16-camera site from the site tree, held over plane 13 (bottom row, second column).
  SiteInfo site;
  site.setName(QStringLiteral("Warehouse DVR"));
  site.setCameraCount(16);
  QMimeData data;
  data.setData(PasteBoardTypeConnectionTarget, archivedDataWithRootObject(site));
  const QPoint over(480, 630);
  QDragEnterEvent enter(over, Qt::CopyAction, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDragMoveEvent move(over, Qt::CopyAction, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(view.get(), &move);
  ASSERT_TRUE(move.isAccepted());
  const QImage shot = shotOf(*view);
  saveShot(shot, "wall-drop-highlight.png");
  // Planes 13 to 15 are marked; plane 12 and the live planes are as before.
  for (int64_t plane : {13, 14, 15}) {
    const QPoint edge(int(plane % 4) * 320 + 160, 540 + 3);
    EXPECT_NE(shot.pixel(edge), before.pixel(edge)) << "plane " << plane;
  }
  EXPECT_EQ(shot.pixel(160, 543), before.pixel(160, 543)) << "plane 12";
  QDragLeaveEvent leave;
  QCoreApplication::sendEvent(view.get(), &leave);
  const QImage after = shotOf(*view);
  EXPECT_EQ(after.pixel(800, 543), before.pixel(800, 543)) << "the highlight goes with the drag";
}

TEST_F(VideoViewScreenshotTest, PlaneStates) {
  auto view = makeView({1280, 720});
  for (int64_t plane = 0; plane < 12; ++plane) {
    queries.planes[plane] = {plane, test::cameraInfo(plane, 1, 1, plane % 4 == 1 || plane == 4, Titles[plane]), nullptr};
  }
  queries.planes[6].info = test::cameraInfo(6, 2, 1, false, "Reception");     // inactive
  queries.planes[9].info = test::cameraInfo(9, 3, 1, false, "Side gate");     // video loss
  queries.planes[10].info = test::cameraInfo(10, 1, 2, false, "Corridor");    // covert
  queries.planes[11].info = test::cameraInfo(11, 1, 3, false, "Stairwell B");  // hidden: default title
  for (auto& [plane, state] : queries.planes) {
    view->updatePlane(plane, *state.info);
    if (state.info->isVisible()) showScene(*view, plane, static_cast<int>(plane));
  }
  // Two planes whose recorder went away: the disconnected picture, their titles kept.
  for (int64_t plane : {14, 15}) {
    view->updatePlane(plane, test::cameraInfo(plane - 14, 1, 1, false, plane == 14 ? "Gate A" : "Gate B"));
    view->clearPlane(plane, true, false);
  }
  // Planes 12 and 13 are empty and show their numbers.
  view->clearPlanes({12, 13}, false, true);
  view->setSelectedPlane(5);
  // Activated inside this process only: tests beside it on the display cannot take it away.
  QApplication::setActiveWindow(view.get());
  view->setFocus();
  ASSERT_TRUE(test::waitUntil([&] { return view->hasFocus(); }));
  const QImage shot = shotOf(*view);
  saveShot(shot, "wall-states.png");
  // The focused ring on plane 5; the inactive, video-loss, covert and disconnected backgrounds.
  EXPECT_TRUE(test::near(rgbAt(shot, 480, 181), bytes(0.98f, 0.87f, 0.47f), 8)) << rgbAt(shot, 480, 181);
  const test::Rgb8 inactive = rgbAt(shot, 800, 300);
  EXPECT_TRUE(inactive.r == inactive.b && inactive.r > 80) << inactive;
  const test::Rgb8 loss = rgbAt(shot, 480, 450);
  EXPECT_TRUE(loss.b > 200 && loss.r < 50) << loss;
  const test::Rgb8 covert = rgbAt(shot, 800, 450);
  EXPECT_TRUE(covert.r == covert.b && covert.r > 80) << covert;
  const test::Rgb8 disconnected = rgbAt(shot, 1120, 630);
  EXPECT_TRUE(disconnected.r == disconnected.b && disconnected.r < 70 && disconnected.r > 8) << disconnected;
  EXPECT_EQ(rgbAt(shot, 160, 630), (test::Rgb8{0, 0, 0})) << "an empty plane is black";
  EXPECT_GT(qGray(shot.pixel(160, 40)), 60) << "plane 0 shows its camera";
  // The PTZ mark of plane 1 near its cell's top right corner.
  EXPECT_GT(qGray(shot.pixel(640 - 15, 15)), 200);
}

}  // namespace
}  // namespace zelvo
