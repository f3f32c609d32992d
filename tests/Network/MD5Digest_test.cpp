// Our MD5 against RFC 1321's own test suite, and against md5sum at every length
// around the padding boundaries.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "Network/MD5Digest.h"

namespace zelvo {
namespace {

std::string hex(const std::array<uint8_t, 16>& digest) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += digits[byte >> 4];
    text += digits[byte & 15];
  }
  return text;
}

TEST(MD5Digest, RFC1321TestSuite) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [input, digest] : rows) EXPECT_EQ(hex(MD5Digest(input)), digest) << input;
}

TEST(MD5Digest, LoginDigests) {
  const std::string key = "\x11\x22\x33\x44";
  EXPECT_EQ(hex(MD5Digest("admin" + key)), "7920e5172472bf77df5e347e0628bdca");
  EXPECT_EQ(hex(MD5Digest(key)), "7e7c77cff5705d1f7574a25ef6662117");
  EXPECT_EQ(hex(MD5Digest("abcdefghijklmnop" + key)), "bc5c6c2da1b87ab17d61717725a5026a");
  EXPECT_EQ(hex(MD5Digest(std::string("admin") + std::string(4, '\0'))), "4e9bac7e28b82c63d94e157e4b4d25fa");
  EXPECT_EQ(hex(MD5Digest(std::string("aaaaaaaaaaaaaaa\xc3", 16) + key)), "fd010d6b358bb674feb3173223ee7438");
}

TEST(MD5Digest, MatchesMd5sumAtEveryLengthUpTo200) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QStringList files;
  std::vector<std::string> inputs;
  for (int length = 0; length <= 200; ++length) {
    std::string input;
    for (int i = 0; i < length; ++i) input += static_cast<char>((i * 131 + length * 7) & 0xFF);
    QString name = dir.filePath(QString::number(length));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(input.data(), static_cast<qint64>(input.size()));
    file.close();
    files << name;
    inputs.push_back(input);
  }
  QProcess md5sum;
  md5sum.start("md5sum", files);
  ASSERT_TRUE(md5sum.waitForFinished(60000));
  const QList<QByteArray> lines = md5sum.readAllStandardOutput().split('\n');
  ASSERT_GE(lines.size(), static_cast<qsizetype>(inputs.size()));
  for (size_t length = 0; length < inputs.size(); ++length)
    EXPECT_EQ(hex(MD5Digest(inputs[length])), lines[static_cast<qsizetype>(length)].left(32).toStdString())
        << "length " << length;
}

}  // namespace
}  // namespace zelvo
