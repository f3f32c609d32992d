#include "emulator/PlaybackRecorder.h"

#include <algorithm>

#include "emulator/EmulatorExtension.h"

namespace zelvo::emulator {

namespace {

constexpr uint16_t RecordingCalendar = 513, TimeSliceList = 514, EventList = 515, SectionList = 516,
                   MediaFrame = 517, PlayRequest = 518, Pause = 519, EventCalendar = 521, EventListContinue = 522,
                   Jump = 523, JumpToNearPosition = 524, PlaybackInterval = 525;

// Big-endian writing and bounded reading of the client's requests.
void put8(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); }
void put16(Bytes& b, uint32_t v) {
  put8(b, v >> 8);
  put8(b, v);
}
void put32(Bytes& b, uint32_t v) {
  put16(b, v >> 16);
  put16(b, v);
}
void putDate(Bytes& b, const When& w) {
  put16(b, uint32_t(w.year));
  put8(b, uint32_t(w.month));
  put8(b, uint32_t(w.day));
}
void putDateTime(Bytes& b, const When& w) {
  putDate(b, w);
  put8(b, 0);
  put8(b, uint32_t(w.hour));
  put8(b, uint32_t(w.minute));
  put8(b, uint32_t(w.second));
}
void putPosition(Bytes& b, const StoragePosition& p) {
  put32(b, p.storageID);
  put32(b, p.pageNumber);
  put32(b, p.pageOffset);
}

struct Reader {
  const Bytes& bytes;
  size_t at = 0;
  bool ok = true;
  uint32_t take(size_t n) {
    if (at + n > bytes.size()) {
      ok = false;
      return 0;
    }
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) v = (v << 8) | bytes[at++];
    return v;
  }
  uint32_t u8() { return take(1); }
  uint32_t u16() { return take(2); }
  uint32_t u32() { return take(4); }
  When date() {
    When w;
    w.year = int(u16());
    w.month = int(u8());
    w.day = int(u8());
    return w;
  }
  When dateTime() {
    When w = date();
    u8();  // offset
    w.hour = int(u8());
    w.minute = int(u8());
    w.second = int(u8());
    return w;
  }
  StoragePosition position() {
    StoragePosition p;
    p.storageID = u32();
    p.pageNumber = u32();
    p.pageOffset = u32();
    return p;
  }
};

bool sameDay(const When& a, const When& b) { return a.year == b.year && a.month == b.month && a.day == b.day; }
When dayOnly(When w) {
  w.hour = w.minute = w.second = 0;
  return w;
}

}  // namespace

std::vector<RecordedFrame> makeRecording(int count, uint32_t channelMask, bool withAudio) {
  std::vector<RecordedFrame> frames;
  uint32_t lowest = channelMask & (~channelMask + 1);
  uint64_t id = 1;
  for (int i = 0; i < count; ++i) {
    RecordedFrame f;
    f.frame.type = 0;
    f.frame.channelMask = lowest;
    f.frame.mediaID = id++;
    f.frame.year = 2026;
    f.frame.month = 3;
    f.frame.day = 4;
    f.frame.hour = 10;
    f.frame.minute = int8_t((i * 40 / 1000) / 60);
    f.frame.second = int8_t((i * 40 / 1000) % 60);
    f.frame.width = 704;
    f.frame.height = 480;
    f.frame.timeStampScale = 1000;
    f.frame.timeStamp = 100000 + uint64_t(i) * 40;
    f.frame.data = Bytes(32, uint8_t(i));
    f.position = {1, uint32_t(i / 10), uint32_t(i % 10)};
    frames.push_back(f);
    if (withAudio && i % 5 == 0) {
      RecordedFrame a = f;
      a.frame.type = 1;
      a.frame.mediaID = id++;
      a.frame.relatedChannelMask = lowest;
      a.frame.width = a.frame.height = 0;
      a.frame.data = Bytes(16, 0x80);
      frames.push_back(a);
    }
  }
  return frames;
}

PlaybackRecorder::PlaybackRecorder(RecorderEmulator& emulator, PlaybackScript script)
    : emulator_(emulator), script_(std::move(script)) {
  for (uint16_t type : {RecordingCalendar, TimeSliceList, EventList, SectionList, PlayRequest, Pause, EventCalendar,
                        EventListContinue, Jump, JumpToNearPosition, PlaybackInterval})
    emulator_.setHandler(type, [this](Session& session, const ReceivedPacket& packet) { handle(session, packet); });
}

PlaybackRecorder::~PlaybackRecorder() {
  for (uint16_t type : {RecordingCalendar, TimeSliceList, EventList, SectionList, PlayRequest, Pause, EventCalendar,
                        EventListContinue, Jump, JumpToNearPosition, PlaybackInterval})
    emulator_.setHandler(type, nullptr);
  stopStream();
}

