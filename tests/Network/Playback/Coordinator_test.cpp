// PlaybackRequestCoordinator with a fake delegate: the time-slice cache, stale
// and malformed answers, event-list pages, requests refused before login.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Coordinator_Records.h"
#include "Network/Playback/PlaybackRequestCoordinator.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using test::playback::eventList;
using test::playback::timeSlices;

class FakeDelegate : public PlaybackRequestCoordinatorDelegate {
 public:
  bool loggedIn = true;

  bool sendRecordingCalendarRequest(const Date& from, const Date& to) override {
    return sent("calendar " + from.description() + " " + to.description());
  }
  bool sendRecordingTimeSliceListRequest(const Date& date, const BitMask32& channel) override {
    return sent("slices " + date.description() + " " + std::to_string(channel.asUint32()));
  }
  bool sendRecordingSectionListRequest(const Interval&, const BitMask32& channel) override {
    return sent("sections " + std::to_string(channel.asUint32()));
  }
  bool sendEventCalendarRequest(const Date&, const Date&) override { return sent("event calendar"); }
  bool sendEventListRequest(const EventListRequest& request) override {
    return sent("events " + std::to_string(request.maxCount()));
  }
  bool sendEventListContinueRequest(uint32_t value, bool direction) override {
    return sent("continue " + std::to_string(value) + (direction ? " next" : " prev"));
  }
  void notifyRecordingCalendarReceived(const std::vector<Date>& dates) override {
    note("calendar " + std::to_string(dates.size()));
  }
  void notifyRecordingTimeSliceListReceived(const std::shared_ptr<const TimeSliceList>& list) override {
    std::lock_guard lock(mutex_);
    shownSlices.push_back(list);
  }
  void notifyRecordingSectionListReceived(const std::shared_ptr<const SectionList>& list) override {
    note("sections " + std::to_string(list->sections().size()));
  }
  void notifyEventCalendarReceived(const std::vector<Date>& dates) override {
    note("event calendar " + std::to_string(dates.size()));
  }
  void notifyEventListReceived(const std::shared_ptr<const EventList>& list) override {
    std::lock_guard lock(mutex_);
    shownEvents.push_back(list);
  }

  std::vector<std::string> sends() const {
    std::lock_guard lock(mutex_);
    return sends_;
  }
  std::vector<std::string> notes() const {
    std::lock_guard lock(mutex_);
    return notes_;
  }

  std::vector<std::shared_ptr<const TimeSliceList>> shownSlices;
  std::vector<std::shared_ptr<const EventList>> shownEvents;

 private:
  bool sent(const std::string& what) {
    std::lock_guard lock(mutex_);
    if (!loggedIn) return false;
    sends_.push_back(what);
    return true;
  }
  void note(const std::string& what) {
    std::lock_guard lock(mutex_);
    notes_.push_back(what);
  }
  mutable std::mutex mutex_;
  std::vector<std::string> sends_;
  std::vector<std::string> notes_;
};

const Date Day1(2026, 3, 4);
const Date Day2(2026, 3, 5);
const BitMask32 Mask0(0b1);
const BitMask32 Mask1(0b10);

class CoordinatorTest : public ::testing::Test {
 protected:
  // Everything queued so far has run.
  void settle() {
    coordinator.sync([] {});
  }
  FakeDelegate delegate;
  PlaybackRequestCoordinator coordinator{&delegate};
  test::LogCapture log;
};

TEST_F(CoordinatorTest, TwoDaysBeforeAnyAnswerShowOnlyTheSecondButCacheBoth) {
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  coordinator.requestRecordingTimeSliceList(Day2, Mask0);
  auto first = timeSlices(2026, 3, 4, {1, 2});
  auto second = timeSlices(2026, 3, 5, {3});
  coordinator.recordingTimeSliceListReceived(first);
  coordinator.recordingTimeSliceListReceived(second);
  ASSERT_EQ(delegate.shownSlices.size(), 1u);
  EXPECT_EQ(delegate.shownSlices[0], second);
  EXPECT_TRUE(log.contains("PlaybackRequestCoordinator::recordingTimeSliceListReceived : reponse ignored"));

  // The answer that was not shown still made its day a hit.
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  settle();
  ASSERT_EQ(delegate.shownSlices.size(), 2u);
  EXPECT_EQ(delegate.shownSlices[1], first);
  EXPECT_EQ(delegate.sends().size(), 2u);
}

