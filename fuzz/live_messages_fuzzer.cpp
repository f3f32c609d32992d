// The live and remote-setup message handlers fed hostile messages: the input is a
// run of (u8 message selector, u16 length, payload) records, each handed to a
// logged-in live client (with media accepted) or to a setup client as a received
// packet. A bad message may be dropped; nothing else may happen, and the tables
// must stay consistent.
#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "Network/Live/LiveClient.h"
#include "Network/MessageType.h"
#include "Network/Packet.h"
#include "Network/Setup/SetupClient.h"

using namespace zelvo;

namespace {

class FuzzLiveClient : public LiveClient {
 public:
  using LiveClient::LiveClient;
  using LiveClient::analyzePacket;
  using LiveClient::loginSucceed;
};

class FuzzSetupClient : public SetupClient {
 public:
  using SetupClient::SetupClient;
  using SetupClient::analyzePacket;
};

constexpr uint16_t liveTypes[] = {MessageTypeLiveMediaFrame,       MessageTypeCameraInfo,
                                  MessageTypePTZ,                  MessageTypeEventInfo,
                                  MessageTypeAlarmCommand,         MessageTypeHTTPStreamingReady,
                                  MessageTypeHTTPStreamingFailed,  MessageTypeLiveError};
constexpr uint16_t setupTypes[] = {MessageTypeSetupBusy, MessageTypeOSDImage, MessageTypeOSDSize};

std::shared_ptr<Packet> received(uint16_t type, const uint8_t* payload, size_t length) {
  auto packet = Packet::create(static_cast<int64_t>(Packet::HeaderSize + length), 8);
  if (!packet) return nullptr;
  packet->pushUint16(Packet::Marker);
  packet->pushUint16(type);
  packet->pushUint32(static_cast<uint32_t>(length));
  packet->pushBytes(payload, static_cast<int64_t>(length));
  packet->flip();
  return packet;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto thread = NetworkThread::createOnCurrentThread();
  auto live = std::make_shared<FuzzLiveClient>(thread);
  auto setup = std::make_shared<FuzzSetupClient>(thread);
  live->loginSucceed();
  live->sendVideoChannelMask(BitMask32(0xFFFFFFFFu), false, false);

  size_t at = 0;
  while (at + 3 <= size) {
    uint8_t selector = data[at];
    size_t length = static_cast<size_t>(data[at + 1]) << 8 | data[at + 2];
    at += 3;
    if (length > size - at) length = size - at;
    bool toSetup = selector & 0x80;
    uint16_t type = toSetup ? setupTypes[selector % 3] : liveTypes[selector % 8];
    auto packet = received(type, data + at, length);
    at += length;
    if (!packet) continue;
    try {
      if (toSetup)
        setup->analyzePacket(packet);
      else
        live->analyzePacket(packet);
    } catch (const ReadError&) {
      // dropped, as the client's dispatcher drops it
    }
  }

  QCoreApplication::processEvents();  // the dropped sends posted to the network thread

  // Whatever arrived, the tables stay whole and readable.
  for (const CameraInfo& camera : *live->cameraInfoArray()) camera.titleWithDefaultValue();
  for (const AlarmCommand& alarm : *live->alarmCommandArray()) alarm.titleWithDefaultValue();
  for (const auto& labels : *live->PTZPresetLabels())
    if (labels.size() > 255) std::abort();
  live->PTZPresetLabelsForCamera(3);
  return 0;
}
