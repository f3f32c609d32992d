// Every reader of received bytes, run over every prefix of a valid message: each
// prefix fails cleanly (ReadError, cursor where it was), or, for an option list,
// reads as having no options. Run under ASan the prefix is exactly the bytes
// allocated for the packet's payload, so any read beyond it is caught.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Network/DateTime.h"
#include "Network/Interval.h"
#include "Network/MediaFrame.h"
#include "Network/MediaFrameFixtures.h"
#include "Network/Packet.h"

namespace zelvo {
namespace {

using test::Bytes;

// A packet whose block ends right at the payload's end (no spare capacity).
std::shared_ptr<Packet> exactPacket(const Bytes& payload) {
  auto packet = Packet::create(Packet::HeaderSize + static_cast<int64_t>(payload.size()));
  packet->pushUint16(Packet::Marker);
  packet->pushUint16(MessageTypeLiveMediaFrame);
  packet->pushUint32(static_cast<uint32_t>(payload.size()));
  if (!payload.empty()) packet->pushBytes(payload.data(), static_cast<int64_t>(payload.size()));
  packet->flip();
  packet->seekToPayload();
  return packet;
}

struct ReaderCase {
  const char* name;
  Bytes message;
  std::function<void(ByteBuffer&)> read;
};

class EveryPrefix : public testing::TestWithParam<ReaderCase> {};

TEST_P(EveryPrefix, FailsCleanlyUntilTheMessageIsWhole) {
  const ReaderCase& row = GetParam();
  for (size_t length = 0; length < row.message.size(); ++length) {
    auto packet = exactPacket(Bytes(row.message.begin(), row.message.begin() + static_cast<long>(length)));
    EXPECT_THROW(row.read(*packet), ReadError) << length;
    EXPECT_EQ(packet->position(), Packet::HeaderSize) << length;
  }
  auto packet = exactPacket(row.message);
  EXPECT_NO_THROW(row.read(*packet));
}

template <typename T>
std::function<void(ByteBuffer&)> readerOf() {
  return [](ByteBuffer& buffer) {
    T object;
    buffer.popObject(object);
  };
}

// A frame is kept only when its options can be read too.
void readFrameAndOptions(ByteBuffer& buffer) {
  MediaFrame frame;
  buffer.popObject(frame);
  CodecInfo info;
  if (!frame.title() || !frame.getCodecInfo(&info)) ADD_FAILURE() << "whole frame lost its options";
}

const Bytes FrameWithOptions = test::frameBytes(
    {}, {0, 0, 0, 1, 0x67},
    test::optionList({{1, test::text("Entrance")}, {2, Bytes(24, 'x')}, {1, test::text("Other")}}));

// The packet's own reads, each over a message that holds exactly what it reads.
const Bytes ThirtyTwoByteField = {'G', 'a', 't', 'e', 0, 0xFF, 0xFE, 0x01, 9, 9, 9, 9, 9, 9, 9, 9,
                                  9,   9,   9,   9,   9, 9,    9,    9,    9, 9, 9, 9, 9, 9, 9, 9};

INSTANTIATE_TEST_SUITE_P(Readers, EveryPrefix,
                         testing::Values(ReaderCase{"Uint8", {0x7F}, [](ByteBuffer& b) { b.popUint8(); }},
                                         ReaderCase{"Int16", {0x80, 0x01}, [](ByteBuffer& b) { b.popInt16(); }},
                                         ReaderCase{"Uint32", {1, 2, 3, 4}, [](ByteBuffer& b) { b.popUint32(); }},
                                         ReaderCase{"Uint64", {1, 2, 3, 4, 5, 6, 7, 8},
                                                    [](ByteBuffer& b) { b.popUint64(); }},
                                         ReaderCase{"Bool", {2}, [](ByteBuffer& b) { b.popBool(); }},
                                         ReaderCase{"Bytes", {1, 2, 3, 4, 5}, [](ByteBuffer& b) { b.popBytes(5); }},
                                         ReaderCase{"GetBytes", {1, 2, 3},
                                                    [](ByteBuffer& b) {
                                                      uint8_t out[3];
                                                      b.getBytes(out, 3);
                                                    }},
                                         ReaderCase{"String", {0, 3, 'a', 'b', 'c', 0},
                                                    [](ByteBuffer& b) { b.popString(); }},
                                         ReaderCase{"InvalidString", {0, 2, 0xC0, 0x80, 0},
                                                    [](ByteBuffer& b) { b.popString(); }},
                                         ReaderCase{"StringAt", {0, 3, 'a', 'b', 'c', 0},
                                                    [](ByteBuffer& b) { b.popStringAt(b.position()); }},
                                         ReaderCase{"FixedSizeString", ThirtyTwoByteField,
                                                    [](ByteBuffer& b) { b.popStringFixedSize(32); }},
                                         ReaderCase{"FixedSizeStringAt", ThirtyTwoByteField,
                                                    [](ByteBuffer& b) { b.popStringFixedSize(32, b.position()); }},
                                         ReaderCase{"Date", {0x07, 0xDB, 3, 9}, readerOf<Date>()},
                                         ReaderCase{"Time", {0xF8, 13, 5, 9}, readerOf<Time>()},
                                         ReaderCase{"DateTime", {0x07, 0xDB, 3, 9, 0, 13, 5, 9}, readerOf<DateTime>()},
                                         ReaderCase{"Interval",
                                                    {0x07, 0xDB, 3, 9, 0, 10, 0, 0, 0x07, 0xDB, 3, 9, 0, 12, 0, 0},
                                                    readerOf<Interval>()},
                                         ReaderCase{"MediaFrame", FrameWithOptions, readFrameAndOptions}),
                         [](const auto& info) { return std::string(info.param.name); });

// The option list cut short inside a frame that still fits its message: the frame
// is read, the list has no options.
TEST(EveryPrefix, TruncatedOptionListHasNoOptionsAndTheFrameIsKept) {
  Bytes data = {0, 0, 0, 1, 0x67};
  Bytes options = test::optionList({{1, test::text("Entrance")}, {2, Bytes(24, 'x')}});
  for (size_t length = 0; length < options.size(); ++length) {
    Bytes cut(options.begin(), options.begin() + static_cast<long>(length));
    auto packet = exactPacket(test::frameBytes({}, data, cut));
    MediaFrame frame;
    ASSERT_NO_THROW(packet->popObject(frame)) << length;
    EXPECT_FALSE(frame.title()) << length;
    CodecInfo info;
    EXPECT_FALSE(frame.getCodecInfo(&info)) << length;
    MediaFrameOption option;
    for (uint16_t type = 0; type < 4; ++type) EXPECT_FALSE(frame.findOption(type, &option)) << length;
    EXPECT_EQ(Bytes(frame.data(), frame.data() + frame.mediaDataSize()), data);
  }
}

}  // namespace
}  // namespace zelvo