void PlaybackRecorder::setScript(PlaybackScript script) {
  std::lock_guard lock(mutex_);
  script_ = std::move(script);
}

void PlaybackRecorder::addFault(uint16_t answerType, AnswerFault fault) {
  std::lock_guard lock(mutex_);
  faults_[answerType].push_back(fault);
}

void PlaybackRecorder::releaseHeld() {
  std::vector<std::pair<uint16_t, Bytes>> held;
  {
    std::lock_guard lock(mutex_);
    holding_ = false;
    held.swap(held_);
  }
  for (auto& [type, payload] : held) emulator_.send(type, payload);
}

size_t PlaybackRecorder::heldAnswers() const {
  std::lock_guard lock(mutex_);
  return held_.size();
}

void PlaybackRecorder::holdStreamAfter(std::optional<size_t> frames) {
  std::lock_guard lock(mutex_);
  holdStreamAfter_ = frames;
  streamReleased_ = false;
}

void PlaybackRecorder::releaseStream() {
  std::lock_guard lock(mutex_);
  streamReleased_ = true;
  streamChanged_.notify_all();
}

std::vector<std::vector<uint64_t>> PlaybackRecorder::streams() const {
  std::lock_guard lock(mutex_);
  return streams_;
}

size_t PlaybackRecorder::framesSent() const {
  std::lock_guard lock(mutex_);
  size_t n = 0;
  for (const auto& s : streams_) n += s.size();
  return n;
}

bool PlaybackRecorder::isStreaming() const { return streaming_.load(); }

void PlaybackRecorder::answer(Session& session, uint16_t type, Bytes payload) {
  {
    std::lock_guard lock(mutex_);
    auto& queue = faults_[type];
    if (!queue.empty()) {
      const AnswerFault fault = queue.front();
      queue.pop_front();
      switch (fault) {
        case AnswerFault::Drop:
          return;
        case AnswerFault::Short:
          payload.resize(std::min<size_t>(payload.size(), 2));
          break;
        case AnswerFault::Garble: {
          // The element count, wherever the answer keeps it, made huge.
          const size_t at = type == EventList ? 2 : type == SectionList ? 20 : 0;
          if (payload.size() < at + 4) payload.resize(at + 4);
          for (size_t i = 0; i < 4; ++i) payload[at + i] = i == 0 ? 0x7F : 0xFF;
          break;
        }
        case AnswerFault::Hold:
          holding_ = true;
          break;
      }
    }
    if (holding_) {
      held_.emplace_back(type, std::move(payload));
      return;
    }
  }
  session.send(type, payload);
}

std::vector<RecordedFrame> PlaybackRecorder::framesFrom(size_t first, int direction, uint32_t mask,
                                                        bool audio) const {
  std::vector<RecordedFrame> out;
  const auto& recording = script_.recording;
  auto take = [&](const RecordedFrame& f) {
    if ((f.frame.channelMask & mask) == 0) return;
    if (f.frame.type != 0 && !audio) return;
    out.push_back(f);
  };
  if (first >= recording.size()) return out;
  if (direction == 1) {
    for (size_t i = first; i < recording.size(); ++i) take(recording[i]);
  } else {
    for (size_t i = first + 1; i-- > 0;) take(recording[i]);
  }
  return out;
}