TEST_F(CoordinatorTest, HitShowsTheCachedListSendsNothingAndDropsTheAnswerInFlight) {
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  auto cached = timeSlices(2026, 3, 4, {1});
  coordinator.recordingTimeSliceListReceived(cached);
  coordinator.requestRecordingTimeSliceList(Day2, Mask0);  // on its way
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);  // hit
  settle();
  EXPECT_EQ(delegate.sends().size(), 2u);
  ASSERT_EQ(delegate.shownSlices.size(), 2u);
  EXPECT_EQ(delegate.shownSlices[1], cached);
  EXPECT_TRUE(log.contains("PlaybackClient::requestRecordingTimeSliceList : hit! : "));

  coordinator.recordingTimeSliceListReceived(timeSlices(2026, 3, 5, {4}));
  EXPECT_EQ(delegate.shownSlices.size(), 2u);
  // ...but cached under the day it answered.
  coordinator.requestRecordingTimeSliceList(Day2, Mask0);
  settle();
  EXPECT_EQ(delegate.sends().size(), 2u);
  EXPECT_EQ(delegate.shownSlices.size(), 3u);
}

TEST_F(CoordinatorTest, TheCacheTellsChannelMasksApart) {
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  coordinator.recordingTimeSliceListReceived(timeSlices(2026, 3, 4, {1}, Mask0.asUint32()));
  coordinator.requestRecordingTimeSliceList(Day1, Mask1);
  settle();
  EXPECT_EQ(delegate.sends(), (std::vector<std::string>{"slices " + Day1.description() + " 1",
                                                         "slices " + Day1.description() + " 2"}));
}

TEST_F(CoordinatorTest, TheCacheIsKeyedByTheDayAskedForNotTheLastSlice) {
  // The last slice of the answer starts on the next day (a recording over midnight).
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  coordinator.recordingTimeSliceListReceived(timeSlices(2026, 3, 5, {0}));
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  coordinator.requestRecordingTimeSliceList(Day2, Mask0);
  settle();
  EXPECT_EQ(delegate.sends().size(), 2u);
  EXPECT_EQ(delegate.sends().back(), "slices " + Day2.description() + " 1");
}

TEST_F(CoordinatorTest, AnEmptyAnswerIsShownAndCached) {
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  auto empty = timeSlices(2026, 3, 4, {});
  coordinator.recordingTimeSliceListReceived(empty);
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  settle();
  EXPECT_EQ(delegate.sends().size(), 1u);
  ASSERT_EQ(delegate.shownSlices.size(), 2u);
  EXPECT_EQ(delegate.shownSlices[0], empty);
  EXPECT_EQ(delegate.shownSlices[1], empty);
}

TEST_F(CoordinatorTest, AnAnswerNobodyAskedForIsNeitherShownNorCached) {
  coordinator.recordingTimeSliceListReceived(timeSlices(2026, 3, 4, {1}));
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  settle();
  EXPECT_TRUE(delegate.shownSlices.empty());
  EXPECT_EQ(delegate.sends().size(), 1u);
}

TEST_F(CoordinatorTest, FlushMakesTheNextRequestForACachedDayGoOut) {
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  coordinator.recordingTimeSliceListReceived(timeSlices(2026, 3, 4, {1}));
  coordinator.flush();
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  settle();
  EXPECT_EQ(delegate.sends().size(), 2u);
  EXPECT_EQ(delegate.shownSlices.size(), 1u);
}

TEST_F(CoordinatorTest, AfterCleanupAnOutstandingAnswerIsJudgedByAFreshQueue) {
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  coordinator.requestEventList(EventListRequest::eventListRequestOfDate(Day1, 10));
  coordinator.recordingTimeSliceListReceived(timeSlices(2026, 3, 4, {1}));
  coordinator.cleanup();
  // Nothing is outstanding any more: both late answers are dropped, and the
  // cache was emptied with the rest.
  coordinator.recordingTimeSliceListReceived(timeSlices(2026, 3, 4, {2}));
  coordinator.eventListReceived(eventList(1, 2));
  EXPECT_EQ(delegate.shownSlices.size(), 1u);
  EXPECT_TRUE(delegate.shownEvents.empty());
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  settle();
  EXPECT_EQ(delegate.sends().size(), 3u);
}

TEST_F(CoordinatorTest, ANewEventListDropsTheOldAnswerAndShowsEveryLaterPage) {
  coordinator.requestEventList(EventListRequest::eventListRequestOfDate(Day1, 10));
  coordinator.requestEventList(EventListRequest::eventListRequestOfDate(Day2, 20));
  coordinator.requestEventListContinue(5, true);
  coordinator.requestEventListContinue(6, false);
  auto stale = eventList(1, 1);
  auto page1 = eventList(10, 2, false, true);
  auto page2 = eventList(20, 2, true, true);
  auto page3 = eventList(30, 2, true, false);
  for (auto& page : {stale, page1, page2, page3}) coordinator.eventListReceived(page);
  EXPECT_EQ(delegate.sends(), (std::vector<std::string>{"events 10", "events 20", "continue 5 next", "continue 6 prev"}));
  ASSERT_EQ(delegate.shownEvents.size(), 3u);
  EXPECT_EQ(delegate.shownEvents[0], page1);
  EXPECT_EQ(delegate.shownEvents[2], page3);
  EXPECT_TRUE(log.contains("PlaybackRequestCoordinator::eventListReceived : reponse ignored"));
  EXPECT_TRUE(log.contains("PlaybackRequestCoordinator::eventListReceived : reponse"));
}

