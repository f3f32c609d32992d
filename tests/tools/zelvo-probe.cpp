// zelvo-probe: connects a live or a remote-setup client to a recorder (or to the
// recorder emulator), optionally asks for video and audio and sends one command,
// and prints every notification it receives as one JSON object per line, until a
// number of media frames or a time limit is reached. A test tool.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/MainThread.h"
#include "Foundation/NotificationCenter.h"
#include "JsonLine.h"
#include "ProbePlayback.h"
#include "Network/CodecInfo.h"
#include "Network/Live/LiveClient.h"
#include "Network/MediaFrame.h"
#include "Network/NetworkClient.h"
#include "Network/Setup/SetupClient.h"

using namespace zelvo;
using probe::JsonLine;

namespace {

std::mutex outputMutex;

void printLine(const JsonLine& line) {
  std::lock_guard lock(outputMutex);
  std::fprintf(stdout, "%s\n", line.str().c_str());
  std::fflush(stdout);
}

std::string tagText(uint32_t code) {
  char text[5] = {};
  std::memcpy(text, &code, 4);
  for (char& c : text)
    if (c && (c < 0x20 || c > 0x7E)) c = '?';
  return std::string(text, 4);
}

std::string cameraJson(const CameraInfo& camera) {
  JsonLine line;
  line.add("number", camera.number())
      .add("title", camera.title())
      .add("status", camera.status())
      .add("covertLevel", camera.covertLevel())
      .add("ptzAvailability", camera.ptzAvailability())
      .add("audioAvailability", camera.audioAvailability())
      .addRaw("color", JsonLine::array({std::to_string(camera.color().brightness),
                                        std::to_string(camera.color().contrast),
                                        std::to_string(camera.color().hue),
                                        std::to_string(camera.color().saturation)}));
  return line.str();
}

std::string alarmJson(const AlarmCommand& alarm) {
  return JsonLine()
      .add("channel", alarm.channel())
      .add("enable", alarm.enable())
      .add("on", alarm.on())
      .add("title", alarm.title())
      .str();
}

std::string valueJson(const CameraInfoValue& value) {
  if (auto* text = std::get_if<std::string>(&value)) return JsonLine::quote(*text);
  if (auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
  if (auto* flag = std::get_if<bool>(&value)) return *flag ? "true" : "false";
  const CameraColor& c = std::get<CameraColor>(value);
  return JsonLine::array({std::to_string(c.brightness), std::to_string(c.contrast), std::to_string(c.hue),
                          std::to_string(c.saturation)});
}

std::string labelsJson(const std::vector<std::string>& labels) {
  std::vector<std::string> quoted;
  for (const auto& label : labels) quoted.push_back(JsonLine::quote(label));
  return JsonLine::array(quoted);
}

std::optional<std::vector<int64_t>> numbers(const QString& text, int count, int optional = 0) {
  QStringList parts = text.split(',');
  if (parts.size() < count - optional || parts.size() > count) return std::nullopt;
  std::vector<int64_t> values;
  for (const QString& part : parts) {
    bool ok = false;
    qlonglong v = part.trimmed().toLongLong(&ok, 0);
    if (!ok) return std::nullopt;
    values.push_back(v);
  }
  return values;
}

std::optional<uint32_t> mask(const QString& text) {
  bool ok = false;
  qulonglong v = text.toULongLong(&ok, 0);
  if (!ok || v > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<uint32_t>(v);
}

[[noreturn]] void usageError(const QString& message) {
  std::fprintf(stderr, "zelvo-probe: %s (see --help)\n", message.toUtf8().constData());
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (probe::wantsPlayback(argc, argv)) return probe::runPlayback();
  QCoreApplication::setApplicationName("zelvo-probe");
  installMainThreadHops();

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Connects a live client (or, with --setup, a remote-setup client) to a recorder and prints every\n"
      "notification it receives as one JSON object per line: the notification's name, its user info and\n"
      "the client's tables it announces; media frames as type, channel, size, time stamp and codec tags.\n"
      "Commands given below are sent once the login succeeds. Stops after --frames frames or\n"
      "--time-limit seconds, whichever comes first, and exits 0; a connection that fails or ends early\n"
      "exits 1 with the disconnection reason's text on standard error.");
  parser.addHelpOption();
  parser.addPositionalArgument("host", "The recorder's address.");
  parser.addPositionalArgument("port", "The recorder's port (a recorder's setup port is its port + 2).");
  QCommandLineOption setupOption("setup", "Connect a remote-setup client instead of a live client.");
  QCommandLineOption userOption("user", "The user name (default \"admin\").", "name", "admin");
  QCommandLineOption passwordOption("password", "The password (default empty).", "password", "");
  QCommandLineOption videoOption("video", "Ask for video of the cameras in this 32-bit mask (e.g. 0x5).", "mask");
  QCommandLineOption audioOption("audio", "Ask for audio of the cameras in this 32-bit mask.", "mask");
  QCommandLineOption ptzOption("ptz", "Send a PTZ command: channel,command,argument1[,argument2].", "c,cmd,a1[,a2]");
  QCommandLineOption presetGoOption("preset-go", "Move a camera to a preset: camera,preset.", "camera,preset");
  QCommandLineOption presetSaveOption("preset-save", "Save a preset with a label (cut to 16 bytes): camera,preset,label.",
                                      "camera,preset,label");
  QCommandLineOption alarmOption("alarm-out", "Switch an alarm output: channel,on|off.", "channel,on|off");
  QCommandLineOption keyOption("key", "(--setup) Send a key event: key,state[,character code].", "key,state[,char]");
  QCommandLineOption clickOption("click", "(--setup) Click the primary button at x,y.", "x,y");
  QCommandLineOption mouseOption("mouse", "(--setup) Send one mouse event: state,x,y (2 down, 3 up).", "state,x,y");
  QCommandLineOption framesOption(
      "frames", "Stop after this many media frames (with --setup: OSD pictures; 0: no limit; default 0).", "count", "0");
  QCommandLineOption timeOption("time-limit", "Stop after this many seconds (default 10; at most 86400).", "seconds",
                                "10");
  // Taken before this parser runs; listed so that --help names it.
  QCommandLineOption playbackOption(
      "playback", "Connect a playback client instead, with options of its own (see zelvo-probe --playback --help).");
  parser.addOptions({playbackOption, setupOption, userOption, passwordOption, videoOption, audioOption, ptzOption,
                     presetGoOption, presetSaveOption, alarmOption, keyOption, clickOption, mouseOption, framesOption,
                     timeOption});
  parser.process(app);

  QStringList positional = parser.positionalArguments();
  if (positional.size() != 2) usageError("give a host and a port");
  bool ok = false;
  unsigned port = positional[1].toUInt(&ok);
  if (!ok || port == 0 || port > 65535) usageError("the port must be 1 to 65535");
  qlonglong frameLimit = parser.value(framesOption).toLongLong(&ok);
  if (!ok || frameLimit < 0) usageError("--frames takes a count");
  double timeLimit = parser.value(timeOption).toDouble(&ok);
  // The limit becomes a timer of int milliseconds.
  if (!ok || !(timeLimit > 0 && timeLimit <= 86400))
    usageError("--time-limit takes a number of seconds above 0, at most 86400");
  bool setup = parser.isSet(setupOption);

  // Every command is checked before connecting; sending them waits for the login.
  std::vector<std::function<void()>> commands;
  std::shared_ptr<NetworkClient> client;
  std::shared_ptr<LiveClient> live;
  std::shared_ptr<SetupClient> setupClient;
  if (setup) {
    setupClient = SetupClient::create();
    client = setupClient;
    for (const auto* option : {&videoOption, &audioOption, &ptzOption, &presetGoOption, &presetSaveOption, &alarmOption})
      if (parser.isSet(*option)) usageError("--" + option->names().first() + " needs a live client");
    if (parser.isSet(keyOption)) {
      auto v = numbers(parser.value(keyOption), 3, 1);
      if (!v) usageError("--key takes key,state[,character]");
      KeyInput input{static_cast<int>((*v)[0]), static_cast<int>((*v)[1]),
                     static_cast<int8_t>(v->size() > 2 ? (*v)[2] : 0)};
      commands.push_back([&setupClient, input] { setupClient->sendKeyInput(input); });
    }
    if (parser.isSet(clickOption)) {
      auto v = numbers(parser.value(clickOption), 2);
      if (!v) usageError("--click takes x,y");
      QPointF point((*v)[0], (*v)[1]);
      commands.push_back([&setupClient, point] { setupClient->sendMouseClickAtPoint(point); });
    }
    if (parser.isSet(mouseOption)) {
      auto v = numbers(parser.value(mouseOption), 3);
      if (!v) usageError("--mouse takes state,x,y");
      int state = static_cast<int>((*v)[0]);
      QPointF point((*v)[1], (*v)[2]);
      commands.push_back([&setupClient, state, point] { setupClient->sendMouseInputState(state, point); });
    }
  } else {
    live = LiveClient::create();
    client = live;
    for (const auto* option : {&keyOption, &clickOption, &mouseOption})
      if (parser.isSet(*option)) usageError("--" + option->names().first() + " needs --setup");
    if (parser.isSet(ptzOption)) {
      auto v = numbers(parser.value(ptzOption), 4, 1);
      if (!v) usageError("--ptz takes channel,command,argument1[,argument2]");
      auto a = *v;
      commands.push_back([&live, a] {
        live->sendPTZCommand(static_cast<int>(a[1]), a[0], a[2], a.size() > 3 ? a[3] : 0);
      });
    }
    if (parser.isSet(presetGoOption)) {
      auto v = numbers(parser.value(presetGoOption), 2);
      if (!v) usageError("--preset-go takes camera,preset");
      auto a = *v;
      commands.push_back([&live, a] { live->sendPTZMovePresetCommandWithCamera(a[0], a[1]); });
    }
    if (parser.isSet(presetSaveOption)) {
      QString text = parser.value(presetSaveOption);
      QStringList parts = text.split(',');
      if (parts.size() < 3) usageError("--preset-save takes camera,preset,label");
      auto v = numbers(parts[0] + "," + parts[1], 2);
      if (!v) usageError("--preset-save takes camera,preset,label");
      std::string label = text.section(',', 2).toStdString();
      auto a = *v;
      commands.push_back([&live, a, label] { live->sendPTZSavePresetCommandWithCamera(a[0], a[1], label); });
    }
    if (parser.isSet(alarmOption)) {
      QStringList parts = parser.value(alarmOption).split(',');
      bool channelOk = false;
      int64_t channel = parts.size() == 2 ? parts[0].toLongLong(&channelOk, 0) : 0;
      if (!channelOk || (parts[1] != "on" && parts[1] != "off")) usageError("--alarm-out takes channel,on|off");
      bool on = parts[1] == "on";
      commands.push_back([&live, channel, on] { live->sendAlarmOutChannel(channel, on); });
    }
    // The masks go last: what the recorder answers to the commands then comes
    // before its media.
    if (parser.isSet(videoOption)) {
      auto m = mask(parser.value(videoOption));
      if (!m) usageError("--video takes a 32-bit mask");
      commands.push_back([&live, m] { live->sendVideoChannelMask(BitMask32(*m)); });
    }
    if (parser.isSet(audioOption)) {
      auto m = mask(parser.value(audioOption));
      if (!m) usageError("--audio takes a 32-bit mask");
      commands.push_back([&live, m] { live->sendAudioChannelMask(BitMask32(*m)); });
    }
  }

  int exitCode = 0;
  bool finishing = false;
  bool loggedIn = false;
  qlonglong frames = 0;
  auto finish = [&](int code) {
    if (finishing) return;
    finishing = true;
    exitCode = code;
    client->disconnect();
    // The disconnection notification (reason 0) ends the loop; quit anyway if it does not come.
    QTimer::singleShot(2000, &app, [&app] { app.quit(); });
  };

  NotificationCenter& center = NotificationCenter::defaultCenter();
  std::vector<Observation> observations;
  auto observe = [&](const std::string& name, std::function<void(const Notification&, JsonLine&)> describe) {
    observations.emplace_back(center, name, client.get(), [name, describe](const Notification& n) {
      JsonLine line;
      line.add("notification", name);
      if (describe) describe(n, line);
      printLine(line);
    });
  };

  observe(NetworkWillConnectNotification, nullptr);
  observe(NetworkLoginSucceedNotification, [&](const Notification&, JsonLine& line) {
    if (live) {
      line.add("presetLabelCameras", static_cast<int64_t>(live->PTZPresetLabels()->size()));
      line.add("supportsHTTPStreaming", live->isSupportingHTTPStreaming());
    }
    loggedIn = true;
    for (auto& command : commands) command();
  });
  observe(NetworkDisconnectedNotification, [&](const Notification& n, JsonLine& line) {
    int reason = n.get<int>(NetworkDisconnectionReasonKey) ? *n.get<int>(NetworkDisconnectionReasonKey) : -1;
    line.add("reason", reason).add("description", NetworkDisconnectionReasonDescription(reason));
    if (auto* error = n.get<StreamError>(NetworkDisconnectionErrorKey)) line.add("error", error->description);
    if (!finishing) {
      std::string text = NetworkDisconnectionReasonDescription(reason);
      if (auto* error = n.get<StreamError>(NetworkDisconnectionErrorKey)) text += " (" + error->description + ")";
      std::fprintf(stderr, "zelvo-probe: %s\n", text.c_str());
      finishing = true;
      exitCode = 1;
    }
    QTimer::singleShot(0, &app, [&app] { app.quit(); });
  });

  if (live) {
    observe(LiveMediaFrameReceivedNotification, [&](const Notification& n, JsonLine& line) {
      if (auto* frame = n.get<std::shared_ptr<const MediaFrame>>(LiveMediaFrameKey)) {
        const MediaFrame& f = **frame;
        line.add("type", f.type() == MediaFrameTypeVideo ? "video" : "audio")
            .add("channel", f.channel())
            .add("size", static_cast<int64_t>(f.mediaDataSize()))
            .add("timeStamp", static_cast<uint64_t>(f.timeStamp()))
            .add("timeStampScale", static_cast<int64_t>(f.timeStampScale()));
        CodecInfo codec;
        if (f.getCodecInfo(&codec)) {
          std::vector<std::string> tags;
          for (uint32_t code : codec.codes) tags.push_back(JsonLine::quote(tagText(code)));
          line.addRaw("codec", JsonLine::array(tags));
        }
      }
      if (frameLimit > 0 && ++frames >= frameLimit) QTimer::singleShot(0, &app, [&] { finish(0); });
    });
    observe(LiveCameraInfoUpdatedNotification, [&](const Notification& n, JsonLine& line) {
      if (auto* id = n.get<int64_t>(LiveDeviceIDKey)) line.add("camera", *id);
      if (auto* type = n.get<int>(LiveCameraInfoUpdatedTypeKey)) line.add("type", *type);
      if (auto* value = n.get<CameraInfoValue>(LiveCameraInfoUpdatedValueKey)) line.addRaw("value", valueJson(*value));
      if (auto* table = n.get<CameraInfoArray>(LiveCameraInfoArrayKey)) {
        std::vector<std::string> cameras;
        for (const auto& camera : **table) cameras.push_back(cameraJson(camera));
        line.addRaw("cameras", JsonLine::array(cameras));
      }
    });
    observe(LiveEventReceivedNotification, [&](const Notification& n, JsonLine& line) {
      if (auto* info = n.get<std::shared_ptr<const EventInfo>>(LiveEventInfoKey))
        line.add("type", (*info)->type())
            .add("cameraCount", (*info)->cameraCount())
            .add("mask", static_cast<int64_t>((*info)->mask()));
    });
    observe(LiveSystemEventReceivedNotification, [&](const Notification& n, JsonLine& line) {
      if (auto* info = n.get<std::shared_ptr<const SystemEventInfo>>(LiveSystemEventInfoKey)) {
        const SystemEventInfo& s = **info;
        line.add("smartBad", s.smartBad())
            .add("smartTemperature", s.smartTemperature())
            .add("diskBad", s.diskBad())
            .add("recordBad", s.recordBad())
            .add("recordDiskFull", s.recordDiskFull())
            .add("archiveDiskFull", s.archiveDiskFull())
            .add("gravity", s.gravity())
            .add("fanFailure", s.fanFailure());
      }
    });
    observe(LiveAlarmStatusUpdatedNotification, [&](const Notification& n, JsonLine& line) {
      if (auto* id = n.get<int64_t>(LiveDeviceIDKey)) line.add("channel", *id);
      if (auto* table = n.get<AlarmCommandArray>(LiveAlarmCommandArrayKey)) {
        std::vector<std::string> alarms;
        for (const auto& alarm : **table) alarms.push_back(alarmJson(alarm));
        line.addRaw("alarms", JsonLine::array(alarms));
      }
    });
    observe(LivePTZPresetLabelsReceivedNotification, [&](const Notification& n, JsonLine& line) {
      if (auto* id = n.get<int64_t>(LiveDeviceIDKey)) line.add("camera", *id);
      if (auto* labels = n.get<std::vector<std::string>>(LivePTZPresetLabelsKey)) line.addRaw("labels", labelsJson(*labels));
    });
  } else {
    observe(SetupOSDImageNotification, [&](const Notification& n, JsonLine& line) {
      if (auto* image = n.get<std::shared_ptr<const OSDImage>>(SetupOSDImageKey)) {
        const OSDImage& i = **image;
        line.add("mime", i.mime())
            .add("x", i.offset().x())
            .add("y", i.offset().y())
            .add("width", i.size().width())
            .add("height", i.size().height())
            .add("bytes", static_cast<int64_t>(i.osdData().size()));
      }
      if (frameLimit > 0 && ++frames >= frameLimit) QTimer::singleShot(0, &app, [&] { finish(0); });
    });
    observe(SetupOSDSizeNotification, [&](const Notification& n, JsonLine& line) {
      if (auto* size = n.get<QSizeF>(SetupOSDScreenSizeKey))
        line.add("screenWidth", size->width()).add("screenHeight", size->height());
      if (auto* rect = n.get<QRectF>(SetupOSDDialogRectKey))
        line.addRaw("dialog", JsonLine::array({std::to_string(rect->x()), std::to_string(rect->y()),
                                               std::to_string(rect->width()), std::to_string(rect->height())}));
    });
    // Posted on the network thread: the line is written from there.
    observe(SetupBusyNotification, nullptr);
  }

  QTimer::singleShot(static_cast<int>(timeLimit * 1000), &app, [&] {
    if (!loggedIn && !finishing) std::fprintf(stderr, "zelvo-probe: not logged in within the time limit\n");
    finish(loggedIn ? 0 : 1);
  });
  client->connectToHost(positional[0].toStdString(), port, parser.value(userOption).toStdString(),
                        parser.value(passwordOption).toStdString());
  app.exec();
  observations.clear();
  return exitCode;
}
