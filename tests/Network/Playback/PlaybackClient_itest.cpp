// The playback client over loopback against the recorder emulator: every request
// and its notification, play at 1x and 4x, pause, jumps, channel changes, the
// recording ending by itself, faulty answers and a connection lost mid-play.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "Coordinator_Records.h"
#include "Dispatcher_GatedClock.h"
#include "Network/Live/LiveClient.h"
#include "Network/MediaFrame.h"
#include "Network/Playback/Calendar.h"
#include "Network/Playback/EventList.h"
#include "Network/Playback/SectionList.h"
#include "Network/Playback/TimeSliceList.h"
#include "PlaybackClient_Fixture.h"
#include "emulator/LiveRecorder.h"

namespace zelvo {
namespace {

using emulator::AnswerFault;
using emulator::Bytes;
using emulator::When;
using test::playback::PlaybackLoopback;
using test::playback::WireBytes;

// Between the pause and the event calendar: no message has this type.
constexpr uint16_t UnusedPlaybackType = 520;

constexpr char StoppedByUser[] = "PlaybackStateStoppedByUserKey";

Bytes bytes(const WireBytes& w) { return w.bytes; }

const Interval WholeRecording(DateTime(Date(2026, 3, 4), Time(10, 0, 0)), DateTime(Date(2026, 3, 4), Time(10, 59, 59)));

std::vector<uint64_t> ascending(uint64_t from, uint64_t to) {
  std::vector<uint64_t> ids;
  for (uint64_t id = from; id <= to; ++id) ids.push_back(id);
  return ids;
}

class PlaybackLists : public PlaybackLoopback {
 protected:
  emulator::PlaybackScript script() override {
    emulator::PlaybackScript s = PlaybackLoopback::script();
    s.recordingCalendar = {When{2026, 3, 4}, When{2026, 3, 5}};
    s.eventCalendar = {When{2026, 3, 4}};
    s.slices = {{1, When{2026, 3, 4, 10, 0, 0}, When{2026, 3, 4, 10, 30, 0}, 1},
                {2, When{2026, 3, 4, 11, 0, 0}, When{2026, 3, 4, 11, 30, 0}, 2},
                {3, When{2026, 3, 5, 9, 0, 0}, When{2026, 3, 5, 9, 30, 0}, 1}};
    s.sections = {7, 8};
    for (int i = 0; i < 5; ++i)
      s.events.push_back({1, uint8_t(i), 1, When{2026, 3, 4, 10, 0, i}, uint64_t(i + 1), {1, 0, uint32_t(i)}});
    return s;
  }
};

TEST_F(PlaybackLists, RecordingCalendarAsksForTheWholePeriod) {
  client->requestRecordingCalendar();
  auto sent = emulator.waitForPacket(MessageTypeRecordingCalendar);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->payload, bytes(WireBytes().date(1970, 1, 1).date(2100, 12, 31)));
  ASSERT_TRUE(log->waitFor(PlaybackRecordingCalendarReceivedNotification));
  const auto dates = log->value<std::vector<Date>>(PlaybackRecordingCalendarReceivedNotification, 0, PlaybackCalendarKey);
  ASSERT_TRUE(dates);
  EXPECT_EQ(*dates, (std::vector<Date>{Date(2026, 3, 4), Date(2026, 3, 5)}));
}

TEST_F(PlaybackLists, EventCalendarAsksForTheWholePeriodWithATrailingZero) {
  client->requestEventCalendar();
  auto sent = emulator.waitForPacket(MessageTypeEventCalendar);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->payload, bytes(WireBytes().date(1970, 1, 1).date(2100, 12, 31).u8(0)));
  ASSERT_TRUE(log->waitFor(PlaybackEventCalendarReceivedNotification));
  const auto dates = log->value<std::vector<Date>>(PlaybackEventCalendarReceivedNotification, 0, PlaybackCalendarKey);
  ASSERT_TRUE(dates);
  EXPECT_EQ(*dates, (std::vector<Date>{Date(2026, 3, 4)}));
}

TEST_F(PlaybackLists, TimeSlicesOfADayAndTheCacheOnTheSecondRequest) {
  client->requestRecordingTimeSliceList(Date(2026, 3, 4), BitMask32(3));
  auto sent = emulator.waitForPacket(MessageTypeRecordingTimeSliceList);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->payload, bytes(WireBytes().wholeDay(2026, 3, 4).u32(3)));
  ASSERT_TRUE(log->waitFor(PlaybackRecordingTimeSliceListReceivedNotification));
  const auto list = log->value<std::shared_ptr<const TimeSliceList>>(PlaybackRecordingTimeSliceListReceivedNotification, 0, PlaybackTimeSliceListKey);
  ASSERT_TRUE(list && *list);
  EXPECT_EQ((*list)->timeSlices().size(), 2u);

  test::LogCapture lines;
  client->requestRecordingTimeSliceList(Date(2026, 3, 4), BitMask32(3));
  ASSERT_TRUE(log->waitFor(PlaybackRecordingTimeSliceListReceivedNotification, 2));
  EXPECT_TRUE(lines.contains("PlaybackClient::requestRecordingTimeSliceList : hit! : "));
  client->flushCache();
  client->requestRecordingTimeSliceList(Date(2026, 3, 4), BitMask32(3));
  ASSERT_TRUE(emulator.waitForPacket(MessageTypeRecordingTimeSliceList));
}

