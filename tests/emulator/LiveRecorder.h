#pragma once
// The live side of a whole recorder, for the emulator program and for tests that
// want one: after login it sends its camera table, alarm list, preset labels and
// events; it answers video and audio masks by streaming fixture frames of the
// cameras asked for, in a loop; it echoes a saved preset as the camera's new labels
// and an alarm-output command as the output's new state.
//
// Tests that check one message at a time send it themselves (LiveMessages) and
// leave this out.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/LiveMessages.h"

namespace zelvo::emulator {

class RecorderEmulator;
class Session;
struct ReceivedPacket;

struct LiveRecorderConfig {
  std::vector<EmulatedCamera> cameras = {{"Entrance", 1, 1, 1, 1, {0, 0, 0, 0}},
                                         {"Yard", 1, 1, 0, 0, {0, 0, 0, 0}},
                                         {"Store", 3, 1, 0, 0, {0, 0, 0, 0}},
                                         {"", 1, 2, 1, 0, {0, 0, 0, 0}}};
  std::vector<EmulatedAlarm> alarms = {{0, 1, 0, "Siren"}, {1, 1, 0, "Gate"}, {2, 1, 0, ""}, {3, 1, 0, "Light"}};
  std::string videoFixture = "d1_baseline.264";
  uint16_t width = 704, height = 480;
  std::string audioFixture = "tone_3511_8k.adpcm";
  std::string audioChip = "3511";
  // One picture (and one audio frame) per camera every this long.
  std::chrono::milliseconds framePause{40};
};

class LiveRecorder {
 public:
  explicit LiveRecorder(LiveRecorderConfig config = {});
  // Stops every stream and waits for it.
  ~LiveRecorder();
  LiveRecorder(const LiveRecorder&) = delete;
  LiveRecorder& operator=(const LiveRecorder&) = delete;

  // Sets the emulator's login hook and its handlers of 259, 260, 263 and 267. The
  // recorder must outlive the emulator (declare it first).
  void install(RecorderEmulator& emulator);

  // The frames streamed, as the emulator sends them (tests compare what arrives).
  const std::vector<Bytes>& videoFrames() const { return video_; }
  const std::vector<Bytes>& audioFrames() const { return audio_; }
  static Bytes videoFrame(const Bytes& picture, int camera, uint64_t index, uint16_t width, uint16_t height);
  static Bytes audioFrame(const Bytes& sound, int camera, uint64_t index, const std::string& chip);

 private:
  struct Stream {
    std::atomic<uint32_t> videoMask{0};
    std::atomic<uint32_t> audioMask{0};
    std::thread thread;
  };

  void loggedIn(Session& session);
  void masksChanged(Session& session);
  void stream(Session& session, Stream& state);
  void presetRequest(Session& session, const ReceivedPacket& packet);
  void alarmRequest(Session& session, const ReceivedPacket& packet);

  const LiveRecorderConfig config_;
  RecorderEmulator* emulator_ = nullptr;
  std::vector<Bytes> video_;
  std::vector<Bytes> audio_;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::map<int, std::shared_ptr<Stream>> streams_;  // by connection
  std::vector<std::vector<std::string>> labels_;
  std::vector<EmulatedAlarm> alarms_;
};

// The live side of zelvo-recorder-emulator (one recorder for the process).
void installLiveRecorder(RecorderEmulator& emulator);

}  // namespace zelvo::emulator
