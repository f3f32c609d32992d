// The site status page drawn into an image and probed where its pictures must be, at the
// design width and wider and narrower ones; its fields and alarm buttons as the site panel
// drives them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Resources/Resources.h"
#include "ViewControllers/SitePanel/DVRInfoView.h"
#include "ViewControllers/Store/SiteInfo.h"

namespace zelvo {
namespace {

// One solid colour per picture, at the size of the application's own picture.
const std::map<QString, QColor>& pictureColours() {
  static const std::map<QString, QColor> colours{
      {"right_info_bg_3.png", QColor(255, 0, 0)},         {"right_dvr_info_bg_2.png", QColor(0, 255, 0)},
      {"right_dvr_info_bg_1.png", QColor(0, 0, 255)},     {"right_dvr_camera_bg_1.png", QColor(255, 255, 0)},
      {"right_dvr_camera_bg_2.png", QColor(0, 255, 255)}, {"right_dvr_bg_3.png", QColor(255, 0, 255)},
      {"right_dvr_video.png", QColor(10, 20, 30)},        {"right_dvr_video_dimmed.png", QColor(40, 50, 60)},
      {"right_dvr_inactive.png", QColor(70, 80, 90)},     {"right_dvr_videoloss.png", QColor(100, 110, 120)},
      {"right_dvr_motion_select.png", QColor(130, 140, 150)}, {"right_dvr_motion_normal.png", QColor(160, 170, 180)},
      {"right_dvr_motion_dimmed.png", QColor(190, 200, 210)}, {"right_dvr_sensor_select.png", QColor(220, 230, 5)},
      {"right_dvr_sensor_normal.png", QColor(5, 120, 240)},
  };
  return colours;
}

QImage solidPicture(const QString& name) {
  const auto found = pictureColours().find(name);
  if (found == pictureColours().end()) return {};
  QString base = name;
  base.chop(4);
  const QImage real = imageResource(base, "png");
  QImage picture(real.isNull() ? QSize(1, 1) : real.size(), QImage::Format_ARGB32);
  picture.fill(found->second);
  return picture;
}

QSize pictureSize(const char* name) { return solidPicture(name).size(); }

// The status page as the panel's form lays it out at the design size.
std::unique_ptr<QWidget> makeForm() {
  auto page = std::make_unique<QWidget>();
  page->setObjectName("dvrView");
  page->resize(213, 519);
  const char* infoNames[] = {"siteName", "address", "siteInfo", "userInfo"};
  for (int i = 0; i < 4; ++i) {
    auto* label = new QLabel(page.get());
    label->setObjectName(infoNames[i]);
    label->setGeometry(44, 10 + 21 * i, 125, 16);
  }
  for (int i = 0; i < 16; ++i) {
    auto* label = new QLabel(page.get());
    label->setObjectName(QString("cameraText%1").arg(i + 1));
    label->setGeometry(5, 109 + 26 * i, 81, 16);
    label->setProperty("tag", i);
    auto* button = new QPushButton(QString::number(i + 1), page.get());
    button->setObjectName(QString("alarm%1").arg(i + 1));
    button->setGeometry(161, 108 + 26 * i, 48, 18);
    button->setCheckable(true);
    button->setProperty("tag", i);
  }
  return page;
}

class DVRInfoViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A host without a layout: the view keeps whatever size a test gives it, and, shown,
    // hears of each new size at once.
    host_ = std::make_unique<QWidget>();
    host_->resize(1200, 1400);
    QWidget* placeholder = makeForm().release();
    placeholder->setParent(host_.get());
    view_ = DVRInfoView::replacePlaceholder(placeholder);
    view_->setImageLoader(solidPicture);
    host_->show();
    QCoreApplication::processEvents();
  }

  QImage render(int width, int height = 519) {
    view_->resize(width, height);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    // The pictures alone: the fields and buttons are hidden while drawing.
    std::vector<QWidget*> shown;
    for (QWidget* child : view_->findChildren<QWidget*>())
      if (!child->isHidden()) {
        child->hide();
        shown.push_back(child);
      }
    view_->render(&image);
    for (QWidget* child : shown) child->show();
    return image;
  }

