// The event log's page under X: the table's one column as wide as the page, rows at
// least 36 high (higher when their text wraps) that are never selected, the clear button, and each row drawn by the
// image-and-subtitle cell. With ZELVO_SCREENSHOT_DIR set to a folder, the log with one
// row of each icon is saved there as log-icons.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QScrollBar>
#include <QTextDocument>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>

#include "Network/ByteBuffer.h"
#include "Network/Live/EventInfo.h"
#include "Network/Live/LiveEnumerations.h"
#include "Network/Live/SystemEventInfo.h"
#include "Network/Live/LiveClient.h"
#include "Network/Live/NotificationLog.h"
#include "Network/MessageType.h"
#include "QtPrinters.h"
#include "Resources/Resources.h"
#include "ViewControllers/SitePanel/ImageAndSubTitleCell.h"
#include "ViewControllers/SitePanel/LogModel.h"
#include "ViewControllers/SitePanel/LogView.h"
#include "ViewControllers/SitePanel/LogViewController.h"
#include "ViewControllers/SitePanel/LogViewCore.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "emulator/LiveMessages.h"
#include "emulator/RecorderEmulator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

EventInfo eventInfo(int type, uint8_t count, uint32_t mask) {
  uint8_t bytes[8] = {count, 0, 0, 0, uint8_t(mask >> 24), uint8_t(mask >> 16), uint8_t(mask >> 8), uint8_t(mask)};
  ByteBuffer buffer(bytes, sizeof bytes, ByteBuffer::BigEndianByteOrder);
  return EventInfo(buffer, type);
}

SystemEventInfo systemInfo(std::array<bool, 8> flags) {
  uint8_t bytes[8];
  for (size_t i = 0; i < 8; ++i) bytes[i] = flags[i] ? 1 : 0;
  ByteBuffer buffer(bytes, sizeof bytes);
  return SystemEventInfo(buffer);
}

// The page as the panel's form lays it out: the table over the clear button.
class LogPage : public testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&view_);
    layout->setContentsMargins(0, 0, 0, 4);
    table_ = new QTableView(&view_);
    table_->setObjectName(QStringLiteral("logTableView"));
    layout->addWidget(table_);
    clear_ = new QPushButton(QStringLiteral("Clear"), &view_);
    clear_->setObjectName(QStringLiteral("clearButton"));
    clear_->setEnabled(false);
    layout->addWidget(clear_, 0, Qt::AlignRight);
    controller_.loadView(&view_);
    view_.resize(260, 360);
    view_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  }
  int column() const { return table_->columnWidth(0); }

  LogView view_;
  QTableView* table_ = nullptr;
  QPushButton* clear_ = nullptr;
  LogViewController controller_;
};

TEST_F(LogPage, TheTableShowsTheLogsRowsThirtySixHighNeverSelected) {
  EXPECT_EQ(table_->model(), controller_.model());
  EXPECT_NE(qobject_cast<ImageAndSubTitleCell*>(table_->itemDelegate()), nullptr);
  EXPECT_EQ(table_->property("columnIdentifier").toString(), QStringLiteral("CustomLogTableCell"));
  controller_.addEventInfo(eventInfo(EventInfoTypeMotion, 4, 0x5), QStringLiteral("Shop"));
  ASSERT_EQ(controller_.model()->rowCount(), 2);
  EXPECT_EQ(table_->rowHeight(0), 36);
  EXPECT_EQ(table_->rowHeight(1), 36);
  QTest::mouseClick(table_->viewport(), Qt::LeftButton, {}, table_->visualRect(controller_.model()->index(1, 0)).center());
  EXPECT_FALSE(table_->selectionModel() && table_->selectionModel()->hasSelection());
}

// Every line of a row's text, as the cell lays it out in the table's column.
ImageAndSubTitleCell::Layout layoutOfRow(QTableView* table, int row) {
  const QModelIndex index = table->model()->index(row, 0);
  return ImageAndSubTitleCell::layout(QRectF(table->visualRect(index)), ImageAndSubTitleCell::contentsOf(index));
}

