// The panel's view of a real live client: empty tables before any recorder spoke, and
// once the wall has let the client go, a port that says so, reads empty and sends nothing.
#include <gtest/gtest.h>

#include "Network/Live/LiveClient.h"
#include "ViewControllers/SitePanel/LiveClientPanelPort.h"

namespace zelvo {
namespace {

TEST(LiveClientPanelPort, ReadsAnIdleClient) {
  auto client = LiveClient::create();
  LiveClientPanelPort port(client);
  EXPECT_EQ(port.identity(), static_cast<const void*>(static_cast<NetworkClient*>(client.get())));
  EXPECT_FALSE(port.isGone());
  EXPECT_TRUE(port.isDisconnected());
  EXPECT_FALSE(port.isConnected());
  EXPECT_FALSE(port.isConnecting());
  EXPECT_EQ(port.channelCounts(), std::nullopt);  // no sync reply yet
  EXPECT_TRUE(port.cameraInfoArray().empty());
  EXPECT_TRUE(port.alarmCommandArray().empty());
  EXPECT_EQ(port.eventMaskForEventInfoType(2), std::nullopt);
  EXPECT_TRUE(port.PTZPresetLabelsForCamera(0).empty());
  EXPECT_TRUE(port.PTZPresetLabelsForCamera(-1).empty());
}

TEST(LiveClientPanelPort, HoldsItsClientWeakly) {
  auto client = LiveClient::create();
  std::weak_ptr<LiveClient> watch = client;
  LiveClientPanelPort port(client);
  const void* identity = port.identity();
  client.reset();
  EXPECT_TRUE(watch.expired()) << "the port kept the client alive";
  EXPECT_TRUE(port.isGone());
  EXPECT_EQ(port.identity(), identity);
  EXPECT_TRUE(port.isDisconnected());
  EXPECT_TRUE(port.cameraInfoArray().empty());
  EXPECT_EQ(port.channelCounts(), std::nullopt);
  // Nothing to send through, and no harm in trying.
  port.sendPTZCommand(1, 0, 2);
  port.sendPTZMovePresetCommandWithCamera(0, 1);
  port.sendPTZSavePresetCommandWithCamera(0, 1, "Gate");
  port.sendAlarmOutChannel(0, true);
}

}  // namespace
}  // namespace zelvo