  static QColor at(const QImage& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return QColor(Qt::transparent);
    return image.pixelColor(x, y);
  }
  static QColor colour(const char* name) { return pictureColours().at(name); }

  static std::vector<CameraInfo> cameras(int count, int32_t status = 1, int32_t covert = 1) {
    std::vector<CameraInfo> list(count);
    for (int i = 0; i < count; ++i) {
      list[i].setNumber(i);
      list[i].setTitle("Door " + std::to_string(i + 1));
      list[i].setStatus(status);
      list[i].setCovertLevel(covert);
    }
    return list;
  }

  std::unique_ptr<QWidget> host_;
  DVRInfoView* view_ = nullptr;
};

TEST(DVRInfoViewPlaceholderTest, TakesThePlaceholdersPageInItsStack) {
  QStackedWidget stack;
  stack.addWidget(new QWidget);
  QWidget* placeholder = makeForm().release();
  stack.addWidget(placeholder);
  stack.addWidget(new QWidget);
  stack.setCurrentIndex(1);
  DVRInfoView* view = DVRInfoView::replacePlaceholder(placeholder);
  EXPECT_EQ(stack.count(), 3);
  EXPECT_EQ(stack.widget(1), view);
  EXPECT_EQ(stack.currentWidget(), view);
  stack.show();
  EXPECT_TRUE(view->isVisible()) << "the current page shows";
  EXPECT_EQ(view->objectName(), "dvrView");
  EXPECT_EQ(view->findChild<QLabel*>("cameraText16")->geometry(), QRect(5, 109 + 26 * 15, 81, 16));
}

TEST_F(DVRInfoViewTest, TakesItsOutletsFromTheForm) {
  EXPECT_EQ(view_->objectName(), "dvrView");
  ASSERT_EQ(view_->cameraTextArray().size(), 16u);
  ASSERT_EQ(view_->alarmButtonArray().size(), 16u);
  EXPECT_EQ(view_->cameraTextArray()[3]->objectName(), "cameraText4");
  EXPECT_EQ(view_->alarmButtonArray()[15]->objectName(), "alarm16");
  EXPECT_NE(view_->siteNameField(), nullptr);
  EXPECT_EQ(view_->textFieldForTag(16), nullptr);
  EXPECT_EQ(view_->alarmButtonForTag(-1), nullptr);
  for (QAbstractButton* button : view_->alarmButtonArray()) EXPECT_TRUE(button->isHidden()) << "alarm count 0";
}

// The site box: four rows 21 apart from the top, its middle stretched to width - 88.
TEST_F(DVRInfoViewTest, SiteBoxRowsAnchorToTheTopAndStretchTheirMiddle) {
  const int pieceHeight = pictureSize("right_info_bg_3.png").height();
  const int leftWidth = pictureSize("right_info_bg_3.png").width();
  const int rightWidth = pictureSize("right_dvr_info_bg_1.png").width();
  for (int width : {213, 300, 126 + 4, 89}) {
    SCOPED_TRACE(width);
    const QImage image = render(width);
    const int middle = width - 88;
    for (int row = 0; row < 4; ++row) {
      const int top = 28 + 21 * row - pieceHeight;
      EXPECT_EQ(at(image, 5, top + 1), colour("right_info_bg_3.png"));
      EXPECT_EQ(at(image, 5 + leftWidth + middle / 2, top + pieceHeight - 1), colour("right_dvr_info_bg_2.png"));
      EXPECT_EQ(at(image, 5 + leftWidth + middle + rightWidth - 1, top + 1), colour("right_dvr_info_bg_1.png"));
    }
    EXPECT_EQ(at(image, 4, 8), QColor(Qt::white)) << "left of the box";
  }
}

TEST_F(DVRInfoViewTest, NoSiteBoxAt88PointsOrLess) {
  for (int width : {88, 60}) {
    SCOPED_TRACE(width);
    const QImage image = render(width);
    for (int x = 0; x < width; ++x) EXPECT_EQ(at(image, x, 8 + 5), QColor(Qt::white)) << x;
  }
}