void PlaybackRecorder::handle(Session& session, const ReceivedPacket& packet) {
  Reader in{packet.payload};
  switch (packet.type) {
    case RecordingCalendar:
    case EventCalendar: {
      const When from = in.date(), to = in.date();
      Bytes out;
      std::vector<When> dates;
      {
        std::lock_guard lock(mutex_);
        for (const When& d : packet.type == RecordingCalendar ? script_.recordingCalendar : script_.eventCalendar)
          if (dayOnly(from) <= dayOnly(d) && dayOnly(d) <= dayOnly(to)) dates.push_back(d);
      }
      put32(out, uint32_t(dates.size()));
      for (const When& d : dates) putDate(out, d);
      answer(session, packet.type, std::move(out));
      break;
    }
    case TimeSliceList: {
      const When day = in.dateTime();
      in.dateTime();
      const uint32_t mask = in.u32();
      Bytes out;
      std::vector<EmulatedSlice> slices;
      {
        std::lock_guard lock(mutex_);
        for (const auto& s : script_.slices)
          if (sameDay(s.from, day) && (s.channelMask & mask) != 0) slices.push_back(s);
      }
      put32(out, uint32_t(slices.size()));
      for (const auto& s : slices) {
        put32(out, s.sectionID);
        putDateTime(out, s.from);
        putDateTime(out, s.to);
        put32(out, s.channelMask);
      }
      answer(session, TimeSliceList, std::move(out));
      break;
    }
    case SectionList: {
      const uint32_t mask = in.u32();
      const When from = in.dateTime(), to = in.dateTime();
      Bytes out;
      put32(out, mask);
      putDateTime(out, from);
      putDateTime(out, to);
      std::vector<int32_t> sections;
      {
        std::lock_guard lock(mutex_);
        sections = script_.sections;
      }
      put32(out, uint32_t(sections.size()));
      for (int32_t s : sections) put32(out, uint32_t(s));
      answer(session, SectionList, std::move(out));
      break;
    }
    case EventList: {
      const When from = in.dateTime(), to = in.dateTime();
      const uint32_t channels = in.u32(), types = in.u32();
      const int32_t maxCount = int32_t(in.u32());
      Bytes out;
      {
        std::lock_guard lock(mutex_);
        eventMatches_.clear();
        for (const auto& e : script_.events)
          if ((e.channelMask & channels) != 0 && (uint32_t(uint8_t(e.type)) & types) != 0 && from <= e.when &&
              e.when <= to)
            eventMatches_.push_back(e);
        pageStart_ = 0;
        pageSize_ = maxCount > 0 ? size_t(maxCount) : eventMatches_.size();
        out = eventPage();
      }
      answer(session, EventList, std::move(out));
      break;
    }
    case EventListContinue: {
      const bool next = in.u8() == 1;
      in.u32();
      Bytes out;
      {
        std::lock_guard lock(mutex_);
        if (next)
          pageStart_ = std::min(pageStart_ + pageSize_, eventMatches_.size());
        else
          pageStart_ = pageStart_ >= pageSize_ ? pageStart_ - pageSize_ : 0;
        out = eventPage();
      }
      answer(session, EventList, std::move(out));
      break;
    }
    case PlaybackInterval:
      break;  // the play request that follows carries the interval again
    case PlayRequest: {
      const int32_t type = int32_t(in.u32());
      const When from = in.dateTime(), to = in.dateTime();
      const uint32_t mask = in.u32();
      const int32_t direction = int32_t(in.u32());
      in.u32();  // speed: the client paces
      const uint32_t audio = in.u32();
      stopStream();
      std::vector<RecordedFrame> frames;
      {
        std::lock_guard lock(mutex_);
        playMask_ = mask;
        playDirection_ = direction == 1 ? 1 : 0;
        playAudio_ = type == 1 && audio != 0;
        const auto& rec = script_.recording;
        size_t first = rec.size();
        if (playDirection_ == 1) {
          for (size_t i = 0; i < rec.size(); ++i)
            if (from <= rec[i].when()) {
              first = i;
              break;
            }
        } else {
          for (size_t i = rec.size(); i-- > 0;)
            if (rec[i].when() <= to) {
              first = i;
              break;
            }
        }
        frames = framesFrom(first, playDirection_, playMask_, playAudio_);
        if (type == 1)
          frames.erase(std::remove_if(frames.begin(), frames.end(),
                                      [&](const RecordedFrame& f) { return f.when() < from || to < f.when(); }),
                       frames.end());
        if (type == 2 && frames.size() > 1) frames.resize(1);
      }
      startStream(session, std::move(frames));
      break;
    }
    case Jump:
    case JumpToNearPosition: {
      const StoragePosition position = in.position();
      std::optional<When> near;
      std::optional<uint64_t> mediaID;
      if (packet.type == Jump && packet.payload.size() == 20) {
        mediaID = (uint64_t(in.u32()) << 32) | in.u32();
      } else if (packet.type == Jump) {
        in.u32();
        in.u32();
        const uint32_t mask = in.u32();
        std::lock_guard lock(mutex_);
        playMask_ = mask;
      } else {
        near = in.dateTime();
        const int32_t wireDirection = int32_t(in.u32());
        const uint32_t mask = in.u32();
        std::lock_guard lock(mutex_);
        playDirection_ = wireDirection == 2 ? 1 : 0;
        playMask_ = mask;
      }
      stopStream();
      std::vector<RecordedFrame> frames;
      {
        std::lock_guard lock(mutex_);
        const auto& rec = script_.recording;
        size_t first = rec.size();
        for (size_t i = 0; i < rec.size() && first == rec.size(); ++i)
          if (mediaID ? rec[i].frame.mediaID == *mediaID : rec[i].position == position) first = i;
        if (first == rec.size() && near)
          for (size_t i = 0; i < rec.size() && first == rec.size(); ++i)
            if (*near <= rec[i].when()) first = i;
        frames = framesFrom(first, playDirection_, playMask_, playAudio_);
      }
      startStream(session, std::move(frames));
      break;
    }
    case Pause: {
      stopStream();
      Bytes out;
      int32_t reason;
      {
        std::lock_guard lock(mutex_);
        reason = script_.pauseReason;
      }
      put32(out, uint32_t(reason));
      ++pausesConfirmed_;
      answer(session, Pause, std::move(out));
      break;
    }
    default:
      break;
  }
}

