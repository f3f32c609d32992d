// What the desktop sees of the application: the desktop entry passes the freedesktop.org
// validator, its icon is there in the sizes it installs, and every picture the main
// window, the status page and the panes name loads.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include "Resources/Resources.h"

namespace zelvo {
namespace {

const QString kSource = QStringLiteral(ZELVO_SOURCE_ROOT);

TEST(DesktopEntry, PassesTheValidator) {
  const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
  if (validator.isEmpty()) GTEST_SKIP() << "desktop-file-validate is not installed (scripts/bootstrap installs it)";
  QProcess process;
  process.start(validator, {kSource + QStringLiteral("app/zelvo.desktop")});
  ASSERT_TRUE(process.waitForFinished(30000));
  const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
  EXPECT_EQ(process.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.isEmpty()) << "no hints either: " << output.toStdString();
}

TEST(DesktopEntry, StartsTheProgramWithItsIcon) {
  QSettings entry(kSource + QStringLiteral("app/zelvo.desktop"), QSettings::IniFormat);
  entry.beginGroup(QStringLiteral("Desktop Entry"));
  EXPECT_EQ(entry.value(QStringLiteral("Exec")).toString(), QStringLiteral("zelvo"));
  EXPECT_EQ(entry.value(QStringLiteral("Icon")).toString(), QStringLiteral("zelvo"));
  for (int size : {48, 128, 256}) {
    const QImage icon(kSource + QStringLiteral("app/icons/zelvo-%1.png").arg(size));
    EXPECT_EQ(icon.size(), QSize(size, size)) << size;
  }
  EXPECT_TRUE(QFile::exists(kSource + QStringLiteral("app/icons/zelvo.svg")));
  EXPECT_FALSE(imageResource(QStringLiteral("zelvo"), QStringLiteral("png")).isNull()) << "the window's icon";
}

// The pictures of the main window's toggles, the status page and the pane toggles, by the
// names the code uses; the toolbar's also at double density.
TEST(MainWindowImages, EveryNameLoads) {
  const char* const names[] = {
      "toolbar_sequence_clicked", "toolbar_sequence_normal", "toolbar_setup_clicked", "toolbar_setup_normal",
      "right_info_bg_3", "right_dvr_info_bg_2", "right_dvr_info_bg_1", "right_dvr_camera_bg_1",
      "right_dvr_camera_bg_2", "right_dvr_bg_3", "right_dvr_video", "right_dvr_video_dimmed", "right_dvr_inactive",
      "right_dvr_videoloss", "right_dvr_motion_select", "right_dvr_motion_normal", "right_dvr_motion_dimmed",
      "right_dvr_sensor_select", "right_dvr_sensor_normal", "toolbar_view_left_normal", "toolbar_view_left_clicked",
      "toolbar_view_right_normal", "toolbar_view_right_clicked"};
  EXPECT_EQ(std::size(names), 23u);
  for (const char* name : names) {
    const QImage image = imageResource(QString::fromLatin1(name), QStringLiteral("png"));
    EXPECT_FALSE(image.isNull()) << name;
    if (QString::fromLatin1(name).startsWith(QLatin1String("toolbar_"))) {
      const QImage doubled = imageResource(QString::fromLatin1(name) + QStringLiteral("@2x"), QStringLiteral("png"));
      EXPECT_EQ(doubled.size(), image.size() * 2) << name;
    }
  }
  // The status page's row pieces are one height, so its rows line up at 213 x 519.
  for (const char* piece : {"right_info_bg_3", "right_dvr_info_bg_2", "right_dvr_info_bg_1", "right_dvr_camera_bg_1",
                            "right_dvr_camera_bg_2", "right_dvr_bg_3"})
    EXPECT_EQ(imageResource(QString::fromLatin1(piece), QStringLiteral("png")).height(), 20) << piece;
  // The right piece of a camera row ends inside the page: 87 + its width <= 213.
  EXPECT_LE(87 + imageResource(QStringLiteral("right_dvr_bg_3"), QStringLiteral("png")).width(), 213);
}

}  // namespace
}  // namespace zelvo
