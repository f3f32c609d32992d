#pragma once
// The live side of a whole recorder, for the emulator program and for tests that
// want one: after login it sends its camera table, alarm list, preset labels and
// events; it answers video and audio masks by streaming, on each connection,
// exactly the cameras of the last masks that connection sent, 25 rounds a second
// with time stamps and dates of the real clock; it echoes a saved preset as the
// camera's new labels and an alarm-output command as the output's new state.
// Each camera has a picture and a tone of its own (WallMedia.h) unless a fixture
// is named for all of them. It counts the frames it sent per camera and drops
// its connections on command.
//
// Tests that check one message at a time send it themselves (LiveMessages) and
// leave this out.

#include <array>
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
  // Empty: camera n streams its own pictures (352 x 240). Otherwise this fixture for
  // every camera, announced at width x height.
  std::string videoFixture;
  uint16_t width = 704, height = 480;
  // Empty: camera n sounds its own tone (chip "3511", 8000 Hz). Otherwise this
  // fixture for every camera, in the layout of audioChip.
  std::string audioFixture;
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

  // The media data streamed for a camera, frame by frame (tests compare what arrives).
  const std::vector<Bytes>& videoFrames(int camera = 0) const;
  const std::vector<Bytes>& audioFrames(int camera = 0) const;
  // Frames sent for the camera so far, over every connection.
  uint64_t videoFramesSent(int camera) const;
  uint64_t audioFramesSent(int camera) const;
  // Ends every connection that logged in, as a recorder that goes away: an orderly
  // close, or a reset. The number of connections ended.
  int dropConnections(bool reset = false);
  // A frame of the camera with the given time stamp (microseconds) and the current date.
  static Bytes videoFrame(const Bytes& picture, int camera, uint64_t index, uint16_t width, uint16_t height,
                          uint64_t timeStamp);
  static Bytes audioFrame(const Bytes& sound, int camera, uint64_t index, const std::string& chip,
                          uint64_t timeStamp);

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
  // Per camera (at most 32); each camera's media loops.
  std::vector<std::vector<Bytes>> video_;
  std::vector<std::vector<Bytes>> audio_;
  std::array<std::atomic<uint64_t>, 32> videoSent_{};
  std::array<std::atomic<uint64_t>, 32> audioSent_{};
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::map<int, std::shared_ptr<Stream>> streams_;  // by connection
  std::vector<std::vector<std::string>> labels_;
  std::vector<EmulatedAlarm> alarms_;
};

// The live side of zelvo-recorder-emulator (one recorder for the process).
void installLiveRecorder(RecorderEmulator& emulator);

}  // namespace zelvo::emulator
