// The event log on the site panel's log page at the panel's own width (213), as the
// operator reads it: every row's whole text in its cell without scrolling sideways, and
// the X server's pointer (xdotool) resting on a row shows the row's whole text as its
// tool tip. With ZELVO_SCREENSHOT_DIR set, the page is saved there as log-213.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include "FakeTimerFactory.h"
#include "Resources/Resources.h"
#include "SitePanel/SitePanelFakes.h"
#include "ViewControllers/SitePanel/ImageAndSubTitleCell.h"
#include "ViewControllers/SitePanel/LogModel.h"
#include "ViewControllers/SitePanel/LogView.h"
#include "ViewControllers/SitePanel/LogViewController.h"
#include "ViewControllers/SitePanel/LogViewCore.h"
#include "ViewControllers/SitePanelController.h"
#include "support/SharedDeviceLock.h"
#include "support/Wait.h"
#include "support/XPointer.h"

namespace zelvo {
namespace {

QString plainText(const QString& richText) {
  QTextDocument document;
  document.setHtml(richText);
  return document.toPlainText();
}

class SitePanelLogTest : public testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
    window_.resize(213, 551);
    window_.move(test::PointerArea);
    panel_ = new SitePanelController(&window_);
    panel_->resize(213, 551);
    panel_->awake(wall_, &dvr_, timers_);
    log_.loadView(panel_->logView());
    panel_->selectPanel(2);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    table_ = panel_->logView()->findChild<QTableView*>(QStringLiteral("logTableView"));
    ASSERT_TRUE(table_);
  }

  // What a morning of two recorders leaves in the log, oldest first.
  void fill() {
    const QString time = QStringLiteral("2026-12-10 09:%1:00");
    struct Row {
      const char* title;
      const char* image;
    } rows[] = {
        {"Motion 3 (Warehouse North)", "log_motion"},
        {"Sensor 1 (Shop)", "log_sensor"},
        {"S.M.A.R.T. Temperature (Warehouse North)", "log_smart temperature"},
        {"Network Disconnected : Disconnected by remote site. (Warehouse North)", "log_disconnected"},
        {"Record Disk Full (Shop)", "log_record full"},
        {"Network Disconnected : Invalid password (Shop)", "log_disconnected"},
    };
    int minute = 10;
    for (const Row& row : rows)
      log_.addLogItem(QString::fromLatin1(row.title), time.arg(minute++),
                      imageResource(QString::fromLatin1(row.image), QStringLiteral("png")));
  }

  QWidget window_;
  test::FakePanelWall wall_;
  test::FakeDVRInfoView dvr_;
  test::FakeTimerFactory timers_;
  SitePanelController* panel_ = nullptr;
  LogViewController log_;
  QTableView* table_ = nullptr;
};

TEST_F(SitePanelLogTest, EveryRowsWholeTextIsReadAtThePanelsWidth) {
  fill();
  QApplication::processEvents();
  ASSERT_EQ(table_->model()->rowCount(), 6);
  EXPECT_EQ(table_->horizontalScrollBar()->maximum(), 0) << "nothing to scroll sideways to";
  EXPECT_LE(table_->columnWidth(0), table_->viewport()->width());
  const QFontMetricsF title(ImageAndSubTitleCell::titleFont());
  const QFontMetricsF subtitle(ImageAndSubTitleCell::subtitleFont());
  for (int row = 0; row < table_->model()->rowCount(); ++row) {
    const QModelIndex index = table_->model()->index(row, 0);
    SCOPED_TRACE(index.data().toString().toStdString());
    const QRect cell = table_->visualRect(index);
    const ImageAndSubTitleCell::Layout laid =
        ImageAndSubTitleCell::layout(QRectF(cell), ImageAndSubTitleCell::contentsOf(index));
    EXPECT_EQ(laid.titleLines.join(QString()), index.data().toString());
    EXPECT_EQ(laid.subtitleLines.join(QString()), index.data(LogModel::SubtitleRole).toString());
    for (const QString& line : laid.titleLines)
      EXPECT_LE(laid.title.x() + title.horizontalAdvance(line.trimmed()), table_->viewport()->width());
    for (const QString& line : laid.subtitleLines)
      EXPECT_LE(laid.subtitle.x() + subtitle.horizontalAdvance(line.trimmed()), table_->viewport()->width());
    EXPECT_LE(laid.subtitle.y() + subtitle.height() * laid.subtitleLines.size(), cell.bottom() + 1);
    EXPECT_EQ(plainText(index.data(Qt::ToolTipRole).toString()),
              index.data().toString() + "\n" + index.data(LogModel::SubtitleRole).toString());
  }
  // The two disconnections name their reason on the page.
  EXPECT_GT(table_->rowHeight(0), 36);
  if (const QByteArray dir = qgetenv("ZELVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
    EXPECT_TRUE(window_.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("log-213.png"))));
  }
}

TEST_F(SitePanelLogTest, ThePointerRestingOnARowShowsItsWholeText) {
  if (!test::XPointer::available()) GTEST_SKIP() << "xdotool not installed";
  test::XPointer pointer;
  fill();
  QApplication::setActiveWindow(&window_);  // tool tips show over the active window
  ASSERT_TRUE(test::waitUntil([&] { return window_.isActiveWindow(); }));
  const QRect cell = table_->visualRect(table_->model()->index(0, 0));
  const QPoint at = table_->viewport()->mapToGlobal(cell.center());
  ASSERT_TRUE(pointer.run({"mousemove", QString::number(at.x() - 5), QString::number(at.y()), "sleep", "0.1",
                           "mousemove", QString::number(at.x()), QString::number(at.y())}));
  ASSERT_TRUE(test::waitUntil([&] { return QToolTip::isVisible(); })) << "no tool tip";
  EXPECT_EQ(plainText(QToolTip::text()),
            QStringLiteral("Network Disconnected : Invalid password (Shop)\n2026-12-10 09:15:00"));
  QToolTip::hideText();
  // Away from the page.
  ASSERT_TRUE(pointer.run({"mousemove", QString::number(at.x() + 400), QString::number(at.y())}));
}

}  // namespace
}  // namespace zelvo