// A malformed answer still answers its request, so the later answers stay paired.
TEST_F(CoordinatorTest, AMalformedTimeSliceAnswerCountsAsItsRequestsAnswer) {
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  coordinator.requestRecordingTimeSliceList(Day2, Mask0);
  coordinator.recordingTimeSliceListMalformed();
  auto second = timeSlices(2026, 3, 5, {1});
  coordinator.recordingTimeSliceListReceived(second);
  ASSERT_EQ(delegate.shownSlices.size(), 1u);
  EXPECT_EQ(delegate.shownSlices[0], second);
  // Day 1 was never cached.
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  settle();
  EXPECT_EQ(delegate.sends().size(), 3u);
}

TEST_F(CoordinatorTest, AMalformedEventPageCountsAsItsRequestsAnswer) {
  coordinator.requestEventList(EventListRequest::eventListRequestOfDate(Day1, 10));
  coordinator.requestEventList(EventListRequest::eventListRequestOfDate(Day2, 10));
  coordinator.eventListMalformed();  // the stale answer
  auto page = eventList(1, 1);
  coordinator.eventListReceived(page);
  ASSERT_EQ(delegate.shownEvents.size(), 1u);
  EXPECT_EQ(delegate.shownEvents[0], page);
}

TEST_F(CoordinatorTest, RequestsRefusedBeforeLoginAreNotCounted) {
  delegate.loggedIn = false;
  coordinator.requestRecordingTimeSliceList(Day1, Mask0);
  coordinator.requestEventList(EventListRequest::eventListRequestOfDate(Day1, 10));
  settle();
  delegate.loggedIn = true;
  coordinator.requestRecordingTimeSliceList(Day2, Mask0);
  auto answer = timeSlices(2026, 3, 5, {1});
  coordinator.recordingTimeSliceListReceived(answer);
  ASSERT_EQ(delegate.shownSlices.size(), 1u);
  EXPECT_EQ(delegate.shownSlices[0], answer);
  // The refused event list left nothing outstanding: an answer now is dropped.
  coordinator.eventListReceived(eventList(1, 1));
  EXPECT_TRUE(delegate.shownEvents.empty());
}

TEST_F(CoordinatorTest, CalendarsAndSectionListsArePassedOnUnconditionally) {
  coordinator.recordingCalendarReceived({Day1, Day2});
  coordinator.eventCalendarReceived({Day1});
  coordinator.recordingSectionListRecieved(test::playback::readRecord<SectionList>(test::playback::sectionListBytes(1, {3, 4, 5})));
  coordinator.requestRecordingCalendar(Day1, Day2);
  coordinator.requestEventCalendar(Day1, Day2);
  coordinator.requestRecordingSectionList(Interval::intervalOfDate(Day1), Mask1);
  settle();
  EXPECT_EQ(delegate.notes(), (std::vector<std::string>{"calendar 2", "event calendar 1", "sections 3"}));
  EXPECT_EQ(delegate.sends(), (std::vector<std::string>{"calendar " + Day1.description() + " " + Day2.description(),
                                                         "event calendar", "sections 2"}));
}

TEST_F(CoordinatorTest, RequestsFromTwoThreadsAndAnswersFromAThirdStayPaired) {
  constexpr int PerThread = 50;
  std::thread a([&] {
    for (int i = 0; i < PerThread; ++i) coordinator.requestEventListContinue(uint32_t(i), true);
  });
  std::thread b([&] {
    for (int i = 0; i < PerThread; ++i) coordinator.requestEventListContinue(uint32_t(i), false);
  });
  a.join();
  b.join();
  std::thread network([&] {
    for (int i = 0; i < 2 * PerThread; ++i) coordinator.eventListReceived(eventList(uint64_t(i), 1));
  });
  network.join();
  EXPECT_EQ(delegate.sends().size(), size_t(2 * PerThread));
  EXPECT_EQ(delegate.shownEvents.size(), size_t(2 * PerThread));
  // Every answer consumed one request: one more is dropped.
  coordinator.eventListReceived(eventList(999, 1));
  EXPECT_EQ(delegate.shownEvents.size(), size_t(2 * PerThread));
}

}  // namespace
}  // namespace zelvo
