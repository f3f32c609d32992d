#include "Network/Setup/OSDImage.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "Network/Packet.h"

namespace zelvo {
namespace {

QByteArray pngOf(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

uint32_t crc32(const QByteArray& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (char c : bytes) {
    crc ^= static_cast<uint8_t>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// A well-formed PNG header that announces a picture far beyond Qt's allocation
// limit (60000 x 60000 RGBA is about 13 GiB).
QByteArray giantPng() {
  auto be32 = [](uint32_t v) {
    QByteArray b;
    for (int shift = 24; shift >= 0; shift -= 8) b.append(static_cast<char>(v >> shift));
    return b;
  };
  QByteArray ihdr = QByteArray("IHDR") + be32(60000) + be32(60000) + QByteArray("\x08\x06\x00\x00\x00", 5);
  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  png += be32(13) + ihdr + be32(crc32(ihdr));
  // A little picture data, so only the limit stops the decoder from allocating.
  QByteArray idat = QByteArray("IDAT") + qCompress(QByteArray(1000, 0)).mid(4);
  png += be32(static_cast<uint32_t>(idat.size() - 4)) + idat + be32(crc32(idat));
  QByteArray iend("IEND");
  png += be32(0) + iend + be32(crc32(iend));
  return png;
}

std::shared_ptr<Packet> pictureMessage(int32_t x, int32_t y, const char* mime, int32_t length,
                                       const QByteArray& png) {
  auto packet = Packet::createWithMessageType(MessageTypeOSDImage);
  packet->pushInt32(x);
  packet->pushInt32(y);
  packet->pushString(mime);
  packet->pushInt32(length);
  packet->pushBytes(png.constData(), png.size());
  packet->pack();
  return packet;
}

TEST(OSDImage, DecodesThePictureAtItsOffset) {
  QByteArray png = pngOf(3, 2);
  auto packet = pictureMessage(-5, 40, "image/png", static_cast<int32_t>(png.size()), png);
  auto image = OSDImage::create(*packet);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->offset(), QPointF(-5, 40));
  EXPECT_EQ(image->size(), QSizeF(3, 2));
  EXPECT_EQ(image->image().size(), QSize(3, 2));
  EXPECT_EQ(image->mime(), "image/png");
  EXPECT_EQ(image->osdData(), png);
  EXPECT_EQ(image->description(), "mime = image/png; size (3.000000, 2.000000); offset (-5.000000, 40.000000)");
}

struct EmptyCase {
  const char* name;
  QByteArray bytes;
};

class OSDImageEmpty : public testing::TestWithParam<EmptyCase> {};

TEST_P(OSDImageEmpty, GivesAnEmptyPictureOfSizeZero) {
  const QByteArray& bytes = GetParam().bytes;
  auto image = OSDImage::create(*pictureMessage(1, 2, "image/png", static_cast<int32_t>(bytes.size()), bytes));
  ASSERT_TRUE(image) << "still posted";
  EXPECT_TRUE(image->image().isNull());
  EXPECT_EQ(image->size(), QSizeF(0, 0));
  EXPECT_EQ(image->offset(), QPointF(1, 2));
}

INSTANTIATE_TEST_SUITE_P(Cases, OSDImageEmpty,
                         testing::Values(EmptyCase{"NoBytes", QByteArray()},
                                         EmptyCase{"NotAPng", QByteArray("not a picture")},
                                         EmptyCase{"TruncatedPng", pngOf(4, 4).left(30)},
                                         EmptyCase{"PngBeyondTheAllocationLimit", giantPng()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OSDImage, AllocationLimitStaysOn) { EXPECT_GT(QImageReader::allocationLimit(), 0); }

TEST(OSDImage, HostileLengthsFailTheMessage) {
  QByteArray png = pngOf(2, 2);
  for (int32_t length : {-1, static_cast<int32_t>(png.size()) + 1, 0x7FFFFFFF, static_cast<int32_t>(0x80000000)}) {
    auto packet = pictureMessage(0, 0, "image/png", length, png);
    EXPECT_THROW(OSDImage::create(*packet), ReadError) << length;
  }
}

TEST(OSDImage, EveryTruncationFailsTheMessage) {
  QByteArray png = pngOf(2, 2);
  auto whole = pictureMessage(0, 0, "image/png", static_cast<int32_t>(png.size()), png);
  int64_t payload = whole->limit() - Packet::HeaderSize;
  for (int64_t length = 0; length < payload; ++length) {
    auto packet = Packet::createWithMessageType(MessageTypeOSDImage);
    packet->pushBytes(whole->bufferAt(Packet::HeaderSize), length);
    packet->pack();
    EXPECT_THROW(OSDImage::create(*packet), ReadError) << length;
  }
}

TEST(OSDImage, BrokenMimeTextIsEmpty) {
  auto packet = Packet::createWithMessageType(MessageTypeOSDImage);
  packet->pushInt32(0);
  packet->pushInt32(0);
  const uint8_t mime[] = {0, 2, 0xC3, 0x28, 0};
  packet->pushBytes(mime, sizeof mime);
  packet->pushInt32(0);
  packet->pack();
  auto image = OSDImage::create(*packet);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->mime(), "");
}

}  // namespace
}  // namespace zelvo
