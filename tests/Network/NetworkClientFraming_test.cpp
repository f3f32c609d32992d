// Framing of the received byte stream and the send path, over a scripted stream.
#include <gtest/gtest.h>

#include "Network/FakeClientFixture.h"

namespace zelvo::test {
namespace {

using Framing = FakeClient;

// Three packets and two keep-alives, one of them empty in the middle.
Bytes mixedStream() {
  return concat({framePacket(UnknownType, {1, 2, 3}), keepAliveBytes(), framePacket(OtherUnknownType, {}),
                 framePacket(ThirdUnknownType, Bytes(40, 0xAB)), keepAliveBytes()});
}

void expectMixedStream(const TestClient& client, const FakeByteStream& stream) {
  auto packets = client.analyzedPackets();
  ASSERT_EQ(packets.size(), 5u);
  EXPECT_EQ(client.analyzedTypes(), (std::vector<uint16_t>{UnknownType, MessageTypeAlive, OtherUnknownType, ThirdUnknownType, MessageTypeAlive}));
  EXPECT_EQ(packets[0].payload, (Bytes{1, 2, 3}));
  EXPECT_TRUE(packets[1].payload.empty());
  EXPECT_EQ(packets[2].limit, Packet::HeaderSize);
  EXPECT_EQ(packets[3].payload, Bytes(40, 0xAB));
  EXPECT_EQ(packets[4].limit, Packet::HeaderSize);
  // Both keep-alives answered, each with an empty keep-alive.
  EXPECT_EQ(stream.written(), concat({keepAliveBytes(), keepAliveBytes()}));
}

TEST_F(Framing, SeveralPacketsInOneChunkArriveInOrderInOneReadEvent) {
  logIn();
  int readsBefore = stream->reads();
  stream->receive(mixedStream());
  EXPECT_EQ(stream->reads() - readsBefore, 1);
  expectMixedStream(*client, *stream);
}

TEST_F(Framing, APacketSplitAtEveryOffsetIsCompletedByTheNextChunk) {
  const Bytes all = mixedStream();
  for (size_t split = 1; split < all.size(); ++split) {
    SCOPED_TRACE("split at " + std::to_string(split));
    makeClient(1);
    logIn();
    stream->receive(Bytes(all.begin(), all.begin() + static_cast<long>(split)));
    stream->receive(Bytes(all.begin() + static_cast<long>(split), all.end()));
    expectMixedStream(*client, *stream);
    if (HasFailure()) return;
  }
}

TEST_F(Framing, OneByteAtATime) {
  logIn();
  for (uint8_t byte : mixedStream()) stream->receive({byte});
  expectMixedStream(*client, *stream);
}

TEST_F(Framing, AnEmptyPacketEndingAChunkIsHandedOverFlipped) {
  logIn();
  stream->receive(framePacket(OtherUnknownType, {}));
  auto packets = client->analyzedPackets();
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0].limit, Packet::HeaderSize);
  EXPECT_TRUE(packets[0].payload.empty());
}

TEST_F(Framing, AKeepAliveIsAnsweredAtTheEndAndInTheMiddleOfAChunk) {
  logIn();
  stream->receive(keepAliveBytes());
  EXPECT_EQ(stream->written(), keepAliveBytes());
  stream->clearWritten();
  stream->receive(concat({keepAliveBytes(), framePacket(UnknownType, {9})}));
  EXPECT_EQ(stream->written(), keepAliveBytes());
  EXPECT_EQ(client->analyzedTypes(), (std::vector<uint16_t>{MessageTypeAlive, MessageTypeAlive, UnknownType}));
}

TEST_F(Framing, AfterALargePacketTheNextBufferStartsAtTheDefaultSizeAgain) {
  logIn();
  stream->receive(concat({framePacket(UnknownType, Bytes(100000, 1)), framePacket(OtherUnknownType, {2})}));
  auto packets = client->analyzedPackets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0].payload.size(), 100000u);
  EXPECT_EQ(packets[0].capacity, Packet::HeaderSize + 100000);  // sized once for its payload
  EXPECT_EQ(packets[1].capacity, NetworkClient::ReceiveCapacity);
}

TEST_F(Framing, APayloadOfExactlyTheCapIsReceived) {
  logIn();
  const Bytes header = frameHeader(UnknownType, static_cast<uint32_t>(Packet::MaxPayloadSize));
  stream->receive(header);
  const Bytes chunk(NetworkClient::ReadChunkSize, 0x5A);
  for (int64_t sent = 0; sent < Packet::MaxPayloadSize; sent += NetworkClient::ReadChunkSize) stream->receive(chunk);
  ASSERT_EQ(client->analyzed(), 1);
  EXPECT_EQ(client->analyzedPackets()[0].payload.size(), static_cast<size_t>(Packet::MaxPayloadSize));
  EXPECT_TRUE(client->isConnected());
}

struct HostileLength {
  const char* name;
  uint32_t length;
};

class HostileLengths : public FakeClient, public ::testing::WithParamInterface<HostileLength> {};

TEST_P(HostileLengths, DisconnectWithReason8AndAllocateNothing) {
  logIn();
  stream->receive(concat({frameHeader(MessageTypeLiveMediaFrame, GetParam().length), Bytes(100, 0)}));
  auto last = observer->lastDisconnect();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
  ASSERT_TRUE(last->error);
  EXPECT_EQ(last->error->code, NetworkClientErrorPacketTooLarge);
  EXPECT_NE(last->error->description.find("too large"), std::string::npos);
  EXPECT_TRUE(stream->isClosed());
  EXPECT_EQ(client->analyzed(), 0);
}

