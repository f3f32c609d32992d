#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "Foundation/Assert.h"
#include "Foundation/MainThread.h"
#include "Foundation/Semaphore.h"
#include "Foundation/SerialQueue.h"
#include "support/TestApplication.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using namespace std::chrono_literals;

TEST(Semaphore, CountsSignalsAndTimesOut) {
  Semaphore semaphore;
  EXPECT_FALSE(semaphore.waitFor(1ms));
  semaphore.signal();
  semaphore.signal();
  EXPECT_TRUE(semaphore.waitFor(1ms));
  EXPECT_TRUE(semaphore.wait());
  EXPECT_FALSE(semaphore.waitFor(1ms));
}

TEST(Semaphore, CloseReleasesWaitersAndLaterWaits) {
  Semaphore semaphore;
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i)
    waiters.emplace_back([&] {
      if (!semaphore.wait()) ++released;
    });
  semaphore.close();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released.load(), 4);
  semaphore.signal();
  EXPECT_FALSE(semaphore.wait());
}

TEST(SerialQueue, RunsTasksInOrderOnOneThread) {
  SerialQueue queue("com.zelvo.test.order");
  std::vector<int> seen;
  std::thread::id first;
  for (int i = 0; i < 100; ++i)
    queue.async([&, i] {
      if (i == 0) first = std::this_thread::get_id();
      EXPECT_EQ(first, std::this_thread::get_id());
      seen.push_back(i);
    });
  queue.sync([] {});
  ASSERT_EQ(seen.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[i], i);
  EXPECT_EQ(queue.label(), "com.zelvo.test.order");
}

TEST(SerialQueue, MayBeReleasedFromItsOwnTask) {
  auto queue = std::make_shared<SerialQueue>("com.zelvo.test.self");
  Semaphore done;
  SerialQueue* raw = queue.get();
  raw->async([q = std::move(queue), &done]() mutable {
    q.reset();  // the last owner, on the queue's own thread
    done.signal();
  });
  EXPECT_TRUE(done.waitFor(5s));
}

TEST(SerialQueueDeathTest, SyncFromItsOwnThreadIsAPrecondition) {
  EXPECT_DEATH(
      {
        SerialQueue queue("com.zelvo.test.deadlock");
        queue.sync([&] { queue.sync([] {}); });
      },
      "Invalid parameter not satisfying: !isCurrent\\(\\)");
}

TEST(MainThread, HopRunsOnTheMainThreadAndWaits) {
  std::atomic<bool> ranOnMain{false};
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    bool ok = runOnMainAndWait([&] { ranOnMain = isMainThread(); });
    returned = ok;
  });
  EXPECT_TRUE(test::waitUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_TRUE(ranOnMain.load());
}

TEST(MainThread, RunOnMainQueuesForTheMainThread) {
  std::atomic<bool> ran{false};
  std::atomic<bool> ranOnMain{false};
  std::thread worker([&] {
    runOnMain([&] {
      ranOnMain = isMainThread();
      ran = true;
    });
  });
  worker.join();
  EXPECT_TRUE(test::waitUntil([&] { return ran.load(); }));
  EXPECT_TRUE(ranOnMain.load());
}

TEST(MainThread, QuitClosesEveryHop) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
  QCoreApplication::exec();  // aboutToQuit comes as the loop ends
  EXPECT_TRUE(mainThreadHopsClosed());

  std::atomic<bool> ran{false};
  std::thread([&] { runOnMain([&] { ran = true; }); }).join();
  std::atomic<int> waited{-1};
  std::thread([&] { waited = runOnMainAndWait([&] { ran = true; }) ? 1 : 0; }).join();
  EXPECT_EQ(waited.load(), 0) << "a waiting hop returns at once after quit";
  EXPECT_FALSE(runOnMainAndWait([&] { ran = true; })) << "also on the main thread";
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran.load());
  reopenMainThreadHopsForTesting();
}

TEST(MainThread, HopQueuedBeforeClosingIsDroppedWhenItComesRound) {
  std::atomic<bool> ran{false};
  std::thread([&] { runOnMain([&] { ran = true; }); }).join();
  closeMainThreadHops();
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran.load());
  reopenMainThreadHopsForTesting();
}

