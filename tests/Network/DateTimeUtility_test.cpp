#include "Network/DateTimeUtility.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zelvo {
namespace {

const QTimeZone NewYork("America/New_York");

// ICU puts a narrow no-break space (U+202F) before AM/PM in English; compare texts
// with it read as a plain space so the test names what the user reads.
std::string plain(std::string text) {
  const std::string narrow = "\u202F";
  for (size_t at; (at = text.find(narrow)) != std::string::npos;) text.replace(at, narrow.size(), " ");
  return text;
}

struct TextCase {
  const char* name;
  const char* locale;
  DateTime dateTime;
  const char* date;
  const char* time;
  const char* dateTime_;
};

class DateTimeUtilityText : public testing::TestWithParam<TextCase> {};

TEST_P(DateTimeUtilityText, MediumStylesOfTheLocale) {
  const TextCase& row = GetParam();
  DateTimeUtility utility(NewYork, row.locale);
  EXPECT_EQ(plain(utility.stringFromDate(row.dateTime.date())), row.date);
  EXPECT_EQ(plain(utility.stringFromTime(row.dateTime.time())), row.time);
  EXPECT_EQ(plain(utility.stringFromDateTime(row.dateTime)), row.dateTime_);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateTimeUtilityText,
    testing::Values(
        TextCase{"English", "en_US", DateTime(2011, 3, 9, 13, 5, 9), "Mar 9, 2011", "1:05:09 PM",
                 "Mar 9, 2011, 1:05:09 PM"},
        TextCase{"German", "de_DE", DateTime(2011, 3, 9, 13, 5, 9), "09.03.2011", "13:05:09", "09.03.2011, 13:05:09"},
        // Hour 24 is midnight at the end of the day.
        TextCase{"HourTwentyFour", "de_DE", DateTime(2011, 3, 9, 24, 0, 0), "09.03.2011", "00:00:00",
                 "10.03.2011, 00:00:00"},
        // The wall clock is shown as the recorder gave it, even in the hour that
        // summer time skips in the zone of this machine.
        TextCase{"InTheSummerTimeGap", "de_DE", DateTime(2026, 3, 8, 2, 30, 0), "08.03.2026", "02:30:00",
                 "08.03.2026, 02:30:00"},
        TextCase{"BeforeTheGregorianReform", "en_US", DateTime(1500, 6, 1, 0, 0, 0), "Jun 1, 1500", "12:00:00 AM",
                 "Jun 1, 1500, 12:00:00 AM"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DateTimeUtility, PlatformDateOfTheFieldsInTheZone) {
  DateTimeUtility utility(NewYork, "en_US");
  QDateTime winter = utility.nsdateFromDateTime(DateTime(2011, 1, 9, 13, 5, 9));
  EXPECT_EQ(winter.toUTC(), QDateTime(QDate(2011, 1, 9), QTime(18, 5, 9), QTimeZone::utc()));
  QDateTime summer = utility.nsdateFromDateTime(DateTime(2011, 7, 9, 13, 5, 9));
  EXPECT_EQ(summer.toUTC(), QDateTime(QDate(2011, 7, 9), QTime(17, 5, 9), QTimeZone::utc()));
  // The offset byte plays no part.
  DateTime withOffset(Date(2011, 1, 9), Time(0xF80D0509u));
  EXPECT_EQ(utility.nsdateFromDateTime(withOffset), winter);
}

TEST(DateTimeUtility, UsesTheMachinesCurrentZone) {
  std::optional<std::string> before;
  if (const char* tz = std::getenv("TZ")) before = tz;
  for (const char* zone : {"Asia/Tokyo", "America/New_York"}) {
    setenv("TZ", zone, 1);
    tzset();
    DateTimeUtility utility;
    EXPECT_EQ(utility.timeZone().id(), QByteArray(zone));
    // 2011-03-09 09:00 wall clock: midnight UTC in Tokyo, 14:00 UTC in New York.
    QDateTime morning = utility.nsdateFromDateTime(DateTime(2011, 3, 9, 9, 0, 0));
    EXPECT_EQ(morning.toUTC().time().hour(), std::string(zone) == "Asia/Tokyo" ? 0 : 14) << zone;
  }
  if (before)
    setenv("TZ", before->c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(DateTimeUtility, HourTwentyFourIsTheNextMidnight) {
  DateTimeUtility utility(NewYork, "en_US");
  QDateTime end = utility.nsdateFromDateTime(DateTime(2011, 3, 9, 24, 0, 0));
  EXPECT_EQ(end, QDateTime(QDate(2011, 3, 10), QTime(0, 0), NewYork));
  EXPECT_EQ(utility.differenceFrom(DateTime(2011, 3, 9, 23, 59, 59), DateTime(2011, 3, 9, 24, 0, 0)), 1);
}

TEST(DateTimeUtility, SkippedLocalTimeMovesForwardByTheGap) {
  DateTimeUtility utility(NewYork, "en_US");
  // 2026-03-08: clocks go from 02:00 EST to 03:00 EDT.
  QDateTime inGap = utility.nsdateFromDateTime(DateTime(2026, 3, 8, 2, 30, 0));
  ASSERT_TRUE(inGap.isValid());
  EXPECT_EQ(inGap.toUTC(), QDateTime(QDate(2026, 3, 8), QTime(7, 30), QTimeZone::utc()));
  DateTime back = utility.dateTimeFromNSDate(inGap);
  EXPECT_TRUE(back.isEqual(DateTime(2026, 3, 8, 3, 30, 0)));
  EXPECT_EQ(utility.differenceFrom(DateTime(2026, 3, 8, 1, 59, 59), DateTime(2026, 3, 8, 3, 0, 0)), 1);
}

TEST(DateTimeUtility, ArithmeticFollowsTheCalendar) {
  DateTimeUtility utility(NewYork, "en_US");
  struct Row {
    DateTime from;
    int64_t seconds;
    DateTime expected;
  } rows[] = {
      {DateTime(2026, 3, 8, 1, 0, 0), 3600, DateTime(2026, 3, 8, 3, 0, 0)},  // over the spring gap
      {DateTime(2011, 12, 31, 23, 59, 59), 1, DateTime(2012, 1, 1, 0, 0, 0)},
      {DateTime(2012, 3, 1, 0, 0, 0), -1, DateTime(2012, 2, 29, 23, 59, 59)},
      {DateTime(2011, 3, 9, 13, 5, 9), 0, DateTime(2011, 3, 9, 13, 5, 9)},
  };
  for (const Row& row : rows) {
    DateTime result = utility.dateTimeAfterSeconds(row.seconds, row.from);
    EXPECT_TRUE(result.isEqual(row.expected)) << utility.stringFromDateTime(result);
    EXPECT_EQ(utility.differenceFrom(row.from, result), row.seconds);
  }
  EXPECT_EQ(utility.differenceFrom(DateTime(2011, 3, 10, 0, 0, 0), DateTime(2011, 3, 9, 0, 0, 0)), -86400);
}

TEST(DateTimeUtility, DayAndTimeCarriers) {
  DateTimeUtility utility(NewYork, "en_US");
  QDateTime day = utility.nsdateFromDate(Date(2011, 3, 9));
  EXPECT_EQ(day, QDateTime(QDate(2011, 3, 9), QTime(0, 0), NewYork));
  QDateTime time = utility.nsdateFromTime(Time(13, 5, 9));
  EXPECT_EQ(time.toTimeZone(NewYork).date(), QDate(1, 1, 1));
  EXPECT_EQ(time.toTimeZone(NewYork).time(), QTime(13, 5, 9));
}

TEST(DateTimeUtility, FieldsOfAPlatformDate) {
  DateTimeUtility utility(NewYork, "en_US");
  QDateTime instant(QDate(2011, 3, 9), QTime(18, 5, 9), QTimeZone::utc());
  EXPECT_TRUE(utility.dateTimeFromNSDate(instant).isEqual(DateTime(2011, 3, 9, 13, 5, 9)));
  EXPECT_TRUE(utility.dateTimeFromNSDate(QDateTime()).isBlank());
  EXPECT_TRUE(utility.dateTimeFromNSDate(QDateTime(QDate(70000, 1, 1), QTime(0, 0), NewYork)).isBlank());
}

TEST(DateTimeUtility, LocaleComesFromTheEnvironment) {
  struct Row {
    const char* lcAll;
    const char* lcTime;
    const char* lang;
    const char* expected;
  } rows[] = {
      {"de_DE.UTF-8", "fr_FR.UTF-8", "en_GB.UTF-8", "de_DE"},
      {nullptr, "fr_FR.UTF-8", "en_GB.UTF-8", "fr_FR"},
      {"", nullptr, "en_GB.UTF-8", "en_GB"},
      {nullptr, nullptr, "de_DE.UTF-8@euro", "de_DE"},
      {nullptr, nullptr, "C", "en_US_POSIX"},
      {nullptr, nullptr, nullptr, "en_US_POSIX"},
  };
  auto saved = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  auto put = [](const char* name, const char* value) {
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  };
  std::optional<std::string> before[3] = {saved("LC_ALL"), saved("LC_TIME"), saved("LANG")};
  for (const Row& row : rows) {
    put("LC_ALL", row.lcAll);
    put("LC_TIME", row.lcTime);
    put("LANG", row.lang);
    EXPECT_EQ(DateTimeUtility::localeFromEnvironment(), row.expected);
  }
  put("LC_ALL", before[0] ? before[0]->c_str() : nullptr);
  put("LC_TIME", before[1] ? before[1]->c_str() : nullptr);
  put("LANG", before[2] ? before[2]->c_str() : nullptr);
}

TEST(DateTimeUtility, SharedOneLivesUntilCleanup) {
  auto shared = DateTimeUtility::sharedDateTimeUtility();
  EXPECT_EQ(shared, DateTimeUtility::sharedDateTimeUtility());
  Date date(2011, 3, 9);
  EXPECT_EQ(date.description(), shared->stringFromDate(date));
  EXPECT_EQ(Time(13, 5, 9).description(), shared->stringFromTime(Time(13, 5, 9)));
  DateTimeUtility::cleanup();
  auto fresh = DateTimeUtility::sharedDateTimeUtility();
  EXPECT_NE(fresh, nullptr);
  EXPECT_EQ(shared->stringFromDate(date), fresh->stringFromDate(date));  // the old holder still works
}

TEST(DateTimeUtility, BlankDateStillConvertsAndFormats) {
  // Frames from a recorder with an unset clock carry the blank DateTime; showing or
  // converting it must not fail.
  DateTimeUtility utility(NewYork, "en_US");
  EXPECT_FALSE(utility.stringFromDateTime(DateTime()).empty());
  EXPECT_FALSE(utility.stringFromDate(Date()).empty());
  EXPECT_TRUE(utility.nsdateFromDateTime(DateTime()).isValid());
  EXPECT_TRUE(utility.dateTimeFromNSDate(utility.nsdateFromDateTime(DateTime())).isBlank());
}

TEST(DateTimeUtility, UsableFromManyThreads) {
  DateTimeUtility utility(NewYork, "de_DE");
  std::vector<std::thread> threads;
  std::vector<std::string> texts(8);
  std::vector<int64_t> differences(8);
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] {
      for (int k = 0; k < 50; ++k) {
        texts[i] = utility.stringFromDateTime(DateTime(2011, 3, 9, 13, 5, 9));
        differences[i] = utility.differenceFrom(DateTime(2026, 3, 8, 1, 0, 0),
                                                utility.dateTimeAfterSeconds(7200, DateTime(2026, 3, 8, 1, 0, 0)));
      }
    });
  for (auto& thread : threads) thread.join();
  for (const std::string& text : texts) EXPECT_EQ(text, "09.03.2011, 13:05:09");
  for (int64_t difference : differences) EXPECT_EQ(difference, 7200);
}

}  // namespace
}  // namespace zelvo
