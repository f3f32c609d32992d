#include "emulator/LiveRecorder.h"

#include "Network/MessageType.h"
#include "emulator/EmulatorExtension.h"
#include "emulator/RecorderEmulator.h"
#include "emulator/WallMedia.h"

#include <ctime>

namespace zelvo::emulator {

namespace {

// The local date and time now, as the recorder stamps its frames.
void stampNow(live::Frame& frame) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  frame.year = static_cast<int16_t>(local.tm_year + 1900);
  frame.month = static_cast<int8_t>(local.tm_mon + 1);
  frame.day = static_cast<int8_t>(local.tm_mday);
  frame.hour = static_cast<int8_t>(local.tm_hour);
  frame.minute = static_cast<int8_t>(local.tm_min);
  frame.second = static_cast<int8_t>(local.tm_sec);
}

const std::vector<Bytes>& noFrames() {
  static const std::vector<Bytes> none;
  return none;
}

uint32_t be32(const Bytes& bytes, size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

}  // namespace

LiveRecorder::LiveRecorder(LiveRecorderConfig config)
    : config_(std::move(config)), labels_(config_.cameras.size(), std::vector<std::string>(16)), alarms_(config_.alarms) {
  size_t cameras = std::min<size_t>(config_.cameras.size(), WallCameraCount);
  std::vector<Bytes> sharedVideo, sharedAudio;
  if (!config_.videoFixture.empty()) sharedVideo = h264Frames(config_.videoFixture);
  if (!config_.audioFixture.empty()) sharedAudio = lengthPrefixedFrames(config_.audioFixture);
  for (size_t camera = 0; camera < cameras; ++camera) {
    int n = static_cast<int>(camera);
    video_.push_back(config_.videoFixture.empty() ? wallPictureFrames(n) : sharedVideo);
    audio_.push_back(config_.audioFixture.empty() ? wallToneFrames(n) : sharedAudio);
  }
  for (size_t camera = 0; camera < labels_.size(); ++camera)
    for (size_t preset = 0; preset < 4; ++preset) labels_[camera][preset] = "Preset " + std::to_string(preset + 1);
}

LiveRecorder::~LiveRecorder() {
  stopping_.store(true);
  std::map<int, std::shared_ptr<Stream>> streams;
  {
    std::lock_guard lock(mutex_);
    streams.swap(streams_);
  }
  for (auto& [index, stream] : streams)
    if (stream->thread.joinable()) stream->thread.join();
}

const std::vector<Bytes>& LiveRecorder::videoFrames(int camera) const {
  return camera >= 0 && static_cast<size_t>(camera) < video_.size() ? video_[static_cast<size_t>(camera)] : noFrames();
}

const std::vector<Bytes>& LiveRecorder::audioFrames(int camera) const {
  return camera >= 0 && static_cast<size_t>(camera) < audio_.size() ? audio_[static_cast<size_t>(camera)] : noFrames();
}

uint64_t LiveRecorder::videoFramesSent(int camera) const {
  return camera >= 0 && camera < WallCameraCount ? videoSent_[static_cast<size_t>(camera)].load() : 0;
}

uint64_t LiveRecorder::audioFramesSent(int camera) const {
  return camera >= 0 && camera < WallCameraCount ? audioSent_[static_cast<size_t>(camera)].load() : 0;
}

int LiveRecorder::dropConnections(bool reset) {
  std::vector<int> indices;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [index, stream] : streams_) indices.push_back(index);
  }
  int dropped = 0;
  for (int index : indices) {
    std::shared_ptr<Session> session = emulator_ ? emulator_->session(index) : nullptr;
    // A connection dropped before is not dropped again: its session stays open until
    // the client answers the FIN, which a loaded machine may not have let it do yet.
    if (!session || session->isClosing()) continue;
    if (reset)
      session->reset();
    else
      session->close();
    ++dropped;
  }
  return dropped;
}

void LiveRecorder::install(RecorderEmulator& emulator) {
  emulator_ = &emulator;
  emulator.addLoginHook([this](Session& session) { loggedIn(session); });
  emulator.setHandler(MessageTypeVideoChannelMask, [this](Session& session, const ReceivedPacket& packet) {
    if (packet.payload.size() < 4) return;
    std::shared_ptr<Stream> state;
    {
      std::lock_guard lock(mutex_);
      state = streams_[session.index()];
    }
    if (state) state->videoMask.store(be32(packet.payload, 0));
    masksChanged(session);
  });
  emulator.setHandler(MessageTypeAudioChannelMask, [this](Session& session, const ReceivedPacket& packet) {
    if (packet.payload.size() < 4) return;
    std::shared_ptr<Stream> state;
    {
      std::lock_guard lock(mutex_);
      state = streams_[session.index()];
    }
    if (state) state->audioMask.store(be32(packet.payload, 0));
    masksChanged(session);
  });
  emulator.setHandler(MessageTypePTZ,
                      [this](Session& session, const ReceivedPacket& packet) { presetRequest(session, packet); });
  emulator.setHandler(MessageTypeAlarmCommand,
                      [this](Session& session, const ReceivedPacket& packet) { alarmRequest(session, packet); });
}

void LiveRecorder::loggedIn(Session& session) {
  {
    std::lock_guard lock(mutex_);
    if (!streams_[session.index()]) streams_[session.index()] = std::make_shared<Stream>();
  }
  session.send(MessageTypeCameraInfo, live::cameraTable(config_.cameras));
  std::vector<std::vector<std::string>> labels;
  std::vector<EmulatedAlarm> alarms;
  {
    std::lock_guard lock(mutex_);
    labels = labels_;
    alarms = alarms_;
  }
  session.send(MessageTypeAlarmCommand, live::alarmList(alarms));
  for (size_t camera = 0; camera < labels.size(); ++camera)
    session.send(MessageTypePTZ, live::presetLabels(static_cast<uint8_t>(camera), labels[camera]));
  uint8_t cameras = static_cast<uint8_t>(config_.cameras.size());
  session.send(MessageTypeEventInfo, live::allEvents({cameras, 0x1}, {cameras, 0}, {cameras, 0}, {}));
}