TEST_F(PlaybackLists, SectionListPutsTheMaskFirst) {
  client->requestRecordingSectionList(Interval::intervalOfDate(Date(2026, 3, 4)), BitMask32(5));
  auto sent = emulator.waitForPacket(MessageTypeRecordingSectionList);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->payload, bytes(WireBytes().u32(5).wholeDay(2026, 3, 4)));
  ASSERT_TRUE(log->waitFor(PlaybackRecordingSectionListReceivedNotification));
  const auto list = log->value<std::shared_ptr<const SectionList>>(PlaybackRecordingSectionListReceivedNotification, 0, PlaybackSectionListKey);
  ASSERT_TRUE(list && *list);
  EXPECT_EQ((*list)->sections().size(), 2u);
}

TEST_F(PlaybackLists, EventListPagesForwardAndBack) {
  client->requestEventList(EventListRequest::eventListRequestOfDate(Date(2026, 3, 4), 2));
  auto sent = emulator.waitForPacket(MessageTypeEventList);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->payload, bytes(WireBytes().wholeDay(2026, 3, 4).u32(0xFFFFFFFF).u32(0xFFFFFFFF).u32(2)));
  ASSERT_TRUE(log->waitFor(PlaybackEventListReceivedNotification));
  client->requestEventListContinue(42, true);
  auto next = emulator.waitForPacket(MessageTypeEventListContinue);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->payload, bytes(WireBytes().u8(1).u32(42)));
  ASSERT_TRUE(log->waitFor(PlaybackEventListReceivedNotification, 2));
  client->requestEventListContinue(7, false);
  ASSERT_TRUE(log->waitFor(PlaybackEventListReceivedNotification, 3));
  auto pages = log->named(PlaybackEventListReceivedNotification);
  auto page = [&](size_t i) { return *pages[i].get<std::shared_ptr<const EventList>>(PlaybackEventListKey); };
  EXPECT_FALSE(page(0)->hasPrev());
  EXPECT_TRUE(page(0)->hasNext());
  EXPECT_TRUE(page(1)->hasPrev());
  EXPECT_EQ(page(1)->events().at(0).mediaID(), 3u);
  EXPECT_EQ(page(2)->events().at(0).mediaID(), 1u);
}

TEST_F(PlaybackLists, AHeldAnswerToAnEarlierDayIsNotShown) {
  recorder->addFault(MessageTypeRecordingTimeSliceList, AnswerFault::Hold);
  client->requestRecordingTimeSliceList(Date(2026, 3, 4), BitMask32(1));
  ASSERT_TRUE(emulator.waitForPacket(MessageTypeRecordingTimeSliceList));
  client->requestRecordingTimeSliceList(Date(2026, 3, 5), BitMask32(1));
  ASSERT_TRUE(test::waitUntil([&] { return recorder->heldAnswers() == 2; }));
  recorder->releaseHeld();
  ASSERT_TRUE(log->waitFor(PlaybackRecordingTimeSliceListReceivedNotification));
  // The second answer is shown; make sure the first had its turn before looking.
  client->requestRecordingCalendar();
  ASSERT_TRUE(log->waitFor(PlaybackRecordingCalendarReceivedNotification));
  auto shown = log->named(PlaybackRecordingTimeSliceListReceivedNotification);
  ASSERT_EQ(shown.size(), 1u);
  auto list = *shown[0].get<std::shared_ptr<const TimeSliceList>>(PlaybackTimeSliceListKey);
  ASSERT_EQ(list->timeSlices().size(), 1u);
  EXPECT_EQ(list->timeSlices()[0].sectionID(), 3u);
}

TEST_F(PlaybackLists, AGarbledAnswerStillAnswersItsRequest) {
  recorder->addFault(MessageTypeRecordingTimeSliceList, AnswerFault::Garble);
  test::LogCapture lines;
  client->requestRecordingTimeSliceList(Date(2026, 3, 4), BitMask32(1));
  client->requestRecordingTimeSliceList(Date(2026, 3, 5), BitMask32(1));
  ASSERT_TRUE(log->waitFor(PlaybackRecordingTimeSliceListReceivedNotification));
  auto list = *log->value<std::shared_ptr<const TimeSliceList>>(PlaybackRecordingTimeSliceListReceivedNotification, 0, PlaybackTimeSliceListKey);
  EXPECT_EQ(list->timeSlices().at(0).sectionID(), 3u);
}

