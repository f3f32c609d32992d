// The images the interface loads by name: every name the drawing code uses is there, at
// the size its drawing offsets were laid out for.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QSize>
#include <cctype>
#include <string>
#include <vector>

#include "Resources/Resources.h"

namespace zelvo {
namespace {

struct NamedImage {
  const char* name;  // exactly as the code names it
  int width;
  int height;
  bool doubleDensity;  // also shipped as name@2x.png
};

// The toolbar's own icons that no drawing code names are the ones with plain names of
// their own ("toolbar_connect.png"); everything else is named by the code that draws it.
const std::vector<NamedImage> kImages = {
    {"osd_ptz.png", 16, 16, false},
    // Main window toolbar.
    {"toolbar_setup_normal.png", 24, 24, true},
    {"toolbar_setup_clicked.png", 24, 24, true},
    {"toolbar_sequence_normal.png", 24, 24, true},
    {"toolbar_sequence_clicked.png", 24, 24, true},
    {"toolbar_view_left_normal.png", 24, 24, true},
    {"toolbar_view_left_clicked.png", 24, 24, true},
    {"toolbar_view_right_normal.png", 24, 24, true},
    {"toolbar_view_right_clicked.png", 24, 24, true},
    {"toolbar_connect.png", 24, 24, true},
    {"toolbar_disconnect.png", 24, 24, true},
    {"toolbar_favorite.png", 24, 24, true},
    {"toolbar_layout_previous.png", 24, 24, true},
    {"toolbar_layout_next.png", 24, 24, true},
    {"toolbar_volume_mute.png", 24, 24, true},
    {"toolbar_volume_maximize.png", 24, 24, true},
    // Toolbar information strip.
    {"toolbar_info_reconnect.png", 16, 16, true},
    {"toolbar_info_reconnect_pressed.png", 16, 16, true},
    {"toolbar_info_close.png", 16, 16, true},
    {"toolbar_info_close_pressed.png", 16, 16, true},
    {"toolbar_info_warning.png", 16, 16, true},
    {"toolbar_info_warning_pressed.png", 16, 16, true},
    // Site status view and control view.
    {"right_info_bg_3.png", 39, 20, false},
    {"right_dvr_info_bg_2.png", 4, 20, false},
    {"right_dvr_info_bg_1.png", 39, 20, false},
    {"right_dvr_camera_bg_1.png", 4, 20, false},
    {"right_dvr_camera_bg_2.png", 4, 20, false},
    {"right_dvr_bg_3.png", 124, 20, false},
    {"right_dvr_video.png", 14, 14, false},
    {"right_dvr_video_dimmed.png", 14, 14, false},
    {"right_dvr_inactive.png", 14, 14, false},
    {"right_dvr_videoloss.png", 14, 14, false},
    {"right_dvr_motion_select.png", 14, 14, false},
    {"right_dvr_motion_normal.png", 14, 14, false},
    {"right_dvr_motion_dimmed.png", 14, 14, false},
    {"right_dvr_sensor_select.png", 14, 14, false},
    {"right_dvr_sensor_normal.png", 14, 14, false},
    {"color_control_title_bg.png", 4, 20, false},
    {"ptz control-icon.png", 20, 20, false},
    {"color_control_icon.png", 20, 20, false},
    // Event log.
    {"log_disconnected.png", 24, 24, false},
    {"log_motion.png", 24, 24, false},
    {"log_sensor.png", 24, 24, false},
    {"log_textin.png", 24, 24, false},
    {"log_smartbad.png", 24, 24, false},
    {"log_smart temperature.png", 24, 24, false},
    {"log_record full.png", 24, 24, false},
    {"log_bg.png", 212, 36, false},
};

// "ptz control-icon.png" -> imageResource("ptz control-icon", "png"), as the code asks.
QImage byName(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return imageResource(fileName.left(dot), fileName.mid(dot + 1));
}

bool hasVisiblePixels(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y)
    for (int x = 0; x < argb.width(); ++x)
      if (qAlpha(argb.pixel(x, y)) > 0) return true;
  return false;
}

class ImageResource : public testing::TestWithParam<NamedImage> {};

TEST_P(ImageResource, LoadsByItsExactNameAtItsSize) {
  const QString name = QString::fromUtf8(GetParam().name);
  const QImage image = byName(name);
  ASSERT_FALSE(image.isNull()) << GetParam().name;
  EXPECT_EQ(image.size(), QSize(GetParam().width, GetParam().height));
  EXPECT_TRUE(hasVisiblePixels(image)) << "nothing drawn";
  // The name with its spaces is the resource's name; the underscores stay on disk.
  EXPECT_TRUE(QFile::exists(QStringLiteral(":/images/") + name));
  if (name.contains(QLatin1Char(' '))) {
    EXPECT_FALSE(QFile::exists(QStringLiteral(":/images/") + QString(name).replace(QLatin1Char(' '), QLatin1Char('_'))));
  }
}

TEST_P(ImageResource, DoubleDensityPictureIsTwiceTheSize) {
  const QString name = QString::fromUtf8(GetParam().name);
  const QString twice = QStringLiteral(":/images/") + name.left(name.lastIndexOf(QLatin1Char('.'))) + QStringLiteral("@2x.png");
  registerResources();
  if (!GetParam().doubleDensity) {
    EXPECT_FALSE(QFile::exists(twice));
    return;
  }
  const QImage image(twice);
  ASSERT_FALSE(image.isNull()) << twice.toStdString();
  EXPECT_EQ(image.size(), QSize(2 * GetParam().width, 2 * GetParam().height));
}

INSTANTIATE_TEST_SUITE_P(Names, ImageResource, testing::ValuesIn(kImages),
                         [](const testing::TestParamInfo<NamedImage>& info) {
                           std::string name;
                           for (const char c : std::string(info.param.name))
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

QSize sizeOf(const char* name) { return byName(QString::fromUtf8(name)).size(); }

// The drawing offsets of the site status view and the control view are fixed for a view of
// 213 x 519 (y from the bottom, as the offsets are given). The pieces must meet there.
TEST(StatusViewPieces, SiteBoxRowsFitTheViewAndDoNotOverlap) {
  const QSize left = sizeOf("right_info_bg_3.png");
  const QSize middle = sizeOf("right_dvr_info_bg_2.png");
  const QSize right = sizeOf("right_dvr_info_bg_1.png");
  EXPECT_EQ(left.height(), middle.height());
  EXPECT_EQ(right.height(), middle.height());
  // Status view: left piece at 5, middle 125 wide, right piece after it; the control view
  // puts the left piece at both ends, inside its white box of 215.
  EXPECT_LE(5 + left.width() + 125 + right.width(), 213);
  EXPECT_LE(5 + 2 * left.width() + 125, 215);
  // Four rows 21 apart from y 491, under the top edge, and above the first camera row
  // (its background's top at y 392 + row height) and the control view's PTZ bar (its top at 418).
  const int rowHeight = middle.height();
  EXPECT_LE(rowHeight, 21);
  EXPECT_LE(491 + rowHeight, 519);
  EXPECT_GE(491 - 3 * 21, 392 + sizeOf("right_dvr_camera_bg_2.png").height());
  EXPECT_GE(491 - 3 * 21, 398 + sizeOf("color_control_title_bg.png").height());
}

TEST(StatusViewPieces, CameraRowsHoldTheTitleAndTheIndicatorColumns) {
  const QSize left = sizeOf("right_dvr_camera_bg_1.png");
  const QSize middle = sizeOf("right_dvr_camera_bg_2.png");
  const QSize right = sizeOf("right_dvr_bg_3.png");
  const int rowHeight = middle.height();
  EXPECT_EQ(left.height(), rowHeight);
  EXPECT_EQ(right.height(), rowHeight);
  EXPECT_LE(rowHeight, 20);
  // Left piece at 1, the middle from the left piece's width to 87, under an 81-wide title.
  EXPECT_GE(87 - left.width(), 81);
  EXPECT_LE(1 + left.width(), 87);
  // Right piece at 87, inside the view.
  EXPECT_LE(87 + right.width(), 213);

  const char* indicators[] = {"right_dvr_video.png",         "right_dvr_video_dimmed.png",  "right_dvr_inactive.png",
                              "right_dvr_videoloss.png",     "right_dvr_motion_select.png", "right_dvr_motion_normal.png",
                              "right_dvr_motion_dimmed.png", "right_dvr_sensor_select.png", "right_dvr_sensor_normal.png"};
  const QSize indicator = sizeOf(indicators[0]);
  for (const char* name : indicators) {
    SCOPED_TRACE(name);
    EXPECT_EQ(sizeOf(name), indicator);
  }
  // Columns at 95, 117 and 139 do not overlap and lie on the right piece (from 87).
  EXPECT_LE(indicator.width(), 117 - 95);
  EXPECT_LE(139 + indicator.width(), 87 + right.width());
  // Indicators stand 3 above the row's bottom (395 against 392) and end inside the row,
  // as far from its top as from its bottom.
  EXPECT_LE(395 + indicator.height(), 392 + rowHeight);
  EXPECT_EQ((392 + rowHeight) - (395 + indicator.height()), 395 - 392);
  // Rows are 26 apart.
  EXPECT_LT(rowHeight, 26);
}

TEST(StatusViewPieces, SectionIconsSitOnTheirTitleBars) {
  const QSize bar = sizeOf("color_control_title_bg.png");
  EXPECT_EQ(bar.height(), 20);
  // Each icon is drawn at x 7 on its bar's bottom edge: it must not stick out above it.
  for (const char* icon : {"ptz control-icon.png", "color_control_icon.png"}) {
    SCOPED_TRACE(icon);
    EXPECT_LE(sizeOf(icon).height(), bar.height());
    EXPECT_LE(7 + sizeOf(icon).width(), 213);
  }
}

TEST(StatusViewPieces, LogIconsFitTheirRow) {
  // The row cell puts the icon 5 from the row's top and left in a 36-high row.
  const QSize row = sizeOf("log_bg.png");
  for (const char* icon : {"log_disconnected.png", "log_motion.png", "log_sensor.png", "log_textin.png",
                           "log_smartbad.png", "log_smart temperature.png", "log_record full.png"}) {
    SCOPED_TRACE(icon);
    EXPECT_LE(5 + sizeOf(icon).height() + 5, row.height());
  }
}

}  // namespace
}  // namespace zelvo