TEST_F(LogPage, TheColumnIsThePagesWidthAndLongTextWrapsIntoAHigherRow) {
  view_.resize(213, 360);
  QTest::qWait(0);
  EXPECT_EQ(column(), table_->viewport()->width());
  const QString shortTitle = QStringLiteral("Motion 1 (A)");
  const QString wide = QStringLiteral("Network Disconnected : All remote site channels are being used. (Warehouse North)");
  controller_.addLogItem(shortTitle, QStringLiteral("2026-12-10 09:30:00"), QImage());
  QImage icon(24, 24, QImage::Format_ARGB32);
  icon.fill(Qt::red);
  controller_.addLogItem(wide, QStringLiteral("2026-12-10 09:31:00"), icon);
  ASSERT_TRUE(test::waitUntil([&] { return table_->rowHeight(0) > 36; }));
  EXPECT_EQ(column(), table_->viewport()->width()) << "the column never runs past the page";
  EXPECT_EQ(table_->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(table_->rowHeight(1), 36) << "a title that fits keeps its row as it was";
  for (int row = 0; row < 2; ++row) {
    SCOPED_TRACE(row);
    const ImageAndSubTitleCell::Layout laid = layoutOfRow(table_, row);
    const QRect cell = table_->visualRect(table_->model()->index(row, 0));
    EXPECT_EQ(laid.titleLines.join(QString()), row == 0 ? wide : shortTitle) << "every character is shown";
    const QFontMetricsF metrics(ImageAndSubTitleCell::titleFont());
    for (const QString& line : laid.titleLines)
      EXPECT_LE(laid.title.x() + metrics.horizontalAdvance(line.trimmed()), cell.right() + 1) << line.toStdString();
    EXPECT_LE(laid.subtitle.y() + QFontMetricsF(ImageAndSubTitleCell::subtitleFont()).height() * laid.subtitleLines.size(),
              cell.bottom() + 1)
        << "the time fits under the title";
  }
  EXPECT_GE(layoutOfRow(table_, 0).titleLines.size(), 2);
  // Wider, the same row needs fewer lines and is lower again.
  const int narrowHeight = table_->rowHeight(0);
  view_.resize(700, 360);
  ASSERT_TRUE(test::waitUntil([&] { return table_->rowHeight(0) < narrowHeight; }));
  EXPECT_EQ(column(), table_->viewport()->width());
}

TEST(ImageAndSubTitleCellWrapping, EveryCharacterOnSomeLineNoLineWiderThanTheRoom) {
  const QFont font = ImageAndSubTitleCell::titleFont();
  const QFontMetricsF metrics(font);
  const struct {
    const char* name;
    QString text;
    double width;
  } cases[] = {
      {"words", QStringLiteral("Network Disconnected : Invalid password (Shop)"), 120},
      {"one long word", QStringLiteral("WarehouseNorthGateCameraSeventeen"), 60},
      {"fits", QStringLiteral("Motion 1 (A)"), 300},
      {"no room", QStringLiteral("Disk Bad (A)"), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QStringList lines = subtitlecell::wrapLines(c.text, font, c.width);
    EXPECT_EQ(lines.join(QString()), c.text);
    for (const QString& line : lines) {
      // The reason's colon stays with the words before it.
      EXPECT_FALSE(line.trimmed().startsWith(QLatin1Char(':'))) << qPrintable(lines.join(QLatin1Char('|')));
    }
    for (const QString& line : lines)
      if (line.trimmed().size() > 1) {
        EXPECT_LE(metrics.horizontalAdvance(line.trimmed()), std::max(c.width, 1.0) + 0.5);
      }
  }
  EXPECT_EQ(subtitlecell::wrapLines(QStringLiteral("Motion 1 (A)"), font, 300).size(), 1);
  EXPECT_TRUE(subtitlecell::wrapLines(QString(), font, 300).isEmpty());
}

TEST(LogModelToolTip, TheWholeTextAsPlainText) {
  LogModel model;
  model.prepend(LogCellInfo(QStringLiteral("Network Disconnected : Invalid password (Shop <North>)"),
                            QStringLiteral("2026-12-10 09:30:00"), QImage()));
  const QString tip = model.index(0, 0).data(Qt::ToolTipRole).toString();
  QTextDocument document;
  document.setHtml(tip);
  EXPECT_EQ(document.toPlainText(),
            QStringLiteral("Network Disconnected : Invalid password (Shop <North>)\n2026-12-10 09:30:00"));
}

TEST_F(LogPage, TheClearButtonIsEnabledByTheFirstRowAndClearsTheLog) {
  test::NotificationLog posted(&controller_, {LogViewClearedNotification});
  EXPECT_FALSE(clear_->isEnabled());
  controller_.addSystemInfo(systemInfo({true, false, true, false, false, false, false, false}), QStringLiteral("Shop"));
  EXPECT_TRUE(clear_->isEnabled());
  QTest::mouseClick(clear_, Qt::LeftButton);
  EXPECT_TRUE(controller_.logItemArray().empty());
  EXPECT_FALSE(clear_->isEnabled());
  EXPECT_EQ(posted.count(LogViewClearedNotification), 1u);
  controller_.addSystemInfo(systemInfo({false, false, false, false, true, false, false, false}), QStringLiteral("Shop"));
  EXPECT_TRUE(clear_->isEnabled());
}

// The colour most of a rectangle's pixels have.
QRgb dominant(const QImage& image, const QRect& rect) {
  std::map<QRgb, int> counts;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x) ++counts[image.pixel(x, y)];
  return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

TEST(ImageAndSubTitleCellDrawing, BackgroundIconTitleAndGreySubtitleInTheirPlaces) {
  ImageAndSubTitleCell::Contents contents;
  contents.image = QImage(24, 24, QImage::Format_ARGB32);
  contents.image.fill(QColor(200, 0, 0));
  contents.backgroundImage = QImage(10, 10, QImage::Format_ARGB32);
  contents.backgroundImage.fill(QColor(250, 250, 200));
  contents.title = QStringLiteral("Motion 1 (Shop)");
  contents.subTitleText = QStringLiteral("Dec 10, 2026, 9:30:00 AM");
  QImage row(300, 40, QImage::Format_RGB32);
  row.fill(Qt::blue);
  {
    QPainter painter(&row);
    ImageAndSubTitleCell::drawInterior(painter, QRectF(0, 0, 300, 36), contents);
  }
  EXPECT_EQ(row.pixel(5, 5), QColor(200, 0, 0).rgb());  // the icon from (5, 5)
  EXPECT_EQ(row.pixel(28, 28), QColor(200, 0, 0).rgb());
  EXPECT_EQ(row.pixel(4, 4), QColor(250, 250, 200).rgb());  // the background, stretched over the row
  EXPECT_EQ(row.pixel(299, 35), QColor(250, 250, 200).rgb());
  EXPECT_EQ(row.pixel(10, 38), QColor(Qt::blue).rgb());  // nothing below the row
  // Title: dark ink from x 36 in the top line; subtitle: the grey under it.
  const QFontMetricsF title(ImageAndSubTitleCell::titleFont());
  bool ink = false, grey = false;
  for (int y = 1; y < 1 + int(title.height()); ++y)
    for (int x = 36; x < 36 + int(title.horizontalAdvance(contents.title)); ++x) ink |= qGray(row.pixel(x, y)) < 80;
  for (int y = 1 + int(title.height()); y < 36; ++y)
    for (int x = 36; x < 300; ++x) grey |= row.pixel(x, y) == QColor(120, 120, 120).rgb();
  EXPECT_TRUE(ink);
  EXPECT_TRUE(grey);
  for (int y = 0; y < 36; ++y)
    for (int x = 0; x < 35; ++x)
      if (!QRect(5, 5, 24, 24).contains(x, y)) {
        ASSERT_EQ(row.pixel(x, y), QColor(250, 250, 200).rgb()) << x << "," << y;
      }

  // Without an icon or a subtitle: no grey box, no second line, the title at 12.
  ImageAndSubTitleCell::Contents bare;
  bare.title = contents.title;
  QImage plain(300, 36, QImage::Format_RGB32);
  plain.fill(Qt::white);
  {
    QPainter painter(&plain);
    ImageAndSubTitleCell::drawInterior(painter, QRectF(0, 0, 300, 36), bare);
  }
  EXPECT_EQ(dominant(plain, QRect(0, 0, 12, 36)), QColor(Qt::white).rgb());
  for (int x = 0; x < 11; ++x)
    for (int y = 0; y < 36; ++y) ASSERT_EQ(plain.pixel(x, y), QColor(Qt::white).rgb()) << x << "," << y;
  for (int x = 0; x < 300; ++x)
    for (int y = 1 + int(title.height()) + 1; y < 36; ++y) ASSERT_EQ(plain.pixel(x, y), QColor(Qt::white).rgb());
}

TEST_F(LogPage, ALogWithEachIcon) {
  const QString site = QStringLiteral("Shop");
  controller_.addEventInfo(eventInfo(EventInfoTypeTextIn, 4, 0x8), site);
  controller_.addSystemInfo(systemInfo({true, true, true, false, true, false, false, false}), site);
  controller_.addEventInfo(eventInfo(EventInfoTypeSensor, 4, 0x2), site);
  controller_.addEventInfo(eventInfo(EventInfoTypeMotion, 4, 0x5), site);
  controller_.addLogItem(QStringLiteral("Network Disconnected : Disconnected by remote site. (Shop)"),
                         LogViewController::currentTime(),
                         imageResource(QStringLiteral("log_disconnected"), QStringLiteral("png")));
  ASSERT_EQ(controller_.model()->rowCount(), 9);
  // Every row has its icon and the time under its title.
  for (const LogCellInfo& item : controller_.logItemArray()) {
    SCOPED_TRACE(item.title().toStdString());
    EXPECT_EQ(item.image().size(), QSize(24, 24));
    EXPECT_FALSE(item.subtitle().isEmpty());
  }
  view_.resize(300, 9 * 36 + 60);
  QTest::qWait(0);
  const QImage shot = view_.grab().toImage();
  // The first row's icon, 5 pixels from the row's left, centred on the row's height (the
  // disconnection row wraps to three lines at this width, so it is higher than 36).
  const ImageAndSubTitleCell::Layout laid = layoutOfRow(table_, 0);
  EXPECT_EQ(laid.image.size(), QSizeF(24, 24));
  EXPECT_EQ(laid.image.x(), table_->visualRect(controller_.model()->index(0, 0)).x() + 5);
  const QPoint iconCentre = table_->viewport()->mapTo(&view_, laid.image.topLeft().toPoint() + QPoint(12, 12));
  const QImage icon = imageResource(QStringLiteral("log_disconnected"), QStringLiteral("png"));
  EXPECT_EQ(shot.pixel(iconCentre) & 0xFFFFFF, icon.pixel(12, 12) & 0xFFFFFF);
  if (const QByteArray folder = qgetenv("ZELVO_SCREENSHOT_DIR"); !folder.isEmpty()) {
    EXPECT_TRUE(shot.save(QDir(QString::fromLocal8Bit(folder)).filePath(QStringLiteral("log-icons.png")), "PNG"));
  }
}

// The page on screen, fed by a live client logged in to the emulator over loopback.
TEST_F(LogPage, ARecordersEventsAndItsCloseAppearOnThePage) {
  namespace live = emulator::live;
  auto thread = std::make_shared<NetworkThread>();
  emulator::RecorderEmulator recorder;
  ASSERT_TRUE(recorder.start());
  auto client = LiveClient::create(thread);
  test::NotificationLog seen(client.get(), {LivePTZPresetLabelsReceivedNotification, NetworkDisconnectedNotification});
  auto site = SiteInfo::create();
  site->setName(QStringLiteral("Shop"));
  client->setAttachments({std::any(site)});
  client->connectToHost("127.0.0.1", recorder.port(), "admin", "admin");
  ASSERT_TRUE(test::waitUntil([&] { return client->isConnected(); }));
  ASSERT_TRUE(recorder.waitForLogins(1));

  ASSERT_TRUE(recorder.send(MessageTypeEventInfo, live::event(2, 4, 0x5)));
  ASSERT_TRUE(recorder.send(MessageTypeEventInfo, live::event(2, 40, 0x1)));  // no camera 33
  ASSERT_TRUE(recorder.send(MessageTypeEventInfo, live::systemEvent({true, true, true, true, true, true, true, true})));
  ASSERT_TRUE(recorder.send(MessageTypePTZ, live::presetLabels(0, {"fence"})));
  ASSERT_TRUE(seen.waitForCount(LivePTZPresetLabelsReceivedNotification, 1));
  recorder.lastSession()->close();
  ASSERT_TRUE(seen.waitForCount(NetworkDisconnectedNotification, 1));

  const QStringList expected = {
      QStringLiteral("Network Disconnected : Disconnected by remote site. (Shop)"),
      QStringLiteral("Record Disk Full (Shop)"),
      QStringLiteral("Disk Bad (Shop)"),
      QStringLiteral("S.M.A.R.T. Temperature (Shop)"),
      QStringLiteral("S.M.A.R.T. Bad (Shop)"),
      QStringLiteral("Motion 1 (Shop)"),
      QStringLiteral("Motion 3 (Shop)"),
      QStringLiteral("Motion 1 (Shop)"),
  };
  QStringList shown;
  for (int row = 0; row < table_->model()->rowCount(); ++row) shown << table_->model()->index(row, 0).data().toString();
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(clear_->isEnabled());
  // The newest row is on top of the page.
  EXPECT_EQ(table_->rowAt(1), 0);
}

}  // namespace
}  // namespace zelvo