TEST(PlaybackClientOffline, RequestsBeforeLoginAreRefusedWithALogLine) {
  auto client = PlaybackClient::create();
  test::LogCapture lines;
  client->requestRecordingCalendar();
  client->requestEventList(EventListRequest::eventListRequestOfDate(Date(2026, 3, 4), 2));
  ASSERT_TRUE(test::waitUntil([&] { return lines.contains("event list refused : not logged in"); }));
  EXPECT_TRUE(lines.contains("recording calendar refused : not logged in"));
}

TEST(PlaybackClientOffline, PlayWhileDisconnectedSendsNothingButBecomesTheLastRequest) {
  auto client = PlaybackClient::create();
  auto request = PlayRequest::playRequestPlay(BitMask32(1), WholeRecording, 1, 1, false);
  client->play(request);
  ASSERT_TRUE(test::waitUntil([&] { return client->lastPlayRequest() == request; }));
  EXPECT_EQ(client->stateKey(), "PlaybackStateDisconnectedKey");
}

TEST(PlaybackClientProfile, IsThePlaybackProfile) {
  EXPECT_EQ(PlaybackClient::SupportingProfile, 2);
  EXPECT_EQ(PlaybackClient::parsePauseReason(3), 10);
  EXPECT_EQ(PlaybackClient::parsePauseReason(7), 7);
  EXPECT_EQ(PlaybackClient::parsePauseReason(0), 0);
}

// Play, at two speeds: the interval, then the request, then every frame in order,
// then the end of the recording reported after the last frame.
struct SpeedCase {
  const char* name;
  uint32_t speed;
};

class PlaybackSpeeds : public PlaybackLoopback, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(PlaybackSpeeds, PlaysTheRecordingInOrderAndReportsItsEnd) {
  auto request = PlayRequest::playRequestPlay(BitMask32(1), WholeRecording, 1, GetParam().speed, false);
  client->play(request);
  auto interval = emulator.waitForPacket(MessageTypePlaybackInterval);
  auto play = emulator.waitForPacket(MessageTypePlayRequest);
  ASSERT_TRUE(interval && play);
  EXPECT_EQ(interval->payload, bytes(WireBytes().dateTime(2026, 3, 4, 10, 0, 0).dateTime(2026, 3, 4, 10, 59, 59)));
  EXPECT_EQ(play->payload, bytes(WireBytes()
                                     .u32(1)
                                     .dateTime(2026, 3, 4, 10, 0, 0)
                                     .dateTime(2026, 3, 4, 10, 59, 59)
                                     .u32(1)
                                     .u32(1)
                                     .u32(GetParam().speed)
                                     .u32(0)));
  const auto received = emulator.received();
  const auto at = [&](uint16_t type) {
    return std::find_if(received.begin(), received.end(), [&](auto& p) { return p.type == type; }) - received.begin();
  };
  EXPECT_LT(at(MessageTypePlaybackInterval), at(MessageTypePlayRequest));

  ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification));
  EXPECT_EQ(log->frameIDs(), ascending(1, 20));
  auto all = log->all();
  auto index = [&](const std::string& name) {
    return std::find_if(all.begin(), all.end(), [&](auto& p) { return p.name == name; }) - all.begin();
  };
  EXPECT_LT(index(PlaybackPlayRequestedNotification), index(PlaybackStartedNotification));
  EXPECT_EQ(log->count(PlaybackStartedNotification), 1u);
  EXPECT_EQ(log->named(PlaybackStartedNotification)[0].frameID(), 1u);
  EXPECT_EQ(all.back().name, PlaybackPausedWithReasonNotification);
  // Reason 3 from the recorder is passed on as 10.
  EXPECT_EQ(*all.back().get<int>(PlaybackPauseReasonKey), 10);
  const auto requested = log->value<std::shared_ptr<const PlayRequest>>(PlaybackPlayRequestedNotification, 0, PlaybackPlayRequestKey);
  ASSERT_TRUE(requested);
  EXPECT_EQ(requested->get(), request.get());

  // Once every frame is shown the machine settles the recorder with a pause.
  ASSERT_TRUE(waitForState(StoppedByUser));
  auto settle = emulator.waitForPacket(MessageTypePause);
  ASSERT_TRUE(settle);
  EXPECT_EQ(settle->payload, bytes(WireBytes().u32(1).u32(1).u32(9)));  // the last frame's position
}

INSTANTIATE_TEST_SUITE_P(Speeds, PlaybackSpeeds, ::testing::Values(SpeedCase{"Normal", 1}, SpeedCase{"Fast4x", 4}),
                         [](const auto& info) { return std::string(info.param.name); });