INSTANTIATE_TEST_SUITE_P(Lengths, HostileLengths,
                         ::testing::Values(HostileLength{"OneOverTheCap", 16 * 1024 * 1024 + 1},
                                           HostileLength{"Largest", 0xFFFFFFFF}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Framing, TheRestOfAChunkIsDroppedOnceTheConnectionIsTornDown) {
  connectAndOpen();
  stream->clearWritten();
  // Busy, then a sync reply that must not be looked at.
  stream->receive(concat({framePacket(MessageTypeBusy, {}),
                          framePacket(MessageTypeSync, emulator::syncReplyPayload({}))}));
  auto last = observer->lastDisconnect();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonBusy);
  EXPECT_EQ(observer->count(NetworkDisconnectedNotification), 1u);
  EXPECT_TRUE(stream->written().empty());  // no login request went out
  EXPECT_EQ(client->loginStatus(), NetworkLoginStatusDisconnected);
}

TEST_F(Framing, APacketSentWhileAnotherIsPartlyWrittenWaitsBehindIt) {
  logIn();
  const Bytes first = framePacket(MessageTypeVideoChannelMask, {1, 2, 3, 4, 5, 6, 7, 8});
  const Bytes second = framePacket(MessageTypeAudioChannelMask, {9, 9});
  const int callsBefore = stream->writeCalls();
  stream->planWrites({3});
  client->sendPacket(packet(MessageTypeVideoChannelMask, {1, 2, 3, 4, 5, 6, 7, 8}));
  client->sendPacket(packet(MessageTypeAudioChannelMask, {9, 9}));
  EXPECT_EQ(stream->written(), Bytes(first.begin(), first.begin() + 3));
  EXPECT_EQ(stream->writeCalls() - callsBefore, 1);  // the second was queued, not written

  stream->planWrites({4});
  stream->signalSpaceAvailable();
  EXPECT_EQ(stream->written(), Bytes(first.begin(), first.begin() + 7));
  stream->signalSpaceAvailable();  // finishes the first; one packet per event
  EXPECT_EQ(stream->written(), first);
  stream->signalSpaceAvailable();
  EXPECT_EQ(stream->written(), concat({first, second}));
  stream->signalSpaceAvailable();  // nothing left: nothing written
  EXPECT_EQ(stream->written(), concat({first, second}));
  EXPECT_TRUE(client->isConnected());
}

TEST_F(Framing, AWriteOfZeroBytesDropsThatPacketAndKeepsTheConnection) {
  logIn();
  LogCapture log;
  stream->planWrites({0});
  client->sendPacket(packet(MessageTypeVideoChannelMask, {1}));
  client->sendPacket(packet(MessageTypeAudioChannelMask, {2}));
  EXPECT_TRUE(log.contains("WRITE RETURNS ZERO. outputStream:recorder.test:9000"));
  EXPECT_EQ(stream->written(), framePacket(MessageTypeAudioChannelMask, {2}));
  EXPECT_TRUE(client->isConnected());
}

TEST_F(Framing, APacketThatCouldNotBeBuiltIsDroppedAndTheNextOneGoesOut) {
  logIn();
  LogCapture log;
  auto failed = Packet::createWithMessageType(MessageTypeVideoChannelMask);
  const uint8_t byte = 1;
  failed->pushBytes(&byte, 1, int64_t{1} << 40);  // past the cap: marked failed, nothing allocated
  ASSERT_TRUE(failed->isFailed());
  client->sendPacket(failed);
  client->sendPacket(packet(MessageTypeAudioChannelMask, {2}));
  EXPECT_TRUE(log.contains("Dropped a packet of type 259 that could not be built"));
  EXPECT_EQ(stream->written(), framePacket(MessageTypeAudioChannelMask, {2}));
  EXPECT_TRUE(client->isConnected());
}

TEST_F(Framing, AFailedWriteDisconnectsWithTheStreamsError) {
  logIn();
  stream->planWrites({FakeByteStream::WriteFails});
  client->sendPacket(packet(MessageTypeVideoChannelMask, {1}));
  auto last = observer->lastDisconnect();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
  ASSERT_TRUE(last->error);
  EXPECT_EQ(last->error->description, "write failed");
}

TEST_F(Framing, AFailedWriteWhileDrainingTheQueueDisconnects) {
  logIn();
  stream->planWrites({1, FakeByteStream::WriteFails});
  client->sendPacket(packet(MessageTypeVideoChannelMask, {1, 2}));
  stream->signalSpaceAvailable();
  auto last = observer->lastDisconnect();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonStreamError);
}

TEST_F(Framing, AReadOfZeroBytesIsAPeerClose) {
  logIn();
  stream->receiveEnd();
  auto last = observer->lastDisconnect();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->reason, NetworkDisconnectionReasonRemoteClosed);
  EXPECT_FALSE(last->error);
}

TEST_F(Framing, EndEncounteredAloneChangesNothing) {
  logIn();
  stream->signalEndEncountered();
  EXPECT_TRUE(client->isConnected());
}

}  // namespace
}  // namespace zelvo::test
