#include "Network/Playback/Timeline.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "Network/Packet.h"
#include "Network/Playback/TimeTable.h"
#include "Network/Playback/TimeTrack.h"

namespace zelvo {
namespace {

// "2011-03-09 10:00:00", or "10:00:00" on 2011-03-09; a suffix "@F8" puts that
// UTC-offset byte in the time, as a recorder's own times carry it.
DateTime dt(const std::string& text) {
  std::string fields = text;
  uint32_t offset = 0;
  if (auto at = fields.find('@'); at != std::string::npos) {
    offset = static_cast<uint32_t>(std::stoul(fields.substr(at + 1), nullptr, 16));
    fields = fields.substr(0, at);
  }
  if (fields.size() == 8) fields = "2011-03-09 " + fields;
  int year, month, day, hour, minute, second;
  EXPECT_EQ(std::sscanf(fields.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second), 6) << text;
  return DateTime(Date(year, month, day),
                  Time(offset << 24 | static_cast<uint32_t>(hour) << 16 | static_cast<uint32_t>(minute) << 8 |
                       static_cast<uint32_t>(second)));
}

// "from/to"
Interval iv(const std::string& text) {
  auto slash = text.find('/');
  return Interval(dt(text.substr(0, slash)), dt(text.substr(slash + 1)));
}

std::vector<Interval> ivs(const std::vector<std::string>& texts) {
  std::vector<Interval> all;
  for (const auto& text : texts) all.push_back(iv(text));
  return all;
}

struct MergeCase {
  const char* name;
  uint32_t scale;
  std::vector<std::string> merged;    // in merge order
  std::vector<std::string> expected;  // the slices after
};

const MergeCase mergeCases[] = {
    {"OneSecondApartFuseAtToleranceOne", 1, {"10:00:00/10:00:10", "10:00:11/10:00:20"}, {"10:00:00/10:00:20"}},
    {"TwoSecondsApartStaySeparate", 1, {"10:00:00/10:00:10", "10:00:12/10:00:20"},
     {"10:00:00/10:00:10", "10:00:12/10:00:20"}},
    {"ABridgeAbsorbsThreeSlices", 1,
     {"10:00:00/10:01:00", "10:02:00/10:03:00", "10:04:00/10:05:00", "10:00:30/10:04:30"}, {"10:00:00/10:05:00"}},
    {"BeforeEverySliceGoesFirst", 1, {"10:00:00/11:00:00", "12:00:00/13:00:00", "08:00:00/09:00:00"},
     {"08:00:00/09:00:00", "10:00:00/11:00:00", "12:00:00/13:00:00"}},
    {"AfterEverySliceGoesLast", 1, {"10:00:00/11:00:00", "12:00:00/13:00:00", "14:00:00/15:00:00"},
     {"10:00:00/11:00:00", "12:00:00/13:00:00", "14:00:00/15:00:00"}},
    {"InAGapGoesBetween", 1, {"10:00:00/11:00:00", "14:00:00/15:00:00", "12:00:00/13:00:00"},
     {"10:00:00/11:00:00", "12:00:00/13:00:00", "14:00:00/15:00:00"}},
    {"AnOverlapExtends", 1, {"10:00:00/11:00:00", "10:30:00/12:00:00"}, {"10:00:00/12:00:00"}},
    {"AnEarlierOverlapExtendsBackwards", 1, {"10:00:00/11:00:00", "09:00:00/10:00:00"}, {"09:00:00/11:00:00"}},
    {"AContainedStretchChangesNothing", 1, {"10:00:00/12:00:00", "10:30:00/11:00:00"}, {"10:00:00/12:00:00"}},
    {"AcrossMidnight", 1, {"2011-03-09 23:59:50/2011-03-09 23:59:59", "2011-03-10 00:00:00/2011-03-10 00:00:10"},
     {"2011-03-09 23:59:50/2011-03-10 00:00:10"}},
    {"AcrossTheEndOfFebruaryInALeapYear", 1,
     {"2012-02-29 23:59:59/2012-02-29 23:59:59", "2012-03-01 00:00:00/2012-03-01 00:00:05"},
     {"2012-02-29 23:59:59/2012-03-01 00:00:05"}},
    {"AcrossTheYear", 1, {"2011-12-31 23:00:00/2011-12-31 23:59:59", "2012-01-01 00:00:00/2012-01-01 01:00:00"},
     {"2011-12-31 23:00:00/2012-01-01 01:00:00"}},
    {"DaysApartStaySeparate", 1, {"2011-03-10 10:00:00/2011-03-10 11:00:00", "2011-03-09 10:00:00/2011-03-09 11:00:00"},
     {"2011-03-09 10:00:00/2011-03-09 11:00:00", "2011-03-10 10:00:00/2011-03-10 11:00:00"}},
    {"HourTwentyFourIsTheNextMidnight", 1, {"2011-03-09 22:00:00/2011-03-09 24:00:00", "2011-03-10 00:00:01/2011-03-10 01:00:00"},
     {"2011-03-09 22:00:00/2011-03-10 01:00:00"}},
    {"ANonZeroOffsetStillMerges", 1, {"10:00:00@F8/10:00:10@F8", "10:00:11@F8/10:00:20@F8", "09:00:00@F8/09:30:00@F8"},
     {"09:00:00@F8/09:30:00@F8", "10:00:00@F8/10:00:20@F8"}},
    {"OffsetsAreIgnoredBetweenSlices", 1, {"10:00:00@08/10:10:00@08", "10:05:00/10:20:00"}, {"10:00:00@08/10:20:00"}},
    {"ToleranceFive", 5, {"10:00:00/10:00:10", "10:00:15/10:00:20", "10:00:26/10:00:30"},
     {"10:00:00/10:00:20", "10:00:26/10:00:30"}},
    {"ToleranceZeroKeepsTouchingSecondsApart", 0, {"10:00:00/10:00:10", "10:00:11/10:00:20", "10:00:20/10:00:30"},
     {"10:00:00/10:00:10", "10:00:11/10:00:30"}},
};

class TimelineMerge : public testing::TestWithParam<MergeCase> {};

TEST_P(TimelineMerge, KeepsSlicesSortedAndApart) {
  const MergeCase& c = GetParam();
  Timeline timeline;
  for (const Interval& interval : ivs(c.merged)) timeline.merge(interval, c.scale);
  std::vector<Interval> expected = ivs(c.expected);
  ASSERT_EQ(timeline.slices().size(), expected.size()) << timeline.description();
  for (size_t i = 0; i < expected.size(); ++i) {
    // Exact values, offset bytes included: a slice keeps the recorder's own times.
    EXPECT_EQ(timeline.slices()[i].from().time().data(), expected[i].from().time().data()) << i;
    EXPECT_EQ(timeline.slices()[i], expected[i]) << i << ": " << timeline.description();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TimelineMerge, testing::ValuesIn(mergeCases),
                         [](const testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

// Runs with the process in a zone that has a daylight-saving change, and puts the
// zone back afterwards.
class InZone {
 public:
  explicit InZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~InZone() {
    if (had_) setenv("TZ", saved_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

TEST(Timeline, ADaylightSavingChangeFusesNothingExtra) {
  InZone zone("America/New_York");  // clocks went from 02:00 to 03:00 on 2011-03-13
  Timeline timeline;
  timeline.merge(iv("2011-03-13 01:00:00/2011-03-13 01:59:59"), 1);
  timeline.merge(iv("2011-03-13 03:00:00/2011-03-13 04:00:00"), 1);
  EXPECT_EQ(timeline.slices().size(), 2u);
  timeline.merge(iv("2011-03-13 02:00:00/2011-03-13 02:59:59"), 1);
  ASSERT_EQ(timeline.slices().size(), 1u);
  EXPECT_EQ(timeline.slices()[0], iv("2011-03-13 01:00:00/2011-03-13 04:00:00"));
  EXPECT_EQ(Timeline::dateTime(dt("2011-03-13 01:59:59"), 1), dt("2011-03-13 02:00:00"));
}

TEST(Timeline, IntersectsWithClosedEnds) {
  Timeline timeline;
  timeline.merge(iv("10:00:00/11:00:00"), 1);
  timeline.merge(iv("12:00:00/13:00:00"), 1);
  EXPECT_TRUE(timeline.intersectWithInterval(iv("11:00:00/11:30:00")));
  EXPECT_TRUE(timeline.intersectWithInterval(iv("11:30:00/12:00:00")));
  EXPECT_TRUE(timeline.intersectWithInterval(iv("09:00:00/14:00:00")));
  EXPECT_FALSE(timeline.intersectWithInterval(iv("11:00:01/11:59:59")));
  EXPECT_TRUE(timeline.intersectWithInterval(iv("11:30:00@F8/12:30:00@F8")));
  EXPECT_FALSE(Timeline().intersectWithInterval(iv("00:00:00/23:59:59")));
}

TEST(Timeline, ToleranceTests) {
  const Interval a = iv("10:00:20/10:00:30");
  const Interval b = iv("10:00:00/10:00:10");
  EXPECT_TRUE(Timeline::intervalIsLongAfter(a, b, 9));
  EXPECT_FALSE(Timeline::intervalIsLongAfter(a, b, 10));
  EXPECT_TRUE(Timeline::intervalIsLongBefore(b, a, 9));
  EXPECT_FALSE(Timeline::intervalIsLongBefore(b, a, 10));
  EXPECT_TRUE(Timeline::intervalIntersects(b, a, 10));
  EXPECT_FALSE(Timeline::intervalIntersects(b, a, 9));
}

TEST(Timeline, FieldArithmeticWithoutATimeZone) {
  EXPECT_EQ(Timeline::secondsSinceEpoch(DateTime(1970, 1, 1, 0, 0, 0)), 0);
  EXPECT_EQ(Timeline::secondsSinceEpoch(DateTime(2000, 3, 1, 0, 0, 0)), 951868800);
  EXPECT_EQ(Timeline::secondsSinceEpoch(dt("10:00:00@F8")), Timeline::secondsSinceEpoch(dt("10:00:00")));
  // Unchecked wire fields count on: month 13 is January of the next year, month 0
  // December of the one before.
  EXPECT_EQ(Timeline::secondsSinceEpoch(DateTime(Date(2011u << 16 | 13u << 8 | 1u), Time())),
            Timeline::secondsSinceEpoch(DateTime(2012, 1, 1, 0, 0, 0)));
  EXPECT_EQ(Timeline::secondsSinceEpoch(DateTime(Date(2011u << 16 | 0u << 8 | 1u), Time())),
            Timeline::secondsSinceEpoch(DateTime(2010, 12, 1, 0, 0, 0)));
  EXPECT_EQ(Timeline::compare(dt("10:00:00@01"), dt("10:00:00")), 0);
  EXPECT_EQ(Timeline::compare(dt("2011-03-09 24:00:00"), dt("2011-03-10 00:00:00")), 0);

  EXPECT_EQ(Timeline::dateTime(dt("23:59:59@F8"), 1), dt("2011-03-10 00:00:00"));
  EXPECT_EQ(Timeline::dateTime(dt("2012-02-28 23:59:59"), 86401), dt("2012-03-01 00:00:00"));
  EXPECT_EQ(Timeline::dateTime(dt("2011-12-31 23:00:00"), 7200), dt("2012-01-01 01:00:00"));
  EXPECT_EQ(Timeline::dateTime(DateTime(65535, 12, 31, 23, 0, 0), 7200), DateTime(65535, 12, 31, 23, 59, 59));
}

TEST(Timeline, OffsetFreeIntersection) {
  auto common = Timeline::intersection(iv("10:00:00@F8/12:00:00@F8"), iv("12:00:00/14:00:00"));
  ASSERT_TRUE(common.has_value());
  EXPECT_EQ(Timeline::compare(common->from(), dt("12:00:00")), 0);
  EXPECT_EQ(Timeline::compare(common->to(), dt("12:00:00")), 0);
  EXPECT_FALSE(Timeline::intersection(iv("10:00:00/11:00:00"), iv("12:00:00/13:00:00")).has_value());
}

struct NearestCase {
  const char* name;
  std::vector<std::string> recorded;
  const char* range;
  const char* t;
  const char* expected;  // nullptr: none
};

const NearestCase nearestCases[] = {
    {"InsideAStretchIsItself", {"10:00:00/11:00:00"}, "00:00:00/23:59:59", "10:30:00", "10:30:00"},
    {"ARangeMissingEveryStretch", {"10:00:00/11:00:00"}, "12:00:00/13:00:00", "12:30:00", nullptr},
    {"NothingRecorded", {}, "00:00:00/23:59:59", "12:30:00", nullptr},
    {"BeforeTheOnlyStretch", {"10:00:00/11:00:00"}, "00:00:00/23:59:59", "09:00:00", "10:00:00"},
    {"AfterTheOnlyStretch", {"10:00:00/11:00:00"}, "00:00:00/23:59:59", "12:00:00", "11:00:00"},
    {"BeforeEveryStretchTakesTheNearestNotTheFarthest",
     {"10:00:00/10:10:00", "10:30:00/10:40:00", "11:30:00/11:40:00"}, "00:00:00/23:59:59", "09:00:00", "10:00:00"},
    {"AfterEveryStretchTakesTheNearest", {"10:00:00/10:10:00", "10:30:00/10:40:00", "11:30:00/11:40:00"},
     "00:00:00/23:59:59", "12:00:00", "11:40:00"},
    {"BetweenTwoTakesTheCloserEdge", {"10:00:00/10:10:00", "10:30:00/10:40:00", "11:30:00/11:40:00"},
     "00:00:00/23:59:59", "10:25:00", "10:30:00"},
    {"ATieTakesTheEarlierEdge", {"10:00:00/10:10:00", "10:30:00/10:40:00"}, "00:00:00/23:59:59", "10:20:00",
     "10:10:00"},
    {"OnlyThePartInTheRangeCounts", {"10:00:00/11:00:00"}, "10:30:00/12:00:00", "10:10:00", "10:30:00"},
    {"AnEdgeOfTheRange", {"10:00:00/11:00:00", "13:00:00/14:00:00"}, "10:30:00/13:30:00", "12:30:00", "13:00:00"},
    {"OffsetBytesPlayNoPart", {"10:00:00@F8/11:00:00@F8"}, "00:00:00/23:59:59", "10:30:00", "10:30:00"},
    {"AcrossMidnight", {"2011-03-09 23:00:00/2011-03-09 23:59:59", "2011-03-10 02:00:00/2011-03-10 03:00:00"},
     "2011-03-09 00:00:00/2011-03-10 23:59:59", "2011-03-10 00:30:00", "2011-03-09 23:59:59"},
};

class TimeTrackNearest : public testing::TestWithParam<NearestCase> {};

TEST_P(TimeTrackNearest, GivesTheRecordedInstantNearestToT) {
  const NearestCase& c = GetParam();
  TimeTrack track;
  for (const Interval& interval : ivs(c.recorded)) track.merge(interval, 1, 1);
  std::optional<DateTime> nearest = track.nearestDateTime(dt(c.t), iv(c.range));
  if (!c.expected) {
    EXPECT_FALSE(nearest.has_value());
    return;
  }
  ASSERT_TRUE(nearest.has_value());
  EXPECT_EQ(Timeline::compare(*nearest, dt(c.expected)), 0) << nearest->description();
}

INSTANTIATE_TEST_SUITE_P(Cases, TimeTrackNearest, testing::ValuesIn(nearestCases),
                         [](const testing::TestParamInfo<NearestCase>& info) { return std::string(info.param.name); });

TEST(TimeTrack, KeepsEverySectionApartAndAllMerged) {
  TimeTrack track;
  track.merge(iv("10:00:00/11:00:00"), 3, 1);
  track.merge(iv("11:00:01/12:00:00"), 4, 1);
  track.merge(iv("13:00:00/14:00:00"), 3, 1);
  EXPECT_EQ(track.mergedTimeline().slices(), ivs({"10:00:00/12:00:00", "13:00:00/14:00:00"}));
  ASSERT_EQ(track.timelines().size(), 2u);
  EXPECT_EQ(track.timelines().at(3).slices(), ivs({"10:00:00/11:00:00", "13:00:00/14:00:00"}));
  EXPECT_EQ(track.timelines().at(4).slices(), ivs({"11:00:01/12:00:00"}));
  EXPECT_EQ(track.sectionsByInterval(iv("10:30:00/11:30:00")), (std::vector<uint32_t>{3, 4}));
  EXPECT_EQ(track.sectionsByInterval(iv("12:30:00/12:40:00")), std::vector<uint32_t>{});
  EXPECT_EQ(track.sectionsByInterval(iv("13:30:00/23:00:00")), std::vector<uint32_t>{3});
  EXPECT_TRUE(track.timelineOfSection(9).slices().empty());
  EXPECT_EQ(track.description().rfind("merged : (\n", 0), 0u);
}

Interval wholeDay() { return iv("00:00:00/23:59:59"); }

TEST(TimeTable, ScaleBelowTwoKeepsOneSecond) {
  const std::pair<int, int> scales[] = {{-3, 1}, {0, 1}, {1, 1}, {2, 2}, {5, 5}};
  TimeSliceList list({TimeSlice(1, iv("10:00:00/10:00:10"), BitMask32(1)),
                      TimeSlice(1, iv("10:00:14/10:00:20"), BitMask32(1))});
  for (const auto& [given, kept] : scales) {
    TimeTable table(list, given);
    EXPECT_EQ(table.scale(), kept) << given;
    ASSERT_NE(table.timeTrackForChannel(0), nullptr);
    EXPECT_EQ(table.timeTrackForChannel(0)->mergedTimeline().slices().size(), kept >= 4 ? 1u : 2u) << given;
  }
  EXPECT_EQ(TimeTable().scale(), 1);
}

TEST(TimeTable, ASliceOnTwoChannelsGoesIntoBothTracksUnderItsSection) {
  TimeTable table(TimeSliceList({TimeSlice(7, iv("10:00:00/11:00:00"), BitMask32(0x9))}), 1);
  ASSERT_EQ(table.timeTracks().size(), 2u);
  for (int channel : {0, 3}) {
    const TimeTrack* track = table.timeTrackForChannel(channel);
    ASSERT_NE(track, nullptr) << channel;
    EXPECT_EQ(track->mergedTimeline().slices(), ivs({"10:00:00/11:00:00"}));
    ASSERT_EQ(track->timelines().count(7), 1u);
    EXPECT_EQ(track->timelines().at(7).slices(), ivs({"10:00:00/11:00:00"}));
  }
  EXPECT_EQ(table.timeTrackForChannel(1), nullptr);
  EXPECT_EQ(table.timeTrackForChannel(-1), nullptr);
}

TEST(TimeTable, SectionsSharedByChannelsAreListedOnceInOrder) {
  TimeTable table(TimeSliceList({
                      TimeSlice(9, iv("10:00:00/11:00:00"), BitMask32(0x1)),
                      TimeSlice(7, iv("10:30:00/11:30:00"), BitMask32(0x1)),
                      TimeSlice(7, iv("10:30:00/11:30:00"), BitMask32(0x2)),
                      TimeSlice(0x80000000u, iv("10:40:00/10:50:00"), BitMask32(0x2)),
                      TimeSlice(3, iv("15:00:00/16:00:00"), BitMask32(0x80000000u)),
                  }),
                  1);
  EXPECT_EQ(table.sectionsByInterval(iv("10:45:00/10:46:00")), (std::vector<uint32_t>{7, 9, 0x80000000u}));
  EXPECT_EQ(table.sectionsByInterval(wholeDay()), (std::vector<uint32_t>{3, 7, 9, 0x80000000u}));
  EXPECT_EQ(table.sectionsByInterval(wholeDay(), 1), (std::optional<std::vector<uint32_t>>{{7, 0x80000000u}}));
  EXPECT_EQ(table.sectionsByInterval(wholeDay(), 31), (std::optional<std::vector<uint32_t>>{{3}}));
  EXPECT_FALSE(table.sectionsByInterval(wholeDay(), 5).has_value());
  EXPECT_FALSE(table.sectionsByInterval(wholeDay(), 40).has_value());
  std::set<uint32_t> found = {100};
  table.getSectionsByInterval(iv("15:30:00/15:31:00"), found);
  EXPECT_EQ(found, (std::set<uint32_t>{3, 100}));
}

TEST(TimeTable, AnswersTheNearestInstantPerChannel) {
  TimeTable table(TimeSliceList({TimeSlice(1, iv("10:00:00/11:00:00"), BitMask32(0x1)),
                                 TimeSlice(1, iv("12:00:00/13:00:00"), BitMask32(0x2))}),
                  1);
  EXPECT_EQ(table.nearestDateTime(dt("11:50:00"), wholeDay(), 0), dt("11:00:00"));
  EXPECT_EQ(table.nearestDateTime(dt("11:50:00"), wholeDay(), 1), dt("12:00:00"));
  EXPECT_FALSE(table.nearestDateTime(dt("11:50:00"), wholeDay(), 2).has_value());
  EXPECT_FALSE(table.nearestDateTime(dt("11:50:00"), wholeDay(), 32).has_value());
}

TEST(TimeTable, FillingStartsAfresh) {
  TimeTable table(TimeSliceList({TimeSlice(1, iv("10:00:00/11:00:00"), BitMask32(0x1))}), 1);
  table.fillWithTimeSlices(TimeSliceList({TimeSlice(2, iv("12:00:00/13:00:00"), BitMask32(0x4))}));
  EXPECT_EQ(table.timeTrackForChannel(0), nullptr);
  ASSERT_NE(table.timeTrackForChannel(2), nullptr);
  EXPECT_EQ(table.sectionsByInterval(wholeDay()), std::vector<uint32_t>{2});
  table.fillWithTimeSlices(TimeSliceList());
  EXPECT_TRUE(table.timeTracks().empty());
  EXPECT_EQ(table.description(), "{\n}");
}

TEST(TimeTable, BuildsFromARecordersAnswerWithANonZeroOffset) {
  // Two slices of channel 0 one second apart, as a recorder two hours west of UTC
  // sends them (offset byte 0xF8).
  const uint8_t bytes[] = {
      0, 0, 0, 2,                                                                     // count
      0, 0, 0, 5, 0x07, 0xDB, 3, 9, 0xF8, 10, 0, 0, 0x07, 0xDB, 3, 9, 0xF8, 10, 0, 10, 0, 0, 0, 1,  // section 5
      0, 0, 0, 6, 0x07, 0xDB, 3, 9, 0xF8, 10, 0, 11, 0x07, 0xDB, 3, 9, 0xF8, 10, 0, 20, 0, 0, 0, 1,  // section 6
  };
  auto packet = Packet::create(sizeof bytes);
  packet->pushBytes(bytes, sizeof bytes, 0);
  packet->seek(0);
  TimeSliceList list;
  packet->popObject(list);
  TimeTable table(list, 1);
  const TimeTrack* track = table.timeTrackForChannel(0);
  ASSERT_NE(track, nullptr);
  ASSERT_EQ(track->mergedTimeline().slices().size(), 1u);
  EXPECT_EQ(track->mergedTimeline().slices()[0].from().offsetUTC(), -7200);
  EXPECT_EQ(track->sectionsByInterval(iv("10:00:05/10:00:12")), (std::vector<uint32_t>{5, 6}));
}

}  // namespace
}  // namespace zelvo