class PlaybackControl : public PlaybackLoopback {
 protected:
  // Plays and waits until a few frames were shown; the recorder holds the rest.
  std::shared_ptr<PlayRequest> playAndShow(size_t shown, uint32_t mask = 1) {
    recorder->holdStreamAfter(shown);
    auto request = PlayRequest::playRequestPlay(BitMask32(mask), WholeRecording, 1, 4, false);
    client->play(request);
    EXPECT_TRUE(test::waitUntil([&] { return log->frameIDs().size() >= shown; }));
    return request;
  }
  void pauseAndWait() {
    const size_t pauses = log->count(PlaybackPausedWithReasonNotification);
    client->pause();
    ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification, pauses + 1));
    ASSERT_TRUE(waitForState(StoppedByUser));
  }
  emulator::PlaybackScript script() override {
    emulator::PlaybackScript s;
    s.recording = emulator::makeRecording(20, 1);
    // A second channel, every frame doubled.
    auto second = emulator::makeRecording(20, 2);
    for (auto& f : second) f.frame.mediaID += 100;
    s.recording.insert(s.recording.end(), second.begin(), second.end());
    std::stable_sort(s.recording.begin(), s.recording.end(),
                     [](auto& a, auto& b) { return a.frame.timeStamp < b.frame.timeStamp; });
    s.events.push_back({1, 9, 1, When{2026, 3, 4, 10, 0, 0}, 15, {1, 1, 4}});
    return s;
  }
};

TEST_F(PlaybackControl, PauseStopsAtTheLastFrameShownAndReportsReasonOne) {
  playAndShow(4);
  client->pause();
  auto pause = emulator.waitForPacket(MessageTypePause);
  ASSERT_TRUE(pause);
  ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification));
  ASSERT_TRUE(waitForState(StoppedByUser));
  const auto frames = log->named(PlaybackMediaFrameReceivedNotification);
  const MediaPosition last = *frames.back().get<MediaPosition>(PlaybackMediaPositionKey);
  EXPECT_EQ(pause->payload, bytes(WireBytes().u32(last.storageID()).u32(last.pageNumber()).u32(last.pageOffset())));
  EXPECT_EQ(*log->value<int>(PlaybackPausedWithReasonNotification, 0, PlaybackPauseReasonKey), 1);
  EXPECT_EQ(log->all().back().name, PlaybackPausedWithReasonNotification);

  // A pause while already stopped by the user: only the report again, reason 1.
  client->pause();
  ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification, 2));
  EXPECT_EQ(*log->value<int>(PlaybackPausedWithReasonNotification, 1, PlaybackPauseReasonKey), 1);
}

TEST_F(PlaybackControl, PlayWhilePlayingPausesFirstThenSendsOnlyTheNewest) {
  playAndShow(3);
  auto second = PlayRequest::playRequestPlay(BitMask32(2), WholeRecording, 1, 4, false);
  auto third = PlayRequest::playRequestPlay(BitMask32(1), WholeRecording, 1, 2, false);
  recorder->addFault(MessageTypePause, AnswerFault::Hold);
  client->play(second);
  client->play(third);
  ASSERT_TRUE(emulator.waitForPacket(MessageTypePause));
  ASSERT_TRUE(test::waitUntil([&] { return recorder->heldAnswers() == 1; }));
  recorder->holdStreamAfter(std::nullopt);
  recorder->releaseHeld();
  ASSERT_TRUE(log->waitFor(PlaybackPlayRequestedNotification, 2));
  auto play = emulator.waitForPacket(MessageTypePlayRequest);  // the first play
  auto next = emulator.waitForPacket(MessageTypePlayRequest);
  ASSERT_TRUE(play && next);
  EXPECT_EQ(next->payload.at(31), 2u);  // speed 2: the third request
  auto requested = log->named(PlaybackPlayRequestedNotification);
  EXPECT_EQ(requested[1].get<std::shared_ptr<const PlayRequest>>(PlaybackPlayRequestKey)->get(), third.get());
  ASSERT_TRUE(log->waitFor(PlaybackStartedNotification, 2));
}

TEST_F(PlaybackControl, JumpToPositionAfterAPauseStreamsFromThere) {
  playAndShow(3);
  pauseAndWait();
  log->clear();
  recorder->holdStreamAfter(std::nullopt);
  client->play(PlayRequest::playRequestJumpToPosition(MediaPosition(1, 1, 0), 11));
  auto jump = emulator.waitForPacket(MessageTypeJump);
  ASSERT_TRUE(jump);
  EXPECT_EQ(jump->payload, bytes(WireBytes().u32(1).u32(1).u32(0).u64(11)));
  ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification));
  // From there on, on the channel that was playing.
  EXPECT_EQ(log->frameIDs(), ascending(11, 20));
}