// Camera rows 26 apart, 107 from the top at the design height; the picture columns keep
// their distances from the right edge.
TEST_F(DVRInfoViewTest, CameraRowsAnchorToTheTopAndColumnsToTheRightEdge) {
  view_->updateCameraCount(3, 2, 0);
  view_->updateCameraInfoArray(cameras(3));
  for (int width : {213, 300}) {
    for (int height : {519, 400}) {
      SCOPED_TRACE(testing::Message() << width << " x " << height);
      const QImage image = render(width, height);
      for (int row = 0; row < 3; ++row) {
        const int rowTop = 127 + 26 * row - 20;
        const int top = 124 + 26 * row - 14;
        EXPECT_EQ(at(image, 2, rowTop + 10), colour("right_dvr_camera_bg_1.png"));
        EXPECT_EQ(at(image, 4 + (width - 130) / 2, rowTop + 10), colour("right_dvr_camera_bg_2.png"));
        EXPECT_EQ(at(image, width - 126 + 120, rowTop + 1), colour("right_dvr_bg_3.png"));
        EXPECT_EQ(at(image, width - 118 + 7, top + 7), colour("right_dvr_video.png"));
        EXPECT_EQ(at(image, width - 96 + 7, top + 7), colour("right_dvr_motion_normal.png"));
        if (row < 2) EXPECT_EQ(at(image, width - 74 + 7, top + 7), colour("right_dvr_sensor_normal.png"));
        else EXPECT_NE(at(image, width - 74 + 7, top + 7), colour("right_dvr_sensor_normal.png")) << "2 sensors";
      }
      EXPECT_EQ(at(image, 2, 127 + 26 * 3 - 10), QColor(Qt::white)) << "three rows only";
    }
  }
}

// At 126 points plus the row's left piece the middle has no width: the first row's left
// piece is all that is drawn of the row background.
TEST_F(DVRInfoViewTest, NarrowViewDrawsOnlyTheFirstRowsLeftPiece) {
  view_->updateCameraCount(0, 3, 0);
  const int width = 126 + pictureSize("right_dvr_camera_bg_1.png").width();
  const QImage image = render(width);
  EXPECT_EQ(at(image, 2, 107 + 10), colour("right_dvr_camera_bg_1.png"));
  EXPECT_EQ(at(image, 2, 107 + 26 + 10), QColor(Qt::white));
  for (int x = 5; x < width; ++x) {
    const QColor pixel = at(image, x, 107 + 1);
    EXPECT_NE(pixel, colour("right_dvr_camera_bg_2.png")) << x;
    EXPECT_NE(pixel, colour("right_dvr_bg_3.png")) << x;
  }
}

struct PictureCase {
  const char* name;
  int cameraCount;
  int32_t status;
  int32_t covert;
  uint32_t motion;
  const char* video;   // nullptr: no picture
  const char* motionPicture;
};

class DVRInfoViewPictureTest : public DVRInfoViewTest, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(DVRInfoViewPictureTest, PicksTheVideoAndMotionPictures) {
  const PictureCase& c = GetParam();
  view_->updateCameraCount(c.cameraCount, 0, 0);
  view_->updateCameraInfoArray(cameras(1, c.status, c.covert));
  view_->updateMotionMask(BitMask32(c.motion));
  const QImage image = render(213);
  const QColor video = at(image, 95 + 7, 110 + 7);
  if (c.video) EXPECT_EQ(video, colour(c.video));
  else EXPECT_EQ(video, colour("right_dvr_bg_3.png")) << "the row background shows through";
  EXPECT_EQ(at(image, 117 + 7, 110 + 7), colour(c.motionPicture));
}

