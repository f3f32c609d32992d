// Feeds arbitrary payloads to the playback client's message handlers, as the
// recorder would send them after login: calendars, slices, sections, event pages,
// recorded frames (while playing) and pauses. No crash, no hang, no unbounded
// allocation; the machine keeps moving.

#include <cstddef>
#include <cstdint>
#include <memory>

#include <QCoreApplication>

#include "Foundation/MainThread.h"
#include "Network/ByteBuffer.h"
#include "Network/Packet.h"
#include "Network/Playback/PacingClock.h"
#include "Network/Playback/PlaybackClient.h"

namespace {

using namespace zelvo;

// Virtual time: pacing never waits on a wall clock.
class InstantClock : public PacingClock {
 public:
  double now() override { return now_ += 0.001; }
  int64_t waitFor(double seconds) override {
    now_ += seconds;
    return 1;
  }
  void wakeup() override {}

 private:
  double now_ = 1000.0;
};

class FuzzedPlaybackClient : public PlaybackClient {
 public:
  using PlaybackClient::PlaybackClient;
  using PlaybackClient::analyzePacket;
  using PlaybackClient::loginSucceed;
};

FuzzedPlaybackClient& client() {
  static auto* shared = [] {
    // Nothing observes, and this thread is the main thread that the playback
    // queue would wait for: posts are dropped instead.
    closeMainThreadHops();
    auto* c = new std::shared_ptr<FuzzedPlaybackClient>(std::make_shared<FuzzedPlaybackClient>(
        NetworkThread::createOnCurrentThread(), std::make_shared<InstantClock>()));
    (*c)->loginSucceed();
    return c;
  }();
  return **shared;
}

constexpr uint16_t Types[] = {513, 514, 515, 516, 517, 517, 517, 519, 521, 518, 520, 522, 7};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  FuzzedPlaybackClient& c = client();
  const uint8_t selector = data[0];
  // Every few inputs a play or a pause, so frames meet every state.
  if (selector & 0x80) {
    if (selector & 0x40)
      c.pause();
    else
      c.play(PlayRequest::playRequestPlay(BitMask32(0xFFFFFFFF), Interval::intervalWholePeriod(), selector & 1,
                                          (selector >> 1) & 7, true));
  }
  auto packet = Packet::createWithMessageType(Types[(selector & 0x3F) % (sizeof Types / sizeof Types[0])]);
  if (!packet) return 0;
  packet->pushBytes(data + 1, static_cast<int64_t>(size - 1));
  packet->pack();
  try {
    c.analyzePacket(packet);
  } catch (const ReadError&) {
    // What the base does with a message that runs past its end: dropped.
  }
  c.syncOnPlaybackQueue([] {});
  QCoreApplication::processEvents();  // the sends, dropped on the network thread
  return 0;
}
