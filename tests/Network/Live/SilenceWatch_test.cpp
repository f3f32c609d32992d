// When a silent recorder counts as hung: the limit learnt from its keep-alives, on
// a clock the test holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "Network/Live/SilenceWatch.h"

namespace zelvo {
namespace {

using namespace std::chrono_literals;

SilenceWatch::TimePoint at(double seconds) {
  return SilenceWatch::TimePoint(std::chrono::duration_cast<SilenceWatch::Duration>(
      std::chrono::duration<double>(seconds)));
}

struct Arrival {
  double at;
  bool keepAlive;
};

struct SilenceCase {
  const char* name;
  std::vector<Arrival> arrivals;    // after a login at 0
  std::optional<double> limit;      // seconds
  double quietUntil;                // not expired up to here (checked every 0.5 s)
  std::optional<double> expiredAt;  // expired from here on
};

class SilenceRule : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(SilenceRule, LimitAndExpiry) {
  const SilenceCase& c = GetParam();
  SilenceWatch watch;
  watch.reset(at(0));
  size_t next = 0;
  const double end = c.expiredAt ? *c.expiredAt : c.quietUntil;
  for (double t = 0; t <= end + 1e-9; t += 0.5) {
    for (; next < c.arrivals.size() && c.arrivals[next].at <= t; ++next)
      watch.packetReceived(at(c.arrivals[next].at), c.arrivals[next].keepAlive);
    if (t <= c.quietUntil) {
      ASSERT_FALSE(watch.hasExpired(at(t))) << "at " << t << " s";
    }
  }
  if (c.limit) {
    EXPECT_EQ(watch.limit(), std::chrono::duration_cast<SilenceWatch::Duration>(std::chrono::duration<double>(*c.limit)));
  } else {
    EXPECT_EQ(watch.limit(), std::nullopt);
  }
  if (c.expiredAt) {
    EXPECT_TRUE(watch.hasExpired(at(*c.expiredAt)));
  }
}

std::vector<Arrival> keepAlivesEvery(double period, double until) {
  std::vector<Arrival> arrivals;
  for (double t = period; t <= until + 1e-9; t += period) arrivals.push_back({t, true});
  return arrivals;
}

std::vector<Arrival> with(std::vector<Arrival> arrivals, Arrival extra) {
  arrivals.push_back(extra);
  std::sort(arrivals.begin(), arrivals.end(), [](auto& a, auto& b) { return a.at < b.at; });
  return arrivals;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SilenceRule,
    ::testing::Values(
        // Keep-alives every 10 s up to 40 s, then the recorder hangs: cut once 30 s
        // have passed, well within 35 s of the last one.
        SilenceCase{"TenSecondKeepAlivesThenAHang", keepAlivesEvery(10, 40), 30, 70, 70.5},
        // Every 20 s for an hour, nothing else: never cut.
        SilenceCase{"TwentySecondKeepAlivesWhileIdle", keepAlivesEvery(20, 3600), 60, 3600, std::nullopt},
        // Nothing but pictures, then an hour of silence: a recorder that sends no
        // keep-alives is never judged.
        SilenceCase{"NoKeepAlives", {{1, false}, {2, false}, {3, false}}, std::nullopt, 3603, std::nullopt},
        SilenceCase{"OneKeepAliveTeachesNothing", {{10, true}}, std::nullopt, 3600, std::nullopt},
        // Frequent keep-alives still leave 15 s.
        SilenceCase{"NeverBelowFifteenSeconds", keepAlivesEvery(2, 10), 15, 25, 25.5},
        // Any packet restarts the count.
        SilenceCase{"APictureRestartsTheCount", with(keepAlivesEvery(10, 20), {45, false}), 30, 75, 75.5},
        // The longest gap seen sets the limit, not the last one.
        SilenceCase{"TheLongestGapCounts", {{5, true}, {25, true}, {30, true}}, 60, 90, 90.5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SilenceWatch, ANewConnectionForgetsWhatTheLastOneTaught) {
  SilenceWatch watch;
  watch.reset(at(0));
  watch.packetReceived(at(10), true);
  watch.packetReceived(at(20), true);
  ASSERT_TRUE(watch.limit());
  watch.reset(at(100));
  EXPECT_EQ(watch.limit(), std::nullopt);
  EXPECT_FALSE(watch.hasExpired(at(1000)));
  // The first keep-alive of the new connection measures no gap from the old ones.
  watch.packetReceived(at(101), true);
  watch.packetReceived(at(103), true);
  EXPECT_EQ(watch.limit(), SilenceWatch::Duration(15s));
}

}  // namespace
}  // namespace zelvo
