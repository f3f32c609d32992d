// Snapshot names, folder, writing, and the clipboard's snapshot object.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QUrl>

#include <sys/stat.h>

#include "ViewControllers/Wall/PlaneSnapshotFile.h"
#include "ViewControllers/Wall/SnapshotMimeData.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

QDateTime at(int hour, int minute, int second) { return QDateTime(QDate(2026, 12, 9), QTime(hour, minute, second)); }

struct NameCase {
  const char* name;
  QString title;
  QDateTime time;
  QString expected;
};

class SnapshotFilename : public testing::TestWithParam<NameCase> {};

TEST_P(SnapshotFilename, Name) {
  const NameCase& c = GetParam();
  EXPECT_EQ(snapshotFilename(c.title, c.time).toStdString(), c.expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Names, SnapshotFilename,
    testing::Values(
        NameCase{"Morning", "Lobby", at(9, 15, 9), "Zelvo_Lobby_2026-12-09 09.15.09 AM.jpg"},
        NameCase{"HalfPastMidnight", "Lobby", at(0, 30, 0), "Zelvo_Lobby_2026-12-09 12.30.00 AM.jpg"},
        NameCase{"Afternoon", "Lobby", at(13, 5, 9), "Zelvo_Lobby_2026-12-09 01.05.09 PM.jpg"},
        NameCase{"Noon", "Lobby", at(12, 0, 0), "Zelvo_Lobby_2026-12-09 12.00.00 PM.jpg"},
        NameCase{"Slash", "a/b", at(9, 15, 9), "Zelvo_a_b_2026-12-09 09.15.09 AM.jpg"},
        NameCase{"ParentFolder", "../x", at(9, 15, 9), "Zelvo_.._x_2026-12-09 09.15.09 AM.jpg"},
        NameCase{"ControlCharacters", QString::fromUtf8("a\x01" "b\tc\x7f" "d"), at(9, 15, 9),
                 "Zelvo_a_b_c_d_2026-12-09 09.15.09 AM.jpg"},
        NameCase{"Nul", QString(QChar(0)) + "x", at(9, 15, 9), "Zelvo__x_2026-12-09 09.15.09 AM.jpg"},
        NameCase{"Empty", "", at(9, 15, 9), "Zelvo__2026-12-09 09.15.09 AM.jpg"},
        NameCase{"Unicode", QString::fromUtf8("Caf\xc3\xa9 \xe5\x89\x8d"), at(9, 15, 9),
                 QString::fromUtf8("Zelvo_Caf\xc3\xa9 \xe5\x89\x8d_2026-12-09 09.15.09 AM.jpg")}),
    [](const testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

TEST(SnapshotFilename, LongTitlesAreCutOnWholeCharactersUnder255Bytes) {
  for (const QString& unit : {QStringLiteral("a"), QString::fromUtf8("\xc3\xa9"), QString::fromUtf8("\xe5\x89\x8d"),
                              QString::fromUtf8("\xf0\x9f\x93\xb7")}) {
    const QString title = unit.repeated(300);
    const QString name = snapshotFilename(title, at(9, 15, 9));
    const QByteArray bytes = name.toUtf8();
    EXPECT_LT(bytes.size(), 255) << unit.toStdString();
    EXPECT_GT(bytes.size(), 240) << unit.toStdString();
    EXPECT_TRUE(name.startsWith("Zelvo_" + unit));
    EXPECT_TRUE(name.endsWith("_2026-12-09 09.15.09 AM.jpg"));
    // Whole characters only: the text survives a round trip.
    EXPECT_EQ(QString::fromUtf8(bytes), name);
    EXPECT_FALSE(name.contains(QChar::ReplacementCharacter));
  }
}

TEST(SnapshotFilename, HostileTitlesStayInTheFolder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::red);
  for (const QString& title : {QStringLiteral("a/b"), QStringLiteral("../x"), QStringLiteral("../../etc/passwd"),
                               QString(300, QChar('x')), QStringLiteral("/")}) {
    const QString path = QDir(dir.path()).filePath(snapshotFilename(title, at(9, 15, 9)));
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(dir.path()).absoluteFilePath()) << title.toStdString();
    EXPECT_TRUE(writeSnapshotJpeg(image, path)) << title.toStdString();
    EXPECT_TRUE(QFile::exists(path));
  }
}

TEST(SnapshotFolder, PrivateRealDirectory) {
  const QString folder = snapshotFolder();
  ASSERT_FALSE(folder.isEmpty());
  EXPECT_EQ(snapshotFolder(), folder);
  struct stat info {};
  ASSERT_EQ(lstat(QFile::encodeName(folder).constData(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode)) << "a directory, not a link";
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(info.st_uid, geteuid());
  EXPECT_TRUE(QFileInfo(folder).absolutePath() == QFileInfo(QDir::tempPath()).absoluteFilePath());
}

TEST(SnapshotJpeg, JpegIsAvailable) {
  EXPECT_TRUE(QImageWriter::supportedImageFormats().contains("jpeg"));
}

TEST(SnapshotJpeg, WritesUprightDecodableFile) {
  QTemporaryDir dir;
  RgbaImage rgba{4, 2, std::vector<uint8_t>(4 * 2 * 4, 0)};
  // Top row white, bottom row black.
  for (int x = 0; x < 4; ++x)
    for (int c = 0; c < 4; ++c) rgba.pixels[x * 4 + c] = 255;
  for (int x = 0; x < 4; ++x) rgba.pixels[(4 + x) * 4 + 3] = 255;
  const QImage image = imageFromRgba(rgba);
  EXPECT_GT(qGray(image.pixel(0, 0)), 200);
  EXPECT_LT(qGray(image.pixel(0, 1)), 50);
  const QString path = dir.filePath("s.jpg");
  ASSERT_TRUE(writeSnapshotJpeg(image.scaled(64, 32), path));
  QImageReader reader(path);
  EXPECT_EQ(reader.format(), "jpeg");
  const QImage read = reader.read();
  ASSERT_EQ(read.size(), QSize(64, 32));
  EXPECT_GT(qGray(read.pixel(32, 2)), 200);
  EXPECT_LT(qGray(read.pixel(32, 29)), 50);
}

TEST(SnapshotJpeg, FailuresAreReportedAndLogged) {
  test::LogCapture log;
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::blue);
  EXPECT_FALSE(writeSnapshotJpeg(image, "/nonexistent-folder/x.jpg"));
  EXPECT_FALSE(writeSnapshotJpeg(QImage(), "/tmp/never.jpg"));
  EXPECT_FALSE(QFile::exists("/tmp/never.jpg"));
  EXPECT_FALSE(log.lines().empty());
}

QImage filled(QColor colour) {
  QImage image(32, 16, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

TEST(SnapshotMimeData, WritesOnFirstRequestAndGivesOneUrl) {
  QTemporaryDir dir;
  SnapshotMimeData data(filled(Qt::red), dir.path(), "Zelvo_A.jpg");
  EXPECT_EQ(data.formats(), QStringList{"text/uri-list"});
  EXPECT_TRUE(data.hasUrls());
  EXPECT_FALSE(QFile::exists(dir.filePath("Zelvo_A.jpg"))) << "nothing written until asked";
  const QList<QUrl> first = data.urls();
  ASSERT_EQ(first.size(), 1);
  EXPECT_EQ(first.front(), QUrl::fromLocalFile(dir.filePath("Zelvo_A.jpg")));
  EXPECT_EQ(data.urls(), first);
  EXPECT_EQ(data.data("text/uri-list"), first.front().toEncoded() + "\r\n");
  EXPECT_EQ(data.writes(), 1);
  const QImage read(dir.filePath("Zelvo_A.jpg"));
  ASSERT_FALSE(read.isNull());
  EXPECT_GT(qRed(read.pixel(16, 8)), 200);
  EXPECT_LT(qBlue(read.pixel(16, 8)), 60);
}

TEST(SnapshotMimeData, RemovedFileComesBackUnderTheSameUrl) {
  QTemporaryDir dir;
  SnapshotMimeData data(filled(Qt::green), dir.path(), "Zelvo_B.jpg");
  const QList<QUrl> first = data.urls();
  ASSERT_TRUE(QFile::remove(dir.filePath("Zelvo_B.jpg")));
  EXPECT_EQ(data.urls(), first);
  EXPECT_TRUE(QFile::exists(dir.filePath("Zelvo_B.jpg")));
}

TEST(SnapshotMimeData, UnwritableFolderGivesNoData) {
  test::LogCapture log;
  SnapshotMimeData data(filled(Qt::red), "/nonexistent-folder", "Zelvo_C.jpg");
  EXPECT_TRUE(data.urls().isEmpty());
  EXPECT_TRUE(data.data("text/uri-list").isEmpty());
  SnapshotMimeData noFolder(filled(Qt::red), QString(), "Zelvo_C.jpg");
  EXPECT_TRUE(noFolder.urls().isEmpty());
  EXPECT_FALSE(log.lines().empty());
  EXPECT_TRUE(data.data("image/png").isEmpty());
}

}  // namespace
}  // namespace zelvo
