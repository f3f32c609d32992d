#include "emulator/LiveRecorder.h"

#include "Network/MessageType.h"
#include "emulator/EmulatorExtension.h"
#include "emulator/RecorderEmulator.h"

namespace zelvo::emulator {

namespace {

constexpr uint64_t MicrosecondsPerFrame = 40000;

uint32_t be32(const Bytes& bytes, size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

}  // namespace

LiveRecorder::LiveRecorder(LiveRecorderConfig config)
    : config_(std::move(config)),
      video_(h264Frames(config_.videoFixture)),
      audio_(lengthPrefixedFrames(config_.audioFixture)),
      labels_(config_.cameras.size(), std::vector<std::string>(16)),
      alarms_(config_.alarms) {
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
  uint64_t index = 0;
  while (!stopping_.load() && !session.isClosed()) {
    uint32_t video = state.videoMask.load();
    uint32_t audio = state.audioMask.load();
    for (size_t camera = 0; camera < config_.cameras.size() && camera < 32; ++camera) {
      if ((video >> camera) & 1u && !video_.empty())
        session.send(MessageTypeLiveMediaFrame, videoFrame(video_[index % video_.size()], static_cast<int>(camera),
                                                           index, config_.width, config_.height));
      if ((audio >> camera) & 1u && !audio_.empty())
        session.send(MessageTypeLiveMediaFrame,
                     audioFrame(audio_[index % audio_.size()], static_cast<int>(camera), index, config_.audioChip));
    }
    ++index;
    std::this_thread::sleep_for(config_.framePause);
  }
}

Bytes LiveRecorder::videoFrame(const Bytes& picture, int camera, uint64_t index, uint16_t width, uint16_t height) {
  live::Frame frame;
  frame.type = 0;
  frame.syncIndex = static_cast<uint16_t>(index);
  frame.syncKeyID = 1;
  frame.channelMask = 1u << camera;
  frame.mediaID = index;
  frame.width = width;
  frame.height = height;
  frame.timeStamp = index * MicrosecondsPerFrame;
  frame.data = picture;
  frame.title = "CAM" + std::to_string(camera + 1);
  // A recorder of this chip sends its H.264 pictures without a prefix.
  frame.codec = "HiSi3531h264base1.00";
  return live::mediaFrame(frame);
}

Bytes LiveRecorder::audioFrame(const Bytes& sound, int camera, uint64_t index, const std::string& chip) {
  live::Frame frame;
  frame.type = 1;
  frame.syncIndex = static_cast<uint16_t>(index);
  frame.syncKeyID = 1;
  frame.channelMask = 1u << camera;
  frame.relatedChannelMask = 1u << camera;
  frame.mediaID = index;
  frame.timeStamp = index * MicrosecondsPerFrame;
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