INSTANTIATE_TEST_SUITE_P(
    States, DVRInfoViewPictureTest,
    ::testing::Values(
        PictureCase{"BeyondCameraCount", 0, 1, 1, 0, "right_dvr_video_dimmed.png", "right_dvr_motion_dimmed.png"},
        PictureCase{"BeyondCameraCountWithMotion", 0, 1, 1, 1, "right_dvr_video_dimmed.png",
                    "right_dvr_motion_dimmed.png"},
        PictureCase{"Normal", 1, 1, 1, 0, "right_dvr_video.png", "right_dvr_motion_normal.png"},
        PictureCase{"NormalButCovert", 1, 1, 2, 0, "right_dvr_inactive.png", "right_dvr_motion_normal.png"},
        PictureCase{"Inactive", 1, 2, 1, 0, "right_dvr_inactive.png", "right_dvr_motion_normal.png"},
        PictureCase{"VideoLoss", 1, 3, 1, 0, "right_dvr_videoloss.png", "right_dvr_motion_normal.png"},
        PictureCase{"VideoLossCovert", 1, 3, 2, 0, "right_dvr_videoloss.png", "right_dvr_motion_normal.png"},
        PictureCase{"StatusZero", 1, 0, 1, 0, nullptr, "right_dvr_motion_normal.png"},
        PictureCase{"Motion", 1, 1, 1, 1, "right_dvr_video.png", "right_dvr_motion_select.png"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DVRInfoViewTest, SensorPicturesFollowTheSensorMask) {
  view_->updateCameraCount(0, 3, 0);
  view_->updateSensorMask(BitMask32(0b010));
  const QImage image = render(213);
  EXPECT_EQ(at(image, 139 + 7, 110 + 7), colour("right_dvr_sensor_normal.png"));
  EXPECT_EQ(at(image, 139 + 7, 110 + 26 + 7), colour("right_dvr_sensor_select.png"));
  EXPECT_EQ(at(image, 139 + 7, 110 + 52 + 7), colour("right_dvr_sensor_normal.png"));
}

// A recorder may report more cameras, sensors and outputs than the view has fields or a
// mask has bits: those are left out, never a crash.
TEST_F(DVRInfoViewTest, ChannelsPastTheFieldsAndMaskBitsAreLeftOut) {
  view_->updateCameraCount(40, 40, 40);
  view_->updateCameraInfoArray(cameras(40));
  view_->updateMotionMask(BitMask32(0xFFFFFFFFu));
  view_->updateSensorMask(BitMask32(0xFFFFFFFFu));
  view_->enableAlarmButton(true);
  view_->updateAlarmInfo(std::vector<AlarmCommand>{AlarmCommand(20, true, true, ""), AlarmCommand(-1, true, true, ""),
                                                   AlarmCommand(2, true, true, "")});
  const QImage image = render(213, 519 + 26 * 30);
  EXPECT_EQ(at(image, 117 + 7, 110 + 26 * 31 + 7), colour("right_dvr_motion_select.png"));
  EXPECT_EQ(at(image, 117 + 7, 110 + 26 * 32 + 7), colour("right_dvr_motion_normal.png")) << "camera 33 has no bit";
  EXPECT_EQ(at(image, 139 + 7, 110 + 26 * 35 + 7), colour("right_dvr_sensor_normal.png"));
  EXPECT_EQ(view_->cameraTextArray()[15]->text(), "Door 16");
  EXPECT_TRUE(view_->alarmButtonForTag(2)->isChecked());
  view_->updateAlarmInfo(std::nullopt);
  EXPECT_FALSE(view_->alarmButtonForTag(15)->isEnabled());
}

TEST_F(DVRInfoViewTest, ShowsTheSiteAsPlainTextAndAutoDetectedSitesWithoutAddress) {
  SiteInfo site;
  site.setName(QString("<b>Lobby</b>"));
  site.setAddress(QString("10.0.0.7"));
  site.setDvrInfo(QString("front desk"));
  site.setUser(QString("admin"));
  site.setCameraCount(4);
  site.setSensorCount(2);
  site.setAlarmCount(3);
  view_->showSiteStatus(&site);
  EXPECT_EQ(view_->siteNameField()->text(), "<b>Lobby</b>");
  EXPECT_EQ(view_->siteNameField()->textFormat(), Qt::PlainText);
  EXPECT_EQ(view_->addressField()->text(), "10.0.0.7");
  EXPECT_EQ(view_->siteInfoField()->text(), "front desk");
  EXPECT_EQ(view_->userInfoField()->text(), "admin");
  EXPECT_EQ(view_->cameraCount(), 4);
  EXPECT_EQ(view_->sensorCount(), 2);
  EXPECT_EQ(view_->alarmCount(), 3);

  site.setAutoDetect(true);
  site.setDvrInfo(std::nullopt);
  site.setUser(std::nullopt);
  view_->showSiteStatus(&site);
  EXPECT_EQ(view_->addressField()->text(), "Auto Detection");
  EXPECT_EQ(view_->siteInfoField()->text(), "");
  EXPECT_EQ(view_->userInfoField()->text(), "");

  view_->showSiteStatus(nullptr);
  for (QLabel* field : {view_->siteNameField(), view_->addressField(), view_->siteInfoField(), view_->userInfoField()})
    EXPECT_EQ(field->text(), "");
  EXPECT_EQ(view_->cameraCount(), 0);
  EXPECT_EQ(view_->alarmCount(), 0);
}

TEST_F(DVRInfoViewTest, CameraTitlesShowOnlyForNormalInactiveAndVideoLossCameras) {
  std::vector<CameraInfo> list = cameras(5);
  list[1].setStatus(2);
  list[2].setStatus(3);
  list[3].setStatus(0);
  list[4].setCovertLevel(3);
  view_->updateCameraInfoArray(list);
  const auto& fields = view_->cameraTextArray();
  EXPECT_EQ(fields[0]->text(), "Door 1");
  EXPECT_EQ(fields[1]->text(), "Door 2");
  EXPECT_EQ(fields[2]->text(), "Door 3");
  EXPECT_EQ(fields[3]->text(), "");
  EXPECT_EQ(fields[4]->text(), "CAM5") << "a hidden camera shows its default title";
  EXPECT_EQ(fields[5]->text(), "");
  EXPECT_EQ(DVRInfoView::stringByCameraInfo(nullptr, 0), "");
  view_->updateCameraInfoArray(cameras(1));
  EXPECT_EQ(fields[1]->text(), "") << "titles of rows gone are cleared";
}

TEST_F(DVRInfoViewTest, FieldsWidenWithTheViewAndAlarmButtonsKeepToTheRightEdge) {
  view_->updateCameraInfoArray(cameras(2));
  view_->resize(300, 519);
  EXPECT_EQ(view_->changedViewWidthValue(), 213.0 - 300.0);
  EXPECT_EQ(view_->cameraTextArray()[0]->width(), 81 + 87);
  EXPECT_EQ(view_->cameraTextArray()[1]->width(), 81 + 87);
  EXPECT_EQ(view_->cameraTextArray()[2]->width(), 81) << "rows without a camera keep their width";
  EXPECT_EQ(view_->siteNameField()->width(), 125 + 87);
  EXPECT_EQ(view_->userInfoField()->height(), view_->siteNameField()->height());
  EXPECT_EQ(view_->alarmButtonForTag(0)->x(), 161 + 87);
  view_->resize(150, 519);
  EXPECT_EQ(view_->cameraTextArray()[0]->width(), 81 - 63);
  EXPECT_EQ(view_->siteNameField()->width(), 125 - 63);
  view_->resize(60, 519);
  EXPECT_EQ(view_->siteNameField()->width(), 0);
}

TEST_F(DVRInfoViewTest, AlarmButtonsFollowTheOutputCountAndStates) {
  view_->updateCameraCount(4, 0, 4);
  view_->enableAlarmButton(true);
  for (int tag = 0; tag < 16; ++tag) EXPECT_EQ(view_->alarmButtonForTag(tag)->isHidden(), tag >= 4) << tag;

  view_->updateAlarmInfo(std::vector<AlarmCommand>{AlarmCommand(1, true, true, ""), AlarmCommand(3, true, false, "")});
  EXPECT_FALSE(view_->alarmButtonForTag(0)->isChecked());
  EXPECT_TRUE(view_->alarmButtonForTag(1)->isChecked());
  EXPECT_TRUE(view_->alarmButtonForTag(1)->isEnabled());

  view_->updateAlarmInfo(std::vector<AlarmCommand>{});
  EXPECT_TRUE(view_->alarmButtonForTag(1)->isChecked()) << "an empty list changes nothing";

  view_->updateAlarmInfo(std::nullopt);
  for (int tag = 0; tag < 4; ++tag) {
    EXPECT_FALSE(view_->alarmButtonForTag(tag)->isChecked()) << tag;
    EXPECT_FALSE(view_->alarmButtonForTag(tag)->isEnabled()) << tag;
  }

  view_->alarmButtonForTag(2)->setEnabled(true);
  view_->alarmButtonForTag(2)->setChecked(true);
  view_->enableAlarmButton(false);
  EXPECT_FALSE(view_->alarmButtonForTag(2)->isChecked());
  EXPECT_TRUE(view_->alarmButtonForTag(2)->isEnabled()) << "switched off, not disabled";
  EXPECT_FALSE(view_->alarmButtonForTag(2)->isHidden());
}

TEST_F(DVRInfoViewTest, AClickAsksForTheOutputsNewState) {
  view_->updateCameraCount(0, 0, 2);
  view_->enableAlarmButton(true);
  std::vector<std::pair<int, bool>> asked;
  QObject::connect(view_, &DVRInfoView::changeAlarmState, [&](int channel, bool on) { asked.emplace_back(channel, on); });
  view_->alarmButtonForTag(1)->click();
  view_->alarmButtonForTag(1)->click();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], std::make_pair(1, true));
  EXPECT_EQ(asked[1], std::make_pair(1, false));
}

