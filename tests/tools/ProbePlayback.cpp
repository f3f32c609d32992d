// The playback mode of zelvo-probe: connects the shared playback client through
// the connection manager, asks for the calendars, slices, sections and events
// given, plays, pauses and jumps, and prints every notification of the manager
// and the client as one JSON object per line.

#include "ProbePlayback.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/MainThread.h"
#include "Foundation/NotificationCenter.h"
#include "JsonLine.h"
#include "Network/ConnectionManager.h"
#include "Network/MediaFrame.h"
#include "Network/Playback/EventList.h"
#include "Network/Playback/PlaybackClient.h"
#include "Network/Playback/SectionList.h"
#include "Network/Playback/TimeSliceList.h"

namespace zelvo::probe {

namespace {

[[noreturn]] void usageError(const QString& message) {
  std::fprintf(stderr, "zelvo-probe: %s (see --playback --help)\n", message.toUtf8().constData());
  std::exit(2);
}

void print(const JsonLine& line) {
  std::fprintf(stdout, "%s\n", line.str().c_str());
  std::fflush(stdout);
}

std::optional<Date> parseDate(const QString& text) {
  const QStringList p = text.split('-');
  if (p.size() != 3) return std::nullopt;
  bool a = false, b = false, c = false;
  const int y = p[0].toInt(&a), m = p[1].toInt(&b), d = p[2].toInt(&c);
  if (!a || !b || !c || y < 0 || y > 65535 || m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
  return Date(y, m, d);
}

// "2026-03-04T10:00:00"
std::optional<DateTime> parseDateTime(const QString& text) {
  const QStringList p = text.split('T');
  if (p.size() != 2) return std::nullopt;
  auto date = parseDate(p[0]);
  const QStringList t = p[1].split(':');
  if (!date || t.size() != 3) return std::nullopt;
  bool a = false, b = false, c = false;
  const int h = t[0].toInt(&a), mi = t[1].toInt(&b), s = t[2].toInt(&c);
  if (!a || !b || !c || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return std::nullopt;
  return DateTime(*date, Time(h, mi, s));
}

std::optional<uint64_t> number(const QString& text, uint64_t max = 0xFFFFFFFFull) {
  bool ok = false;
  const qulonglong v = text.trimmed().toULongLong(&ok, 0);
  if (!ok || v > max) return std::nullopt;
  return v;
}

std::string datesJson(const std::vector<Date>& dates) {
  std::vector<std::string> quoted;
  for (const Date& d : dates) quoted.push_back(JsonLine::quote(d.description()));
  return JsonLine::array(quoted);
}

std::string positionJson(const MediaPosition& p) {
  return JsonLine::array({std::to_string(p.storageID()), std::to_string(p.pageNumber()), std::to_string(p.pageOffset())});
}

JsonLine describe(const Notification& n) {
  JsonLine line;
  line.add("notification", n.name);
  if (auto* mode = n.get<int>(ConnectionManagerConnectionModeKey)) line.add("mode", *mode);
  if (auto* reason = n.get<int>(ConnectionManagerDisconnectionReasonKey))
    line.add("reason", *reason).add("text", NetworkDisconnectionReasonDescription(*reason));
  if (auto* request = n.get<std::shared_ptr<const PlayRequest>>(PlaybackPlayRequestKey))
    line.add("request", (*request)->description());
  if (auto* frame = n.get<std::shared_ptr<const MediaFrame>>(PlaybackMediaFrameKey))
    line.add("type", (*frame)->type())
        .add("mediaID", (*frame)->mediaID())
        .add("channel", (*frame)->channel())
        .add("timeStamp", (*frame)->timeStamp())
        .add("dateTime", (*frame)->dateTime().description());
  if (auto* position = n.get<MediaPosition>(PlaybackMediaPositionKey)) line.addRaw("position", positionJson(*position));
  if (auto* visible = n.get<bool>(PlaybackVisibleKey)) line.add("visible", *visible);
  if (auto* reason = n.get<int>(PlaybackPauseReasonKey)) line.add("reason", *reason);
  if (auto* dates = n.get<std::vector<Date>>(PlaybackCalendarKey)) line.addRaw("dates", datesJson(*dates));
  if (auto* list = n.get<std::shared_ptr<const TimeSliceList>>(PlaybackTimeSliceListKey)) {
    std::vector<std::string> slices;
    for (const TimeSlice& s : (*list)->timeSlices()) slices.push_back(JsonLine::quote(s.description()));
    line.addRaw("slices", JsonLine::array(slices));
  }
  if (auto* list = n.get<std::shared_ptr<const SectionList>>(PlaybackSectionListKey)) {
    std::vector<std::string> sections;
    for (int32_t s : (*list)->sections()) sections.push_back(std::to_string(s));
    line.add("channelMask", uint64_t((*list)->channelMask().asUint32())).addRaw("sections", JsonLine::array(sections));
  }
  if (auto* list = n.get<std::shared_ptr<const EventList>>(PlaybackEventListKey)) {
    std::vector<std::string> events;
    for (const EventListElement& e : (*list)->events()) events.push_back(JsonLine::quote(e.description()));
    line.add("hasPrev", (*list)->hasPrev()).add("hasNext", (*list)->hasNext()).addRaw("events", JsonLine::array(events));
  }
  return line;
}

}  // namespace

bool wantsPlayback(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--playback") == 0) return true;
  return false;
}

int runPlayback() {
  QCoreApplication& app = *QCoreApplication::instance();
  installMainThreadHops();
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "With --playback: connects the playback client through the connection manager and prints every\n"
      "notification of the manager and the client as one JSON object per line. The requests given are\n"
      "made once the login succeeds; --pause-after pauses after that many frames, and the jumps are\n"
      "made once that pause is confirmed. Exits 0 after --time-limit seconds or once everything asked\n"
      "for has been answered and the playback has stopped; 1 when the connection fails.");
  parser.addHelpOption();
  parser.addPositionalArgument("host", "The recorder's address.");
  parser.addPositionalArgument("port", "The recorder's port.");
  QCommandLineOption playbackOption("playback", "Playback mode.");
  QCommandLineOption userOption("user", "The user name (default \"admin\").", "name", "admin");
  QCommandLineOption passwordOption("password", "The password (default empty).", "password", "");
  QCommandLineOption calendarOption("calendar", "Ask for the recording calendar.");
  QCommandLineOption eventCalendarOption("event-calendar", "Ask for the event calendar.");
  QCommandLineOption slicesOption("slices", "Ask for the time slices of a day: date,mask (2026-03-04,0x1).", "date,mask");
  QCommandLineOption sectionsOption("sections", "Ask for the sections of a day: date,mask.", "date,mask");
  QCommandLineOption eventsOption("events", "Ask for the events of a day: date,max-count.", "date,count");
  QCommandLineOption nextOption("events-next", "Then ask for the next page of events (the value sent).", "value");
  QCommandLineOption playOption("play", "Play: from,to,speed,mask[,direction] (times as 2026-03-04T10:00:00).",
                                "from,to,speed,mask[,dir]");
  QCommandLineOption audioOption("with-audio", "Play with audio.");
  QCommandLineOption pauseOption("pause-after", "Pause after this many frames.", "count");
  QCommandLineOption channelsOption("channels", "After the pause, change the channels to this mask.", "mask");
  QCommandLineOption jumpPositionOption("jump-position", "After the pause, jump: storage,page,offset,mediaID.",
                                        "s,p,o,id");
  QCommandLineOption jumpEventOption("jump-event", "After the pause, jump to this event of the list (0 first).",
                                     "index");
  QCommandLineOption timeOption("time-limit", "Stop after this many seconds (default 10).", "seconds", "10");
  parser.addOptions({playbackOption, userOption, passwordOption, calendarOption, eventCalendarOption, slicesOption,
                     sectionsOption, eventsOption, nextOption, playOption, audioOption, pauseOption, channelsOption,
                     jumpPositionOption, jumpEventOption, timeOption});
  parser.process(app);

  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 2) usageError("give a host and a port");
  const auto port = number(positional[1], 65535);
  if (!port || *port == 0) usageError("the port is a number from 1 to 65535");
  bool ok = false;
  const double timeLimit = parser.value(timeOption).toDouble(&ok);
  if (!ok || timeLimit <= 0) usageError("--time-limit takes a positive number of seconds");

