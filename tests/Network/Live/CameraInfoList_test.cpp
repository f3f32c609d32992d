#include "Network/Live/CameraInfoList.h"

#include <gtest/gtest.h>

#include "Network/Live/RecordBytes.h"

namespace zelvo {
namespace {

using test::Bytes;
using test::BytesBuilder;
using test::Reader;

// Two cameras: "Gate" (status 1, covert 1, PTZ, no audio, FF 00 05 7F) and a
// 32-byte title without a terminator (status 9, covert 3, flags 2 and 1).
Bytes twoCameras() {
  BytesBuilder b;
  b.u8(2).field("Gate", 32).field("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 32);
  b.u8(1).u8(9);        // statuses
  b.u8(1).u8(3);        // covert levels
  b.u8(1).u8(2);        // PTZ flags
  b.u8(0).u8(1);        // audio flags
  b.u8(0xFF).u8(0x00).u8(0x05).u8(0x7F);
  b.u8(0x80).u8(1).u8(2).u8(3);
  return b.bytes();
}

TEST(CameraInfoList, EmptyTableConsumesOneByte) {
  Reader reader(Bytes{0, 0xAA});
  CameraInfoList list(reader.buffer());
  EXPECT_EQ(list.cameraCount(), 0);
  EXPECT_TRUE(list.convertAsMutableArray().empty());
  EXPECT_EQ(reader.buffer().position(), 1);
}

TEST(CameraInfoList, TwoCamerasColumnByColumn) {
  Bytes bytes = twoCameras();
  bytes.push_back(0xAA);  // whatever follows is not read
  Reader reader(bytes);
  CameraInfoList list(reader.buffer());
  EXPECT_EQ(reader.buffer().position(), 81);
  ASSERT_EQ(list.cameraCount(), 2);

  EXPECT_EQ(list.cameraTitle(0), "Gate");
  EXPECT_EQ(list.cameraTitle(1), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
  EXPECT_EQ(list.cameraStatus(0), 1);
  EXPECT_EQ(list.cameraStatus(1), 9) << "a table is stored as received";
  EXPECT_EQ(list.cameraCovertLevel(1), 3);
  EXPECT_TRUE(list.isPTZAvailable(0));
  EXPECT_TRUE(list.isPTZAvailable(1)) << "any non-zero byte";
  EXPECT_FALSE(list.isAudioAvailable(0));
  EXPECT_TRUE(list.isAudioAvailable(1));
  CameraColor color = list.cameraColor(0);
  EXPECT_EQ(color.brightness, -1);
  EXPECT_EQ(color.contrast, 0);
  EXPECT_EQ(color.hue, 5);
  EXPECT_EQ(color.saturation, 127);
  EXPECT_EQ(list.cameraColor(1), (CameraColor{-128, 1, 2, 3}));

  std::vector<CameraInfo> cameras = list.convertAsMutableArray();
  ASSERT_EQ(cameras.size(), 2u);
  EXPECT_EQ(cameras[0].number(), 0);
  EXPECT_EQ(cameras[1].number(), 1);
  EXPECT_EQ(cameras[0].title(), "Gate");
  EXPECT_EQ(cameras[1].status(), 9);
  EXPECT_EQ(cameras[1].covertLevel(), 3);
  EXPECT_TRUE(cameras[0].ptzAvailability());
  EXPECT_TRUE(cameras[1].audioAvailability());
  EXPECT_EQ(cameras[0].color(), (CameraColor{-1, 0, 5, 127}));
}

TEST(CameraInfoList, BrokenTitleKeepsItsValidPrefix) {
  BytesBuilder b;
  b.u8(1).raw(Bytes{'C', 'a', 'm', 0xC3}).field("", 28).u8(1).u8(1).u8(0).u8(0).u32(0);
  Reader reader(b.bytes());
  CameraInfoList list(reader.buffer());
  EXPECT_EQ(list.cameraTitle(0), "Cam");
  EXPECT_EQ(reader.buffer().position(), 41);
}

TEST(CameraInfoList, EveryTruncationFailsWithTheCursorUnmoved) {
  Bytes bytes = twoCameras();
  for (size_t length = 0; length < bytes.size(); ++length) {
    Reader reader(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length)));
    EXPECT_THROW(CameraInfoList list(reader.buffer()), ReadError) << length;
    EXPECT_EQ(reader.buffer().position(), 0) << length;
  }
}

TEST(CameraInfoList, HostileCountIsRefusedBeforeReading) {
  Reader reader(BytesBuilder().u8(255).field("x", 40).bytes());
  EXPECT_THROW(CameraInfoList list(reader.buffer()), ReadError);
}

TEST(CameraInfoListDeathTest, IndexOutsideTheTable) {
  Reader reader(twoCameras());
  CameraInfoList list(reader.buffer());
  EXPECT_DEATH(list.cameraTitle(2), "0 <= index && index < cameraCount_");
  EXPECT_DEATH(list.cameraStatus(-1), "0 <= index && index < cameraCount_");
}

}  // namespace
}  // namespace zelvo
