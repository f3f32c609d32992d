// A live client before any connection: its empty tables, its profile and the
// preconditions of its senders.
#include "Network/Live/LiveClient.h"

#include <gtest/gtest.h>

#include "Network/Setup/SetupClient.h"

namespace zelvo {
namespace {

class ProfileOf : public LiveClient {
 public:
  using LiveClient::LiveClient;
  using LiveClient::supportingProfile;
};

class SetupProfileOf : public SetupClient {
 public:
  using SetupClient::SetupClient;
  using SetupClient::supportingProfile;
};

TEST(LiveClient, StartsIdleWithEmptyTables) {
  auto thread = NetworkThread::createOnCurrentThread();
  auto client = LiveClient::create(thread);
  EXPECT_FALSE(client->receiveMedia());
  EXPECT_TRUE(client->cameraInfoArray()->empty());
  EXPECT_TRUE(client->alarmCommandArray()->empty());
  EXPECT_TRUE(client->PTZPresetLabels()->empty());
  EXPECT_TRUE(client->eventMasks()->empty());
  EXPECT_FALSE(client->systemEventInfo());
  EXPECT_TRUE(client->PTZPresetLabelsForCamera(0).empty());
  EXPECT_TRUE(client->PTZPresetLabelsForCamera(-1).empty());
  EXPECT_FALSE(client->eventMaskForEventInfoType(EventInfoTypeMotion));
  EXPECT_FALSE(client->isSupportingHTTPStreaming());
  EXPECT_FALSE(client->isSupporting3GHTTPStreaming());
  EXPECT_FALSE(client->isSupportingMobileStreaming());
  EXPECT_FALSE(client->needToRequestMobileStreaming());
}

TEST(LiveClient, ProfilesOfTheClients) {
  auto thread = NetworkThread::createOnCurrentThread();
  EXPECT_EQ(ProfileOf(thread).supportingProfile(), 1);
  EXPECT_EQ(SetupProfileOf(thread).supportingProfile(), 3);
}

TEST(LiveClient, VideoMaskAloneDecidesMediaAcceptance) {
  auto thread = NetworkThread::createOnCurrentThread();
  auto client = LiveClient::create(thread);
  client->sendVideoChannelMask(BitMask32(0x5), true, false);
  EXPECT_TRUE(client->receiveMedia());
  client->sendAudioChannelMask(BitMask32(0x1));
  client->clearVideoChannelMask();
  EXPECT_FALSE(client->receiveMedia());
  client->sendAudioChannelMask(BitMask32(0x3));
  EXPECT_FALSE(client->receiveMedia());
  client->sendVideoChannelMask(BitMask32(0x80000000u));
  EXPECT_TRUE(client->receiveMedia());
}

TEST(LiveClientDeathTest, StreamingChannelOutsideTheMask) {
  auto thread = NetworkThread::createOnCurrentThread();
  auto client = LiveClient::create(thread);
  EXPECT_DEATH(client->sendHTTPStreamingChannel(32, false), "0 <= channel && channel < 32");
  EXPECT_DEATH(client->sendHTTPStreamingChannel(-1, true), "0 <= channel && channel < 32");
}

TEST(SetupClient, SharedClientIsOneInstance) {
  const auto& first = SetupClient::sharedClient();
  ASSERT_TRUE(first);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(SetupClient::sharedClient().get(), first.get());
  EXPECT_EQ(&SetupClient::sharedClient(), &first);
}

}  // namespace
}  // namespace zelvo
