// The event log's rows: which rows each record makes, in which order and with which
// icon, and the list's bound of 1000 rows.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "Network/ByteBuffer.h"
#include "Network/Live/SystemEventInfo.h"
#include "QtPrinters.h"
#include "ViewControllers/SitePanel/LogModel.h"
#include "ViewControllers/SitePanel/LogViewCore.h"

namespace zelvo {
namespace logview {

void PrintTo(const LogRow& row, std::ostream* os) {
  *os << '{' << row.title.toStdString() << ", " << row.imageName.toStdString() << '}';
}

namespace {

SystemEventInfo systemInfo(std::array<bool, 8> flags) {
  uint8_t bytes[8];
  for (size_t i = 0; i < 8; ++i) bytes[i] = flags[i] ? 1 : 0;
  ByteBuffer buffer(bytes, sizeof bytes);
  return SystemEventInfo(buffer);
}

struct EventCase {
  const char* name;
  int type;
  int64_t cameraCount;
  uint32_t mask;
  std::vector<LogRow> expected;  // in the order added: the last ends up on top
};

TEST(LogRows, EventRecordsMakeOneRowPerCameraCoveredByTheCount) {
  const QString motion = QString::fromLatin1(MotionImage);
  const EventCase cases[] = {
      {"mask 0x5 of 4 cameras: 1 then 3 (3 on top)", 2, 4, 0x5,
       {{"Motion 1 (Shop)", motion}, {"Motion 3 (Shop)", motion}}},
      {"a bit at the count is no camera", 2, 4, 0x10, {}},
      {"bits beyond the count are no cameras", 2, 2, 0xFFFFFFFC, {}},
      {"count 0", 2, 0, 0xFFFFFFFF, {}},
      {"sensor", 3, 16, 0x8000, {{"Sensor 16 (Shop)", QString::fromLatin1(SensorImage)}}},
      {"text-in", 4, 8, 0x2, {{"Text-In 2 (Shop)", QString::fromLatin1(TextInImage)}}},
      // The mask holds 32 cameras: a larger count never reaches a camera 33.
      {"count 40, bit 0: only camera 1", 2, 40, 0x1, {{"Motion 1 (Shop)", motion}}},
      {"count 255, bit 31: camera 32", 2, 255, 0x80000000, {{"Motion 32 (Shop)", motion}}},
      {"negative count", 2, -1, 0xFFFFFFFF, {}},
      {"type 1 (all) is no record of its own", 1, 4, 0xF, {}},
      {"type 5 (system) is no camera record", 5, 4, 0xF, {}},
      {"an unknown type", 0, 4, 0xF, {}},
  };
  for (const EventCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(eventRows(c.type, c.cameraCount, c.mask, QStringLiteral("Shop")), c.expected);
  }
}

TEST(LogRows, SystemRecordsLogFourFlagsInTheirOrder) {
  const QString smartBad = QString::fromLatin1(SmartBadImage);
  struct Case {
    const char* name;
    std::array<bool, 8> flags;  // smartBad, smartTemperature, diskBad, recordBad, recordDiskFull,
                                // archiveDiskFull, gravity, fanFailure
    std::vector<LogRow> expected;
  } cases[] = {
      {"S.M.A.R.T. bad and disk bad share the icon; the disk row is added last, on top",
       {true, false, true, false, false, false, false, false},
       {{"S.M.A.R.T. Bad (Shop)", smartBad}, {"Disk Bad (Shop)", smartBad}}},
      {"the four logged flags",
       {true, true, true, false, true, false, false, false},
       {{"S.M.A.R.T. Bad (Shop)", smartBad},
        {"S.M.A.R.T. Temperature (Shop)", QString::fromLatin1(SmartTemperatureImage)},
        {"Disk Bad (Shop)", smartBad},
        {"Record Disk Full (Shop)", QString::fromLatin1(RecordFullImage)}}},
      {"fan failure alone", {false, false, false, false, false, false, false, true}, {}},
      {"record bad, archive disk full, gravity", {false, false, false, true, false, true, true, false}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(systemRows(systemInfo(c.flags), QStringLiteral("Shop")), c.expected);
  }
}

TEST(LogRows, DisconnectionsOfLiveClientsWithAReason) {
  struct Case {
    const char* name;
    int reason;
    bool setupClient;
    std::optional<QString> title;
  } cases[] = {
      {"closed by the recorder", 7, false, QStringLiteral("Network Disconnected : Disconnected by remote site. (Shop)")},
      {"unknown user", 3, false, QStringLiteral("Network Disconnected : Unknown user. (Shop)")},
      {"stream error", 8, false, QStringLiteral("Network Disconnected : Disconnected (Shop)")},
      {"the user's own disconnect", 0, false, std::nullopt},
      {"a remote-setup connection closed by the recorder", 7, true, std::nullopt},
      {"a remote-setup login refused", 3, true, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto row = disconnectionRow(c.reason, c.setupClient, QStringLiteral("Shop"));
    ASSERT_EQ(row.has_value(), c.title.has_value());
    if (row) {
      EXPECT_EQ(row->title, *c.title);
      EXPECT_EQ(row->imageName, QString::fromLatin1(DisconnectedImage));
    }
  }
}

TEST(LogRows, SiteNamesAreTakenAsTheyAre) {
  // A name with a percent sign or markup is text, not a format or HTML.
  EXPECT_EQ(eventRows(2, 1, 1, QStringLiteral("%1 <b>x</b>")).at(0).title, QStringLiteral("Motion 1 (%1 <b>x</b>)"));
  EXPECT_EQ(disconnectionRow(7, false, QStringLiteral("%2"))->title,
            QStringLiteral("Network Disconnected : Disconnected by remote site. (%2)"));
}

TEST(LogModel, NewestFirstAndAtMostAThousandRows) {
  LogModel model;
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  for (int i = 0; i < MaxRows; ++i) model.prepend(LogCellInfo(QString::number(i), QString(), QImage()));
  ASSERT_EQ(model.rowCount(), MaxRows);
  EXPECT_EQ(model.items().front().title(), QStringLiteral("999"));
  EXPECT_EQ(model.items().back().title(), QStringLiteral("0"));

  int removed = 0, inserted = 0;
  QObject::connect(&model, &QAbstractItemModel::rowsRemoved, [&](const QModelIndex&, int first, int last) {
    removed += last - first + 1;
    EXPECT_EQ(first, MaxRows - 1);  // the oldest
  });
  QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int first, int last) {
    inserted += last - first + 1;
    EXPECT_EQ(first, 0);
  });
  model.prepend(LogCellInfo(QStringLiteral("new"), QString(), QImage()));
  EXPECT_EQ(removed, 1);
  EXPECT_EQ(inserted, 1);
  EXPECT_EQ(model.rowCount(), MaxRows);
  EXPECT_EQ(model.items().front().title(), QStringLiteral("new"));
  EXPECT_EQ(model.items().back().title(), QStringLiteral("1"));

  model.clear();
  EXPECT_EQ(model.rowCount(), 0);
}

TEST(LogModel, RowsAreShownNeverSelectedOrEdited) {
  LogModel model;
  QImage icon(24, 24, QImage::Format_ARGB32);
  icon.fill(Qt::red);
  QImage background(212, 36, QImage::Format_ARGB32);
  background.fill(Qt::white);
  model.setBackgroundImage(background);
  model.prepend(LogCellInfo(QStringLiteral("Motion 1 (Shop)"), QStringLiteral("Dec 10, 2026, 9:30:00 AM"), icon));
  const QModelIndex row = model.index(0, 0);
  EXPECT_EQ(row.data(Qt::DisplayRole).toString(), QStringLiteral("Motion 1 (Shop)"));
  EXPECT_EQ(row.data(LogModel::SubtitleRole).toString(), QStringLiteral("Dec 10, 2026, 9:30:00 AM"));
  EXPECT_EQ(row.data(Qt::DecorationRole).value<QImage>(), icon);
  EXPECT_EQ(row.data(LogModel::BackgroundImageRole).value<QImage>(), background);
  EXPECT_FALSE(model.flags(row) & Qt::ItemIsSelectable);
  EXPECT_FALSE(model.flags(row) & Qt::ItemIsEditable);
}

TEST(LogCellInfo, ACopyIsANewRow) {
  LogCellInfo first(QStringLiteral("Motion 1 (Shop)"), QStringLiteral("then"), QImage());
  LogCellInfo copy = first;
  copy.setSubtitle(QStringLiteral("now"));
  copy.setTitle(QStringLiteral("Motion 2 (Shop)"));
  EXPECT_EQ(first.subtitle(), QStringLiteral("then"));
  EXPECT_EQ(first.title(), QStringLiteral("Motion 1 (Shop)"));
}

}  // namespace
}  // namespace logview
}  // namespace zelvo