Bytes PlaybackRecorder::eventPage() {
  const size_t end = std::min(pageStart_ + pageSize_, eventMatches_.size());
  Bytes out;
  put8(out, pageStart_ > 0 ? 1 : 0);
  put8(out, end < eventMatches_.size() ? 1 : 0);
  put32(out, uint32_t(end - pageStart_));
  for (size_t i = pageStart_; i < end; ++i) {
    const EmulatedEvent& e = eventMatches_[i];
    put8(out, uint8_t(e.type));
    put8(out, e.eventID);
    put32(out, e.channelMask);
    putDateTime(out, e.when);
    put32(out, uint32_t(e.mediaID >> 32));
    put32(out, uint32_t(e.mediaID));
    putPosition(out, e.position);
  }
  return out;
}

void PlaybackRecorder::startStream(Session& session, std::vector<RecordedFrame> frames) {
  auto shared = emulator_.session(session.index());
  if (!shared) return;
  size_t index;
  {
    std::lock_guard lock(mutex_);
    streams_.emplace_back();
    index = streams_.size() - 1;
    streamReleased_ = false;
  }
  stopStream_ = false;
  streaming_ = true;
  streamThread_ = std::thread([this, shared, frames = std::move(frames), index] { stream(shared, frames, index); });
}

void PlaybackRecorder::stopStream() {
  {
    std::lock_guard lock(mutex_);
    stopStream_ = true;
    streamChanged_.notify_all();
  }
  if (streamThread_.joinable()) streamThread_.join();
  streaming_ = false;
}

void PlaybackRecorder::stream(std::shared_ptr<Session> session, std::vector<RecordedFrame> frames, size_t index) {
  size_t sent = 0;
  for (const RecordedFrame& f : frames) {
    {
      std::unique_lock lock(mutex_);
      if (holdStreamAfter_ && sent >= *holdStreamAfter_)
        streamChanged_.wait(lock, [&] { return stopStream_.load() || streamReleased_; });
      if (stopStream_) break;
    }
    Bytes payload;
    put8(payload, f.visible ? 1 : 0);
    putPosition(payload, f.position);
    const Bytes frame = live::mediaFrame(f.frame);
    payload.insert(payload.end(), frame.begin(), frame.end());
    if (!session->send(MediaFrame, payload)) break;
    ++sent;
    std::lock_guard lock(mutex_);
    streams_[index].push_back(f.frame.mediaID);
  }
  if (!stopStream_ && !session->isClosed()) {
    Bytes out;
    int32_t reason;
    {
      std::lock_guard lock(mutex_);
      reason = script_.endReason;
    }
    put32(out, uint32_t(reason));
    ++endsSent_;
    answer(*session, Pause, std::move(out));
  }
  streaming_ = false;
}

}  // namespace zelvo::emulator

namespace zelvo::emulator {

PlaybackScript demoPlaybackScript() {
  PlaybackScript s;
  s.recordingCalendar = {When{2026, 3, 4}, When{2026, 3, 5}};
  s.eventCalendar = {When{2026, 3, 4}};
  s.slices = {{1, When{2026, 3, 4, 10, 0, 0}, When{2026, 3, 4, 10, 0, 9}, 1},
              {2, When{2026, 3, 4, 12, 0, 0}, When{2026, 3, 4, 12, 30, 0}, 2},
              {3, When{2026, 3, 5, 9, 0, 0}, When{2026, 3, 5, 9, 30, 0}, 1}};
  s.sections = {1, 2};
  for (int i = 0; i < 8; ++i)
    s.events.push_back({1, uint8_t(i), 1, When{2026, 3, 4, 10, 0, i}, uint64_t(i * 25 + 1),
                        {1, uint32_t(i * 25 / 10), uint32_t(i * 25 % 10)}});
  s.recording = makeRecording(250, 1, true);  // ten seconds
  return s;
}

namespace {

// The program a person runs: every connection gets the demonstration recording.
void installPlayback(RecorderEmulator& emulator) {
  static PlaybackRecorder* recorder = nullptr;
  if (!recorder) recorder = new PlaybackRecorder(emulator, demoPlaybackScript());
}

}  // namespace

ZELVO_EMULATOR_EXTENSION(playback, installPlayback);

}  // namespace zelvo::emulator
