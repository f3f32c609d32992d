#include "Network/Setup/OSDSizeInfo.h"

#include <gtest/gtest.h>

#include "Network/Live/RecordBytes.h"

namespace zelvo {
namespace {

using test::Bytes;
using test::BytesBuilder;
using test::Reader;

Bytes sizeMessage(std::initializer_list<int32_t> values) {
  BytesBuilder b;
  for (int32_t v : values) b.u32(static_cast<uint32_t>(v));
  return b.bytes();
}

TEST(OSDSizeInfo, ScreenSizeAndDialogRectangle) {
  Reader reader(sizeMessage({800, 600, 100, 50, 500, 350}));
  OSDSizeInfo info(reader.buffer());
  EXPECT_EQ(info.screenSize, QSizeF(800, 600));
  EXPECT_EQ(info.dialogRect, QRectF(100, 50, 500, 350));
  EXPECT_EQ(reader.buffer().position(), 24);
}

TEST(OSDSizeInfo, NegativeValuesAreSigned) {
  Reader reader(sizeMessage({1, 2, -3, -4, 5, 6}));
  EXPECT_EQ(OSDSizeInfo(reader.buffer()).dialogRect, QRectF(-3, -4, 5, 6));
}

TEST(OSDSizeInfo, EveryTruncationFails) {
  Bytes bytes = sizeMessage({800, 600, 100, 50, 500, 350});
  for (size_t length = 0; length < bytes.size(); ++length) {
    Reader reader(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length)));
    EXPECT_THROW(OSDSizeInfo info(reader.buffer()), ReadError) << length;
    EXPECT_EQ(reader.buffer().position(), 0);
  }
}

}  // namespace
}  // namespace zelvo