void LiveRecorder::masksChanged(Session& session) {
  std::lock_guard lock(mutex_);
  auto it = streams_.find(session.index());
  if (it == streams_.end() || stopping_.load()) return;
  Stream& state = *it->second;
  if (state.thread.joinable()) return;  // streaming already; it reads the new masks
  std::shared_ptr<Session> held = emulator_->session(session.index());
  std::shared_ptr<Stream> stream = it->second;
  if (!held) return;
  state.thread = std::thread([this, held, stream] { this->stream(*held, *stream); });
}

void LiveRecorder::stream(Session& session, Stream& state) {
  // Rounds on a fixed beat, and stamps from the same clock, so the stamps follow real
  // time however long a round took. A round late by more than a beat (the client
  // stopped reading for a while) moves the beat instead of sending a burst.
  const auto start = std::chrono::steady_clock::now();
  auto next = start;
  uint64_t index = 0;
  while (!stopping_.load() && !session.isClosed()) {
    uint32_t video = state.videoMask.load();
    uint32_t audio = state.audioMask.load();
    auto stamp = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
    uint16_t width = config_.videoFixture.empty() ? WallPictureWidth : config_.width;
    uint16_t height = config_.videoFixture.empty() ? WallPictureHeight : config_.height;
    for (size_t camera = 0; camera < video_.size(); ++camera) {
      int n = static_cast<int>(camera);
      const auto& pictures = video_[camera];
      const auto& sounds = audio_[camera];
      if ((video >> camera) & 1u && !pictures.empty() &&
          session.send(MessageTypeLiveMediaFrame,
                       videoFrame(pictures[index % pictures.size()], n, index, width, height, stamp)))
        videoSent_[camera].fetch_add(1);
      if ((audio >> camera) & 1u && !sounds.empty() &&
          session.send(MessageTypeLiveMediaFrame,
                       audioFrame(sounds[index % sounds.size()], n, index, config_.audioChip, stamp)))
        audioSent_[camera].fetch_add(1);
    }
    ++index;
    next += config_.framePause;
    auto now = std::chrono::steady_clock::now();
    if (now > next + config_.framePause) next = now;
    std::this_thread::sleep_until(next);
  }
}

Bytes LiveRecorder::videoFrame(const Bytes& picture, int camera, uint64_t index, uint16_t width, uint16_t height,
                               uint64_t timeStamp) {
  live::Frame frame;
  frame.type = 0;
  frame.syncIndex = static_cast<uint16_t>(index);
  frame.syncKeyID = 1;
  frame.channelMask = 1u << camera;
  frame.mediaID = index;
  frame.width = width;
  frame.height = height;
  frame.timeStamp = timeStamp;
  stampNow(frame);
  frame.data = picture;
  frame.title = "CAM" + std::to_string(camera + 1);
  // A recorder of this chip sends its H.264 pictures without a prefix.
  frame.codec = "HiSi3531h264base1.00";
  return live::mediaFrame(frame);
}

Bytes LiveRecorder::audioFrame(const Bytes& sound, int camera, uint64_t index, const std::string& chip,
                               uint64_t timeStamp) {
  live::Frame frame;
  frame.type = 1;
  frame.syncIndex = static_cast<uint16_t>(index);
  frame.syncKeyID = 1;
  frame.channelMask = 1u << camera;
  frame.relatedChannelMask = 1u << camera;
  frame.mediaID = index;
  frame.timeStamp = timeStamp;
  stampNow(frame);
  frame.data = sound;
  frame.codec = "HiSi" + chip.substr(0, 4) + "apcmima 1.00";
  return live::mediaFrame(frame);
}

void LiveRecorder::presetRequest(Session& session, const ReceivedPacket& packet) {
  // 03 camera 01 preset label[16]: a saved preset comes back as the camera's labels.
  const Bytes& p = packet.payload;
  if (p.size() < 20 || p[0] != 3 || p[2] != 1) return;
  size_t camera = p[1];
  size_t preset = p[3];
  std::vector<std::string> labels;
  {
    std::lock_guard lock(mutex_);
    if (camera >= labels_.size() || preset >= labels_[camera].size()) return;
    std::string label(p.begin() + 4, p.begin() + 20);
    label.resize(label.find('\0') == std::string::npos ? label.size() : label.find('\0'));
    labels_[camera][preset] = label;
    labels = labels_[camera];
  }
  session.send(MessageTypePTZ, live::presetLabels(static_cast<uint8_t>(camera), labels));
}

void LiveRecorder::alarmRequest(Session& session, const ReceivedPacket& packet) {
  // 01 channel 01 on 00 + 32 zeros: the output's new state comes back.
  const Bytes& p = packet.payload;
  if (p.size() < 4 || p[0] != 1) return;
  EmulatedAlarm alarm;
  {
    std::lock_guard lock(mutex_);
    if (p[1] >= alarms_.size()) return;
    alarms_[p[1]].on = p[3] ? 1 : 0;
    alarm = alarms_[p[1]];
  }
  session.send(MessageTypeAlarmCommand, live::alarm(alarm));
}

void installLiveRecorder(RecorderEmulator& emulator) {
  // One recorder for the whole program, never destroyed: its streams may run until exit.
  static LiveRecorder* recorder = new LiveRecorder();
  recorder->install(emulator);
}

ZELVO_EMULATOR_EXTENSION(live, installLiveRecorder);

}  // namespace zelvo::emulator