TEST(MainThread, OnTheMainThreadTheHopRunsAtOnce) {
  bool ran = false;
  EXPECT_TRUE(runOnMainAndWait([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

// Tells the test that a waiting hop has been queued and is about to wait, while
// the main thread serves no events.
class QueuedHopProbe {
 public:
  QueuedHopProbe() {
    queued_ = &queued;
    setHopProbeForTesting([](HopProbeStage stage) {
      if (stage == HopProbeStage::Queued) queued_->signal();
    });
  }
  ~QueuedHopProbe() { setHopProbeForTesting(nullptr); }
  Semaphore queued;

 private:
  static inline Semaphore* queued_ = nullptr;
};

TEST(MainThread, ClosingReleasesAWaitingHop) {
  QueuedHopProbe probe;
  std::atomic<bool> finished{false};
  std::atomic<bool> result{true};
  std::thread worker([&] {
    result = runOnMainAndWait([] {});
    finished = true;
  });
  // The main thread does not serve events here, as after quit.
  ASSERT_TRUE(probe.queued.waitFor(20s));
  closeMainThreadHops();
  worker.join();
  EXPECT_TRUE(finished.load());
  EXPECT_FALSE(result.load());
  EXPECT_FALSE(runOnMainAndWait([] {}));
  reopenMainThreadHopsForTesting();
  QCoreApplication::processEvents();  // flush the stale hop so later tests start clean
}

TEST(MainThread, ACancelledHopReturnsAtOnceAndNeverRuns) {
  QueuedHopProbe probe;
  auto cancellation = std::make_shared<HopCancellation>();
  std::atomic<bool> ran{false};
  std::atomic<bool> finished{false};
  std::atomic<bool> result{true};
  std::thread worker([&] {
    result = runOnMainAndWait([&] { ran = true; }, cancellation);
    finished = true;
  });
  // The main thread does not serve events, as while it destroys the hop's owner.
  ASSERT_TRUE(probe.queued.waitFor(20s));
  cancellation->cancel();
  worker.join();
  EXPECT_TRUE(finished.load());
  EXPECT_FALSE(result.load());
  QCoreApplication::processEvents();  // the queued hop comes round and is skipped
  EXPECT_FALSE(ran.load());
  EXPECT_FALSE(runOnMainAndWait([&] { ran = true; }, cancellation));
  EXPECT_FALSE(ran.load());
  // Other hops are not affected.
  EXPECT_TRUE(runOnMainAndWait([&] { ran = true; }));
}

// A hop from another thread that has found the hops open while the application
// object is being destroyed: the teardown closes the hops before the object goes,
// and waits for the hop to finish its post, so the hop never finds the object gone.
// The probe holds the hop between its look at the hops and its post until the
// teardown either waits for it or has gone past it.
struct TeardownRace {
  const char* name;
  bool waits;  // runOnMainAndWait, else runOnMain
};
void PrintTo(const TeardownRace& race, std::ostream* out) { *out << race.name; }

class MainThreadTeardownDeathTest : public ::testing::TestWithParam<TeardownRace> {
 protected:
  static inline std::atomic<bool> inWindow{false};
  static inline std::atomic<bool> closeWaits{false};

  static void holdTheHop(HopProbeStage stage) {
    if (stage == HopProbeStage::CloseWaits) closeWaits = true;
    if (stage != HopProbeStage::Checked) return;
    inWindow = true;
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (!closeWaits && QCoreApplication::instance() && std::chrono::steady_clock::now() < limit)
      std::this_thread::yield();
  }
};

TEST_P(MainThreadTeardownDeathTest, AHopRacingTheApplicationsTeardownIsDropped) {
  const bool waits = GetParam().waits;
  EXPECT_EXIT(
      {
        setHopProbeForTesting(holdTheHop);
        std::atomic<bool> ran{false};
        std::atomic<bool> waited{true};
        std::thread hop([&] {
          if (waits)
            waited = runOnMainAndWait([&] { ran = true; });
          else
            runOnMain([&] { ran = true; });
        });
        const auto limit = std::chrono::steady_clock::now() + 20s;
        while (!inWindow && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
        test::endTestApplication();
        hop.join();
        // Hops after the teardown are dropped too.
        std::thread([&] {
          runOnMain([&] { ran = true; });
          if (runOnMainAndWait([&] { ran = true; })) ran = true;
        }).join();
        _exit(inWindow && closeWaits && !ran && (!waits || !waited) ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Hops, MainThreadTeardownDeathTest,
                         ::testing::Values(TeardownRace{"Queued", false}, TeardownRace{"Waiting", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Assert, SourceNameIsRelativeToTheProjectWithoutExtension) {
  struct Case {
    std::string path;
    const char* name;
  };
  const Case cases[] = {
      {std::string(ZELVO_SOURCE_ROOT) + "Network/ByteBuffer.cpp", "Network/ByteBuffer"},
      {"../../Network/ByteBuffer.cpp", "Network/ByteBuffer"},  // as a compiler cache hands it over
      {"./openglkit/Shader.cpp", "openglkit/Shader"},
      {"/elsewhere/v1.2/Header", "/elsewhere/v1.2/Header"},  // a dot in a folder is no extension
  };
  for (const Case& c : cases) {
    char scratch[256];
    EXPECT_STREQ(sourceName(c.path.c_str(), scratch, sizeof scratch), c.name) << c.path;
  }
}

TEST(AssertDeathTest, NamesFileFunctionAndCondition) {
  EXPECT_DEATH(
      {
        int limit = 1;
        ZELVO_PRECONDITION(limit > 2);
      },
      "Foundation/Concurrency_test.*Invalid parameter not satisfying: limit > 2");
  EXPECT_DEATH(ZELVO_ASSERT(1 + 1 == 3, "Failed to link program: %s", "log"), "Failed to link program: log");
}

}  // namespace
}  // namespace zelvo