  const auto& client = PlaybackClient::sharedClient();
  ConnectionManager& manager = ConnectionManager::sharedManager();
  std::vector<std::function<void()>> atLogin, afterPause;
  int expectedAnswers = 0;

  auto dayAndNumber = [&](const QCommandLineOption& option) {
    const QStringList p = parser.value(option).split(',');
    auto date = p.size() == 2 ? parseDate(p[0]) : std::nullopt;
    auto n = p.size() == 2 ? number(p[1]) : std::nullopt;
    if (!date || !n) usageError("--" + option.names().first() + " takes date,number");
    return std::pair(*date, uint32_t(*n));
  };
  if (parser.isSet(calendarOption)) {
    atLogin.push_back([&] { client->requestRecordingCalendar(); });
    ++expectedAnswers;
  }
  if (parser.isSet(eventCalendarOption)) {
    atLogin.push_back([&] { client->requestEventCalendar(); });
    ++expectedAnswers;
  }
  if (parser.isSet(slicesOption)) {
    auto [date, mask] = dayAndNumber(slicesOption);
    atLogin.push_back([&, date, mask] { client->requestRecordingTimeSliceList(date, BitMask32(mask)); });
    ++expectedAnswers;
  }
  if (parser.isSet(sectionsOption)) {
    auto [date, mask] = dayAndNumber(sectionsOption);
    atLogin.push_back([&, date, mask] { client->requestRecordingSectionList(Interval::intervalOfDate(date), BitMask32(mask)); });
    ++expectedAnswers;
  }
  if (parser.isSet(eventsOption)) {
    auto [date, count] = dayAndNumber(eventsOption);
    atLogin.push_back([&, date, count] { client->requestEventList(EventListRequest::eventListRequestOfDate(date, count)); });
    ++expectedAnswers;
    if (parser.isSet(nextOption)) {
      auto value = number(parser.value(nextOption));
      if (!value) usageError("--events-next takes a number");
      atLogin.push_back([&, v = uint32_t(*value)] { client->requestEventListContinue(v, true); });
      ++expectedAnswers;
    }
  }
  bool playing = false;
  if (parser.isSet(playOption)) {
    const QStringList p = parser.value(playOption).split(',');
    if (p.size() != 4 && p.size() != 5) usageError("--play takes from,to,speed,mask[,direction]");
    auto from = parseDateTime(p[0]), to = parseDateTime(p[1]);
    auto speed = number(p[2], 0x7FFFFFFF), mask = number(p[3]);
    auto direction = p.size() == 5 ? number(p[4]) : std::optional<uint64_t>(1);
    if (!from || !to || !speed || !mask || !direction) usageError("--play takes from,to,speed,mask[,direction]");
    auto request = PlayRequest::playRequestPlay(BitMask32(uint32_t(*mask)), Interval(*from, *to), int(*direction),
                                                uint32_t(*speed), parser.isSet(audioOption));
    atLogin.push_back([&, request] { client->play(request); });
    playing = true;
  }
  if (parser.isSet(channelsOption)) {
    auto mask = number(parser.value(channelsOption));
    if (!mask) usageError("--channels takes a 32-bit mask");
    afterPause.push_back([&, m = uint32_t(*mask)] { client->updateChannelMask(BitMask32(m), parser.isSet(audioOption)); });
  }
  if (parser.isSet(jumpPositionOption)) {
    const QStringList p = parser.value(jumpPositionOption).split(',');
    std::vector<uint64_t> v;
    for (const QString& part : p)
      if (auto n = number(part, UINT64_MAX)) v.push_back(*n);
    if (p.size() != 4 || v.size() != 4 || v[0] > 0xFFFFFFFF || v[1] > 0xFFFFFFFF || v[2] > 0xFFFFFFFF)
      usageError("--jump-position takes storage,page,offset,mediaID");
    auto request = PlayRequest::playRequestJumpToPosition(MediaPosition(uint32_t(v[0]), uint32_t(v[1]), uint32_t(v[2])), v[3]);
    afterPause.push_back([&, request] { client->play(request); });
  }
  std::shared_ptr<const EventList> lastEvents;
  if (parser.isSet(jumpEventOption)) {
    auto index = number(parser.value(jumpEventOption));
    if (!index) usageError("--jump-event takes an index");
    if (!parser.isSet(eventsOption)) usageError("--jump-event needs --events");
    afterPause.push_back([&, i = size_t(*index)] {
      if (lastEvents && i < lastEvents->events().size())
        client->play(PlayRequest::playRequestJumpToEvent(lastEvents->events()[i]));
      else
        std::fprintf(stderr, "zelvo-probe: no event %zu in the list\n", i);
    });
  }
  std::optional<uint64_t> pauseAfter;
  if (parser.isSet(pauseOption)) {
    pauseAfter = number(parser.value(pauseOption));
    if (!pauseAfter) usageError("--pause-after takes a count");
  }