TEST_F(PlaybackControl, JumpToAnEventOfTheList) {
  client->requestEventList(EventListRequest::eventListRequestOfDate(Date(2026, 3, 4), 10));
  ASSERT_TRUE(log->waitFor(PlaybackEventListReceivedNotification));
  auto page = *log->value<std::shared_ptr<const EventList>>(PlaybackEventListReceivedNotification, 0, PlaybackEventListKey);
  ASSERT_EQ(page->events().size(), 1u);
  client->play(PlayRequest::playRequestJumpToEvent(page->events()[0]));
  auto jump = emulator.waitForPacket(MessageTypeJump);
  ASSERT_TRUE(jump);
  EXPECT_EQ(jump->payload, bytes(WireBytes().u32(1).u32(1).u32(4).u64(0).u32(1)));
  ASSERT_TRUE(log->waitFor(PlaybackStartedNotification));
  EXPECT_EQ(log->value<MediaPosition>(PlaybackStartedNotification, 0, PlaybackMediaPositionKey)->pageOffset(), 4u);
}

TEST_F(PlaybackControl, JumpNearAPositionCarriesTheWireDirection) {
  struct Row {
    int direction;
    uint32_t wire;
  };
  int confirmed = 0;
  for (Row row : {Row{1, 2}, Row{0, 1}}) {
    client->play(PlayRequest::playRequestJump(BitMask32(1), MediaPosition(1, 0, 5),
                                              DateTime(Date(2026, 3, 4), Time(10, 0, 0)), row.direction));
    auto jump = emulator.waitForPacket(MessageTypeJumpToNearPosition);
    ASSERT_TRUE(jump);
    EXPECT_EQ(jump->payload,
              bytes(WireBytes().u32(1).u32(0).u32(5).dateTime(2026, 3, 4, 10, 0, 0).u32(row.wire).u32(1)));
    ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification));
    ASSERT_TRUE(waitForState(StoppedByUser));
    // The machine settled the recorder with a pause once the recording had ended:
    // its confirmation is read before the next jump, which it would otherwise end
    // (a calendar answered after it shows it was read).
    ASSERT_TRUE(test::waitUntil([&] { return recorder->pausesConfirmed() == confirmed + 1; }));
    confirmed = recorder->pausesConfirmed();
    client->requestRecordingCalendar();
    ASSERT_TRUE(log->waitFor(PlaybackRecordingCalendarReceivedNotification));
    log->clear();
  }
}

TEST_F(PlaybackControl, ChannelChangeWhilePlayingResendsACopyOfThePlay) {
  auto original = playAndShow(3);
  client->updateChannelMask(BitMask32(3), true);
  ASSERT_TRUE(log->waitFor(PlaybackPlayRequestedNotification, 2));
  emulator.waitForPacket(MessageTypePlayRequest);  // the original play
  auto resent = emulator.waitForPacket(MessageTypePlayRequest);
  ASSERT_TRUE(resent);
  EXPECT_EQ(resent->payload, bytes(WireBytes()
                                       .u32(1)
                                       .dateTime(2026, 3, 4, 10, 0, 0)
                                       .dateTime(2026, 3, 4, 10, 59, 59)
                                       .u32(3)
                                       .u32(1)
                                       .u32(4)
                                       .u32(1)));
  // The request that observers hold is unchanged; the update refers to the copy.
  EXPECT_EQ(original->channelMask().asUint32(), 1u);
  EXPECT_EQ(original->argument2(), 0u);
  auto update = client->lastPlayRequest();
  ASSERT_EQ(update->type(), PlayRequest::TypeUpdateChannelMask);
  ASSERT_TRUE(update->prevRequest());
  EXPECT_NE(update->prevRequest(), original);
  EXPECT_EQ(update->prevRequest()->channelMask().asUint32(), 3u);
}

struct StoppedChangeCase {
  const char* name;
  uint32_t newMask;
  uint16_t expectedType;
};

class PlaybackStoppedChange : public PlaybackControl, public ::testing::WithParamInterface<StoppedChangeCase> {};

TEST_P(PlaybackStoppedChange, ResumesAtTheLastFrameShown) {
  playAndShow(3, 1);
  pauseAndWait();
  const auto frames = log->named(PlaybackMediaFrameReceivedNotification);
  const MediaPosition last = *frames.back().get<MediaPosition>(PlaybackMediaPositionKey);
  const uint64_t lastID = frames.back().frameID();
  client->updateChannelMask(BitMask32(GetParam().newMask), false);
  auto jump = emulator.waitForPacket(GetParam().expectedType);
  ASSERT_TRUE(jump);
  WireBytes expected;
  expected.u32(last.storageID()).u32(last.pageNumber()).u32(last.pageOffset());
  if (GetParam().expectedType == MessageTypeJump)
    expected.u64(lastID);
  else
    expected.dateTime(2026, 3, 4, 10, 0, 0).u32(1).u32(GetParam().newMask);
  EXPECT_EQ(jump->payload, expected.bytes);
}

