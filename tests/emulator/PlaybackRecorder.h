#pragma once
// The recorder's side of playback, on top of a RecorderEmulator: scripted
// recording and event calendars, time slices, sections, event pages and a
// recording of frames that it streams on a play, a jump or a channel change. It
// confirms every pause with a 519 (also when it was already stopped), ends a
// recording by itself with a 519, and can hold, drop or garble an answer.
//
// Threads: the answers run on the emulator's connection thread; each playback
// streams on a thread of its own, so that a pause is read while frames go out. A
// pause stops the stream before it is confirmed: no frame of a stopped playback
// follows its 519.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

#include "emulator/LiveMessages.h"
#include "emulator/RecorderEmulator.h"

namespace zelvo::emulator {

struct When {
  int year = 2026, month = 3, day = 4, hour = 0, minute = 0, second = 0;
  auto key() const { return std::tuple(year, month, day, hour, minute, second); }
  bool operator<(const When& other) const { return key() < other.key(); }
  bool operator<=(const When& other) const { return key() <= other.key(); }
  bool operator==(const When& other) const { return key() == other.key(); }
};

struct StoragePosition {
  uint32_t storageID = 0, pageNumber = 0, pageOffset = 0;
  bool operator==(const StoragePosition&) const = default;
};

struct EmulatedSlice {
  uint32_t sectionID = 1;
  When from, to;
  uint32_t channelMask = 1;
};

struct EmulatedEvent {
  int8_t type = 1;  // motion
  uint8_t eventID = 0;
  uint32_t channelMask = 1;
  When when;
  uint64_t mediaID = 0;
  StoragePosition position;
};

struct RecordedFrame {
  live::Frame frame;  // type, channel mask, media ID, time, time stamp and data
  StoragePosition position;
  bool visible = true;
  When when() const {
    return {frame.year, frame.month, frame.day, frame.hour, frame.minute, frame.second};
  }
};

struct PlaybackScript {
  std::vector<When> recordingCalendar;
  std::vector<When> eventCalendar;
  std::vector<EmulatedSlice> slices;
  std::vector<int32_t> sections;
  std::vector<EmulatedEvent> events;
  std::vector<RecordedFrame> recording;
  int32_t endReason = 3;    // the recording ended by itself
  int32_t pauseReason = 1;  // a pause confirmed
};

// A recording of `count` frames from 2026-03-04 10:00:00 at 25 frames per second
// (time stamps in milliseconds), alternating over the channels of channelMask's
// lowest bit only; every fifth frame is followed by an audio frame when withAudio.
std::vector<RecordedFrame> makeRecording(int count, uint32_t channelMask = 1, bool withAudio = false);

// What zelvo-recorder-emulator plays: calendars of 2026-03-04 and -05, three
// slices, eight motion events and ten seconds of channel 0 with audio.
PlaybackScript demoPlaybackScript();

// What to do with the next answer of a type.
enum class AnswerFault {
  Hold,    // kept back, with every answer after it, until releaseHeld()
  Drop,    // never sent
  Garble,  // a count far beyond the bytes that follow
  Short,   // cut to 2 bytes
};

class PlaybackRecorder {
 public:
  PlaybackRecorder(RecorderEmulator& emulator, PlaybackScript script);
  // Stops the stream and joins its thread.
  ~PlaybackRecorder();
  PlaybackRecorder(const PlaybackRecorder&) = delete;
  PlaybackRecorder& operator=(const PlaybackRecorder&) = delete;

  void setScript(PlaybackScript script);
  void addFault(uint16_t answerType, AnswerFault fault);
  void releaseHeld();
  size_t heldAnswers() const;
  // Streams stop after this many frames until releaseStream() (or a pause).
  void holdStreamAfter(std::optional<size_t> frames);
  void releaseStream();

  // Media identifiers streamed so far, per playback (one entry per play or jump).
  std::vector<std::vector<uint64_t>> streams() const;
  size_t framesSent() const;
  int pausesConfirmed() const { return pausesConfirmed_.load(); }
  int endsSent() const { return endsSent_.load(); }
  bool isStreaming() const;

 private:
  struct Playback {
    std::vector<RecordedFrame> frames;
  };

  void handle(Session& session, const ReceivedPacket& packet);
  void answer(Session& session, uint16_t type, Bytes payload);
  void startStream(Session& session, std::vector<RecordedFrame> frames);
  void stopStream();
  void stream(std::shared_ptr<Session> session, std::vector<RecordedFrame> frames, size_t index);
  std::vector<RecordedFrame> framesFrom(size_t first, int direction, uint32_t mask, bool audio) const;
  Bytes eventPage();

  RecorderEmulator& emulator_;
  mutable std::mutex mutex_;
  std::condition_variable streamChanged_;
  PlaybackScript script_;
  std::map<uint16_t, std::deque<AnswerFault>> faults_;
  bool holding_ = false;
  std::vector<std::pair<uint16_t, Bytes>> held_;
  std::optional<size_t> holdStreamAfter_;
  bool streamReleased_ = false;
  // The play request being set up (525, then 518) and the one playing.
  uint32_t playMask_ = 0xFFFFFFFF;
  int playDirection_ = 1;
  bool playAudio_ = false;
  // Event pages: the matches of the last list and the page shown.
  std::vector<EmulatedEvent> eventMatches_;
  size_t pageStart_ = 0, pageSize_ = 0;

  std::vector<std::vector<uint64_t>> streams_;
  std::atomic<bool> stopStream_{false};
  std::atomic<bool> streaming_{false};
  std::thread streamThread_;
  std::atomic<int> pausesConfirmed_{0};
  std::atomic<int> endsSent_{0};
};

}  // namespace zelvo::emulator