TEST_F(DVRInfoViewTest, EveryPictureNameLoadsFromTheResources) {
  for (const auto& [name, unused] : pictureColours()) {
    QString base = name;
    base.chop(4);
    EXPECT_FALSE(imageResource(base, "png").isNull()) << name.toStdString();
  }
}

// The page with the application's own pictures and a recorder's worth of data: four
// cameras (one with motion, one with video loss, one inactive), two sensors (one active) and
// two alarm outputs (one on). With ZELVO_SCREENSHOT_DIR set to a folder the pictures are
// saved there as status-panel-213.png and status-panel-narrow.png:
//   ZELVO_SCREENSHOT_DIR=$PWD/docs xvfb-run -a -s "-screen 0 1280x1024x24"
//     build/default/tests/viewcontrollers_gui_tests --gtest_filter='DVRInfoViewScreenshot*'
TEST(DVRInfoViewScreenshot, ALiveRecorderAtTheDesignWidthAndNarrowed) {
  QWidget host;
  host.resize(400, 600);
  QWidget* placeholder = makeForm().release();
  placeholder->setParent(&host);
  DVRInfoView* view = DVRInfoView::replacePlaceholder(placeholder);
  host.show();
  QCoreApplication::processEvents();
  SiteInfo site;
  site.setName(QString("Front office"));
  site.setAddress(QString("192.168.1.20"));
  site.setDvrInfo(QString("Ground floor"));
  site.setUser(QString("admin"));
  site.setCameraCount(4);
  site.setSensorCount(2);
  site.setAlarmCount(2);
  view->showSiteStatus(&site);
  std::vector<CameraInfo> list(4);
  const char* titles[] = {"Entrance", "Yard", "Store", "Office"};
  const int32_t states[] = {1, 1, 3, 2};
  for (int i = 0; i < 4; ++i) {
    list[i].setNumber(i);
    list[i].setTitle(titles[i]);
    list[i].setStatus(states[i]);
    list[i].setCovertLevel(1);
  }
  view->updateCameraInfoArray(list);
  view->updateMotionMask(BitMask32(0b01));
  view->updateSensorMask(BitMask32(0b10));
  view->enableAlarmButton(true);
  view->updateAlarmInfo(std::vector<AlarmCommand>{AlarmCommand(0, true, true, ""), AlarmCommand(1, true, false, "")});
  for (const auto& [width, name] : {std::pair{213, "status-panel-213.png"}, std::pair{160, "status-panel-narrow.png"}}) {
    view->resize(width, 300);
    QCoreApplication::processEvents();
    QImage image(view->size(), QImage::Format_RGB32);
    view->render(&image);
    EXPECT_EQ(image.pixelColor(5 + 1, 28 - 10), imageResource("right_info_bg_3", "png").pixelColor(1, 10));
    EXPECT_EQ(view->siteNameField()->width(), width - 88);
    EXPECT_FALSE(view->alarmButtonForTag(1)->isHidden());
    EXPECT_TRUE(view->alarmButtonForTag(2)->isHidden());
    if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty()) {
      const QString path = QDir(QString::fromLocal8Bit(folder)).filePath(QString::fromLatin1(name));
      EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
    }
  }
}

}  // namespace
}  // namespace zelvo