INSTANTIATE_TEST_SUITE_P(Masks, PlaybackStoppedChange,
                         ::testing::Values(StoppedChangeCase{"ChannelStillSelected", 3, MessageTypeJump},
                                           StoppedChangeCase{"ChannelDropped", 2, MessageTypeJumpToNearPosition}),
                         [](const auto& info) { return std::string(info.param.name); });

class PlaybackChannelless : public PlaybackControl {
 protected:
  emulator::PlaybackScript script() override {
    emulator::PlaybackScript s;
    s.recording = emulator::makeRecording(4, 1);
    s.recording.back().frame.channelMask = 0;
    return s;
  }
};

// The last frame shown had no channel (-1): it is in no mask, so the change
// jumps near its position instead of failing on the channel.
TEST_F(PlaybackChannelless, ChannelChangeAfterAFrameWithoutChannelJumpsNearIt) {
  client->play(PlayRequest::playRequestPlay(BitMask32(1), WholeRecording, 1, 4, false));
  ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification));
  ASSERT_TRUE(waitForState(StoppedByUser));
  EXPECT_EQ(client->mediaDispatcher().lastPoppedMediaInfo().channel(), -1);
  client->updateChannelMask(BitMask32(0xFFFFFFFF), false);
  auto jump = emulator.waitForPacket(MessageTypeJumpToNearPosition);
  ASSERT_TRUE(jump);
  EXPECT_EQ(jump->payload, bytes(WireBytes().u32(1).u32(0).u32(3).dateTime(2026, 3, 4, 10, 0, 0).u32(1).u32(0xFFFFFFFF)));
}

TEST_F(PlaybackControl, ChannelChangeBeforeAnyFrameResendsThePlayWithTheNewMask) {
  recorder->holdStreamAfter(0);
  auto original = PlayRequest::playRequestPlay(BitMask32(1), WholeRecording, 1, 1, false);
  client->play(original);
  ASSERT_TRUE(emulator.waitForPacket(MessageTypePlayRequest));
  pauseAndWait();
  client->updateChannelMask(BitMask32(2), false);
  auto resent = emulator.waitForPacket(MessageTypePlayRequest);
  ASSERT_TRUE(resent);
  EXPECT_EQ(resent->payload.at(23), 2u);  // the mask
  for (const auto& p : emulator.received()) EXPECT_TRUE(p.type != MessageTypeJump && p.type != MessageTypeJumpToNearPosition) << p.type;
  EXPECT_EQ(original->channelMask().asUint32(), 1u);
  ASSERT_TRUE(test::waitUntil([&] { return client->lastPlayRequest()->type() == PlayRequest::TypeUpdateChannelMask; }));
  auto update = client->lastPlayRequest();
  ASSERT_TRUE(update->prevRequest());
  EXPECT_NE(update->prevRequest(), original);
  EXPECT_EQ(update->prevRequest()->channelMask().asUint32(), 2u);
}

TEST_F(PlaybackControl, AShortPauseFromTheRecorderStillStopsWithReasonZero) {
  playAndShow(3);
  recorder->addFault(MessageTypePause, AnswerFault::Short);
  client->pause();
  ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification));
  EXPECT_EQ(*log->value<int>(PlaybackPausedWithReasonNotification, 0, PlaybackPauseReasonKey), 0);
  EXPECT_TRUE(waitForState(StoppedByUser));
}

TEST_F(PlaybackControl, AFrameWhileStoppedByTheUserReachesNobody) {
  playAndShow(3);
  pauseAndWait();
  const size_t frames = log->frameIDs().size();
  WireBytes frame;
  frame.u8(1).u32(1).u32(0).u32(0);
  const Bytes header = emulator::live::mediaFrame(emulator::makeRecording(1)[0].frame);
  Bytes payload = frame.bytes;
  payload.insert(payload.end(), header.begin(), header.end());
  ASSERT_TRUE(emulator.send(MessageTypePlaybackMediaFrame, payload));
  client->requestRecordingCalendar();  // answered after the frame was read
  ASSERT_TRUE(log->waitFor(PlaybackRecordingCalendarReceivedNotification));
  EXPECT_EQ(log->frameIDs().size(), frames);
  EXPECT_EQ(client->stateKey(), StoppedByUser);
}

// The client goes away while its playback queue still holds a pause, which would
// send a pause: the queue drains at destruction and the send is dropped quietly.
TEST_F(PlaybackControl, WorkQueuedWhenTheClientGoesAwaySendsNothing) {
  recorder->holdStreamAfter(0);  // no frame holds the client on its network thread
  // The main thread does not take the play's notification (nothing below spins its
  // event loop), so the queue stops there and the pause waits behind it.
  client->play(PlayRequest::playRequestPlay(BitMask32(1), WholeRecording, 1, 1, false));
  client->pause();
  auto sent = [&](uint16_t type) {
    for (const auto& p : emulator.received())
      if (p.type == type) return true;
    return false;
  };
  // Also waits until hand-overs to the network thread have let go of the client.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((!sent(MessageTypePlayRequest) || client.use_count() > 1) && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(sent(MessageTypePlayRequest));
  ASSERT_EQ(client.use_count(), 1);
  std::weak_ptr<PlaybackClient> weak = client;
  client.reset();
  EXPECT_TRUE(weak.expired());
  // Everything the client sent is in once its connection has closed.
  ASSERT_TRUE(emulator.waitForClosed(0));
  EXPECT_FALSE(sent(MessageTypePause));
}