  int exitCode = 0;
  bool finishing = false;
  auto finish = [&](int code) {
    if (finishing) return;
    finishing = true;
    exitCode = code;
    manager.disconnect();
    QTimer::singleShot(500, &app, [&app] { app.quit(); });
  };

  uint64_t frames = 0;
  int answers = 0;
  bool pauseAsked = false;
  size_t nextAfterPause = 0;
  auto maybeDone = [&] {
    if (answers >= expectedAnswers && !playing && nextAfterPause >= afterPause.size()) finish(0);
  };
  std::vector<Observation> observations;
  const void* clientObject = static_cast<const NetworkClient*>(client.get());
  for (const char* name :
       {PlaybackPlayRequestedNotification, PlaybackStartedNotification, PlaybackMediaFrameReceivedNotification,
        PlaybackPausedWithReasonNotification, PlaybackRecordingCalendarReceivedNotification,
        PlaybackRecordingTimeSliceListReceivedNotification, PlaybackRecordingSectionListReceivedNotification,
        PlaybackEventCalendarReceivedNotification, PlaybackEventListReceivedNotification})
    observations.emplace_back(NotificationCenter::defaultCenter(), name, clientObject, [&](const Notification& n) {
      print(describe(n));
      if (n.name == PlaybackEventListReceivedNotification)
        lastEvents = *n.get<std::shared_ptr<const EventList>>(PlaybackEventListKey);
      if (n.name == PlaybackMediaFrameReceivedNotification && pauseAfter && ++frames == *pauseAfter && !pauseAsked) {
        pauseAsked = true;
        client->pause();
      }
      if (n.name == PlaybackPausedWithReasonNotification) {
        // A pause ends one playback; what was asked for after it starts the next.
        if (pauseAsked && nextAfterPause < afterPause.size()) {
          afterPause[nextAfterPause++]();
        } else if (!pauseAsked || nextAfterPause >= afterPause.size()) {
          playing = false;
        }
      }
      if (n.name != PlaybackMediaFrameReceivedNotification && n.name != PlaybackPlayRequestedNotification &&
          n.name != PlaybackStartedNotification && n.name != PlaybackPausedWithReasonNotification)
        ++answers;
      // Let the last notifications of a playback come in before finishing.
      QTimer::singleShot(300, &app, maybeDone);
    });
  observations.push_back(manager.addObserver(ConnectionManagerLoginSucceedNotification, [&](const Notification& n) {
    print(describe(n));
    for (auto& action : atLogin) action();
    if (atLogin.empty()) finish(0);
  }));
  observations.push_back(manager.addObserver(ConnectionManagerDisconnectedNotification, [&](const Notification& n) {
    print(describe(n));
    const int* reason = n.get<int>(ConnectionManagerDisconnectionReasonKey);
    if (!finishing) {
      std::fprintf(stderr, "zelvo-probe: %s\n",
                   NetworkDisconnectionReasonDescription(reason ? *reason : 8).c_str());
      finish(1);
    }
    QTimer::singleShot(0, &app, [&app] { app.quit(); });
  }));
  QTimer::singleShot(int(timeLimit * 1000), &app, [&] { finish(0); });

  manager.connect(ConnectionManager::ConnectionModePlayback, positional[0].toStdString(), uint32_t(*port),
                  parser.value(userOption).toStdString(), parser.value(passwordOption).toStdString(),
                  std::string("zelvo-probe"));
  app.exec();
  observations.clear();
  return exitCode;
}

}  // namespace zelvo::probe
