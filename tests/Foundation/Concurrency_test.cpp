#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Foundation/Assert.h"
#include "Foundation/MainThread.h"
#include <QCoreApplication>

#include "Foundation/Semaphore.h"
#include "Foundation/SerialQueue.h"
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

TEST(MainThread, ClosingReleasesAWaitingHop) {
  std::atomic<bool> finished{false};
  std::atomic<bool> result{true};
  std::thread worker([&] {
    result = runOnMainAndWait([] {});
    finished = true;
  });
  // The main thread does not serve events here, as after quit.
  std::this_thread::sleep_for(20ms);
  closeMainThreadHops();
  worker.join();
  EXPECT_TRUE(finished.load());
  EXPECT_FALSE(result.load());
  EXPECT_FALSE(runOnMainAndWait([] {}));
  reopenMainThreadHopsForTesting();
  QCoreApplication::processEvents();  // flush the stale hop so later tests start clean
}

TEST(MainThread, ACancelledHopReturnsAtOnceAndNeverRuns) {
  auto cancellation = std::make_shared<HopCancellation>();
  std::atomic<bool> ran{false};
  std::atomic<bool> finished{false};
  std::atomic<bool> result{true};
  std::thread worker([&] {
    result = runOnMainAndWait([&] { ran = true; }, cancellation);
    finished = true;
  });
  // The main thread does not serve events, as while it destroys the hop's owner.
  std::this_thread::sleep_for(20ms);
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