TEST_F(PlaybackControl, MessagesTheClientDoesNotHandleGoToTheBase) {
  test::LogCapture lines;
  // Types the client sends and never receives, and one no one uses.
  const uint16_t types[] = {MessageTypePlayRequest, UnusedPlaybackType, MessageTypeEventListContinue, MessageTypeJump,
                            MessageTypeJumpToNearPosition, MessageTypePlaybackInterval};
  for (uint16_t type : types) ASSERT_TRUE(emulator.send(type, {}));
  client->requestRecordingCalendar();
  ASSERT_TRUE(log->waitFor(PlaybackRecordingCalendarReceivedNotification));
  for (int type : types)
    EXPECT_TRUE(lines.contains("Unknown Message Type: " + std::to_string(type))) << type;
}

// The recorder pairs a play request with the interval right before it: packets
// sent from other threads as fast as they can never come between the two.
TEST_F(PlaybackControl, NothingSentFromOtherThreadsComesBetweenAPlayRequestAndItsInterval) {
  constexpr int Plays = 25;
  std::atomic<bool> stop{false};
  std::atomic<int> sent{0};
  std::atomic<int> arrived{0};
  emulator.setHandler(UnusedPlaybackType, [&](emulator::Session&, const emulator::ReceivedPacket&) { ++arrived; });
  std::vector<std::thread> senders;
  auto joinSenders = [&] {
    stop = true;
    for (auto& sender : senders)
      if (sender.joinable()) sender.join();
  };
  struct Join {
    std::function<void()> join;
    ~Join() { join(); }
  } joinAtEnd{joinSenders};
  for (int t = 0; t < 3; ++t)
    senders.emplace_back([&] {
      while (!stop.load()) {
        // As fast as the connection takes them, with a short backlog: the play
        // requests still get through in reasonable time.
        if (sent.load() - arrived.load() > 64) {
          std::this_thread::yield();
          continue;
        }
        auto packet = Packet::createWithMessageType(UnusedPlaybackType);
        packet->pushUint32(7);
        packet->pack();
        client->sendPacket(std::move(packet));
        ++sent;
      }
    });
  // The senders are under way before the first play goes out.
  ASSERT_TRUE(test::waitUntil([&] { return arrived.load() > 300; }));
  for (int i = 0; i < Plays; ++i) {
    playAndShow(1);
    ASSERT_TRUE(emulator.waitForPacket(MessageTypePlayRequest));
    pauseAndWait();
  }
  joinSenders();
  emulator.setHandler(UnusedPlaybackType, nullptr);

  const auto received = emulator.received();
  int plays = 0;
  int between = 0;
  for (size_t i = 0; i < received.size(); ++i) {
    if (received[i].type != MessageTypePlayRequest) continue;
    ++plays;
    const bool alone = i == 0 || received[i - 1].type != MessageTypePlaybackInterval;
    if (alone && ++between == 1)
      ADD_FAILURE() << "play request " << plays << " came after type " << (i == 0 ? 0 : received[i - 1].type);
  }
  EXPECT_EQ(plays, Plays);
  EXPECT_EQ(between, 0);
  EXPECT_GT(std::count_if(received.begin(), received.end(), [](auto& p) { return p.type == UnusedPlaybackType; }),
            Plays);
}

TEST_F(PlaybackControl, ALostConnectionReachesTheMachineOnlyAtTheNextLogin) {
  playAndShow(3);
  emulator.lastSession()->close();
  ASSERT_TRUE(log->waitFor(NetworkDisconnectedNotification));
  EXPECT_EQ(client->stateKey(), "PlaybackStatePlayingKey");
  connect();
  EXPECT_EQ(client->stateKey(), "PlaybackStateInitialKey");
  log->clear();
  recorder->holdStreamAfter(std::nullopt);
  client->play(PlayRequest::playRequestPlay(BitMask32(1), WholeRecording, 1, 4, false));
  ASSERT_TRUE(log->waitFor(PlaybackStartedNotification));
  ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification));
}

// While five frames wait in the dispatcher the playback's own network thread
// stops reading; the live connections on the shared thread go on.
class PlaybackBackPressure : public PlaybackLoopback {
 protected:
  std::shared_ptr<PacingClock> clock() override { return gate; }
  std::shared_ptr<test::playback::GatedPacingClock> gate = std::make_shared<test::playback::GatedPacingClock>(true);
};

