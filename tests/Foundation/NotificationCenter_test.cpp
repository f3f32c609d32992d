#include "Foundation/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Foundation/MainThread.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

TEST(NotificationCenter, DeliversByNameAndSenderInRegistrationOrder) {
  NotificationCenter center;
  int a = 0, b = 0;
  std::vector<std::string> calls;
  center.addObserver("N", &a, [&](const Notification&) { calls.push_back("a-only"); });
  center.addObserver("N", nullptr, [&](const Notification&) { calls.push_back("any"); });
  center.addObserver("Other", nullptr, [&](const Notification&) { calls.push_back("other"); });
  center.post("N", &a);
  center.post("N", &b);
  EXPECT_EQ(calls, (std::vector<std::string>{"a-only", "any", "any"}));
}

TEST(NotificationCenter, ObserverRemovedDuringAPostIsNotCalled) {
  NotificationCenter center;
  NotificationCenter::Token second = 0;
  bool secondCalled = false;
  center.addObserver("N", nullptr, [&](const Notification&) { center.removeObserver(second); });
  second = center.addObserver("N", nullptr, [&](const Notification&) { secondCalled = true; });
  center.post("N", nullptr);
  EXPECT_FALSE(secondCalled);
}

TEST(NotificationCenter, UserInfoCarriesTypedValues) {
  NotificationCenter center;
  int reason = -1;
  center.addObserver("N", nullptr, [&](const Notification& n) {
    ASSERT_NE(n.get<int>("Reason"), nullptr);
    reason = *n.get<int>("Reason");
    EXPECT_EQ(n.get<std::string>("Reason"), nullptr);
  });
  center.post("N", nullptr, {{"Reason", 7}});
  EXPECT_EQ(reason, 7);
}

TEST(NotificationCenter, ObservationRemovesItselfWhenItGoesAway) {
  NotificationCenter center;
  int calls = 0;
  {
    Observation observation(center, "N", nullptr, [&](const Notification&) { ++calls; });
    center.post("N", nullptr);
  }
  center.post("N", nullptr);
  EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, PostFromAnotherThreadDeliversOnMainBeforeThePosterGoesOn) {
  NotificationCenter center;
  std::atomic<bool> onMain{false};
  std::atomic<bool> observerReturned{false};
  std::atomic<bool> posterSawObserver{false};
  std::atomic<bool> done{false};
  center.addObserver("N", nullptr, [&](const Notification&) {
    onMain = isMainThread();
    observerReturned = true;
  });
  std::thread poster([&] {
    center.postOnMainAndWait("N", nullptr);
    posterSawObserver = observerReturned.load();
    done = true;
  });
  EXPECT_TRUE(test::waitUntil([&] { return done.load(); }));
  poster.join();
  EXPECT_TRUE(onMain.load());
  EXPECT_TRUE(posterSawObserver.load());
}

}  // namespace
}  // namespace zelvo