TEST_F(PlaybackBackPressure, ALiveClientKeepsReceivingFramesAndAnsweringKeepAlives) {
  emulator::LiveRecorder liveRecorder;  // outlives its emulator
  emulator::RecorderEmulator liveEmulator;
  liveRecorder.install(liveEmulator);
  ASSERT_TRUE(liveEmulator.start());
  auto live = LiveClient::create();
  const void* liveObject = static_cast<const NetworkClient*>(live.get());
  int liveFrames = 0, liveLogins = 0;
  Observation frames(NotificationCenter::defaultCenter(), LiveMediaFrameReceivedNotification, liveObject,
                     [&](const Notification&) { ++liveFrames; });
  Observation login(NotificationCenter::defaultCenter(), NetworkLoginSucceedNotification, liveObject,
                    [&](const Notification&) { ++liveLogins; });
  live->connectToHost("127.0.0.1", liveEmulator.port(), "admin", "admin");
  ASSERT_TRUE(test::waitUntil([&] { return liveLogins == 1; }));

  client->play(PlayRequest::playRequestPlay(BitMask32(1), WholeRecording, 1, 1, false));
  ASSERT_TRUE(log->waitFor(PlaybackStartedNotification));
  ASSERT_TRUE(test::waitUntil([&] { return gate->someoneWaits(); }));

  live->sendVideoChannelMask(BitMask32(1));
  ASSERT_TRUE(test::waitUntil([&] { return liveFrames >= 10; }));
  ASSERT_TRUE(liveEmulator.send(MessageTypeAlive, {}));
  auto alive = liveEmulator.waitForPacket(MessageTypeAlive);
  ASSERT_TRUE(alive);
  EXPECT_TRUE(alive->payload.empty());
  // The playback is still held at its second frame.
  EXPECT_EQ(log->frameIDs(), (std::vector<uint64_t>{1}));

  gate->openGate();
  ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification));
  EXPECT_EQ(log->frameIDs(), ascending(1, 20));
  live->disconnect();
  ASSERT_TRUE(test::waitUntil([&] { return live->isDisconnected(); }));
}

// What the delegate hears: the recorder's pause reason as passed on, and no
// frame while stopped.
class RecordingDelegate : public PlaybackClientDelegate {
 public:
  void playbackPausedWithReason(int reason) override {
    std::lock_guard lock(mutex);
    reasons.push_back(reason);
  }
  void receivedPlaybackMediaFrame(const std::shared_ptr<const MediaFrame>&, const MediaPosition&, bool) override {
    ++frames;
  }
  std::mutex mutex;
  std::vector<int> reasons;
  std::atomic<int> frames{0};
};

struct ReasonCase {
  const char* name;
  int32_t fromRecorder;
  int expected;
};

class PlaybackPauseReasons : public PlaybackLoopback, public ::testing::WithParamInterface<ReasonCase> {
 protected:
  emulator::PlaybackScript script() override {
    auto s = PlaybackLoopback::script();
    s.endReason = GetParam().fromRecorder;
    return s;
  }
};

TEST_P(PlaybackPauseReasons, ReachTheDelegateAndTheNotification) {
  RecordingDelegate delegate;
  client->setDelegate(&delegate);
  client->play(PlayRequest::playRequestPlay(BitMask32(1), WholeRecording, 1, 8, false));
  ASSERT_TRUE(log->waitFor(PlaybackPausedWithReasonNotification));
  EXPECT_EQ(*log->value<int>(PlaybackPausedWithReasonNotification, 0, PlaybackPauseReasonKey), GetParam().expected);
  ASSERT_TRUE(waitForState(StoppedByUser));
  EXPECT_EQ(delegate.frames.load(), 20);
  {
    std::lock_guard lock(delegate.mutex);
    ASSERT_FALSE(delegate.reasons.empty());
    EXPECT_EQ(delegate.reasons[0], GetParam().expected);
  }
  // Stopped by the user now: a stray frame reaches nobody.
  Bytes payload = bytes(WireBytes().u8(1).u32(1).u32(0).u32(0));
  const Bytes frame = emulator::live::mediaFrame(emulator::makeRecording(1)[0].frame);
  payload.insert(payload.end(), frame.begin(), frame.end());
  ASSERT_TRUE(emulator.send(MessageTypePlaybackMediaFrame, payload));
  client->requestRecordingCalendar();
  ASSERT_TRUE(log->waitFor(PlaybackRecordingCalendarReceivedNotification));
  EXPECT_EQ(delegate.frames.load(), 20);
  client->setDelegate(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Reasons, PlaybackPauseReasons,
                         ::testing::Values(ReasonCase{"ThreeBecomesTen", 3, 10}, ReasonCase{"SevenStaysSeven", 7, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvo
