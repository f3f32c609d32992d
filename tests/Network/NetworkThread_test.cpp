// Network threads never outlive the application object. A client's own thread whose
// last owner lets go of it on the thread itself (its disconnect task held the client
// while the caller dropped it) cannot join itself, yet it must end and be joined and
// deleted; one still at work when the process ends is joined by the teardown.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>

#include "Foundation/MainThread.h"
#include "Foundation/Semaphore.h"
#include "Network/NetworkThread.h"
#include "support/TestApplication.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

using namespace std::chrono_literals;

struct Ends {
  std::atomic<bool> worker{false};  // the object tasks are posted to
  std::atomic<bool> thread{false};  // the QThread object
};

// Posts a task that holds the thread's last owner and lets go of it there, then
// runs last() on the thread.
template <class F>
void letGoOnItself(std::shared_ptr<NetworkThread> thread, Ends& ends, Semaphore& orphaned, F last) {
  QObject::connect(thread->context(), &QObject::destroyed, [&ends] { ends.worker = true; });
  NetworkThread* raw = thread.get();
  raw->post([&ends, &orphaned, last, owner = std::move(thread)]() mutable {
    QObject::connect(QThread::currentThread(), &QObject::destroyed, [&ends] { ends.thread = true; });
    owner.reset();
    orphaned.signal();
    last();
  });
}

TEST(NetworkThread, ALastOwnerLettingGoOnTheThreadEndsItAndItIsDeleted) {
  Ends ends;
  Semaphore orphaned;
  letGoOnItself(std::make_shared<NetworkThread>(), ends, orphaned, [] {});
  ASSERT_TRUE(orphaned.waitFor(20s));
  EXPECT_TRUE(test::waitUntil([&] { return ends.worker && ends.thread; }));
}

TEST(NetworkThread, TasksPostedBeforeTheLastOwnerLetsGoStillRunInOrder) {
  auto thread = std::make_shared<NetworkThread>();
  std::vector<int> seen;
  for (int i = 0; i < 3; ++i) thread->post([&seen, i] { seen.push_back(i); });
  Ends ends;
  Semaphore orphaned;
  letGoOnItself(std::move(thread), ends, orphaned, [&seen] { seen.push_back(3); });
  ASSERT_TRUE(test::waitUntil([&] { return ends.thread.load(); }));
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3}));
}

// The process ends right after: the application's teardown joins the thread, which
// was still in its last task, waiting on a main-thread hop that is never served.
TEST(NetworkThreadDeathTest, AThreadLetGoOnItselfIsJoinedBeforeTheApplicationGoes) {
  EXPECT_EXIT(
      {
        Ends ends;
        Semaphore orphaned;
        letGoOnItself(std::make_shared<NetworkThread>(), ends, orphaned, [] { runOnMainAndWait([] {}); });
        if (!orphaned.waitFor(20s)) _exit(2);
        test::endTestApplication();
        _exit(ends.worker && ends.thread ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// Its owner still holds it (a queued task holds the client that holds the thread,
// say) when the process ends: the teardown joins it all the same.
TEST(NetworkThreadDeathTest, AThreadStillAtWorkIsJoinedBeforeTheApplicationGoes) {
  EXPECT_EXIT(
      {
        auto thread = std::make_shared<NetworkThread>();
        std::atomic<bool> ended{false};
        std::atomic<bool> taskDone{false};
        Semaphore started;
        thread->post([&] {
          QObject::connect(QThread::currentThread(), &QThread::finished, [&ended] { ended = true; });
          started.signal();
          runOnMainAndWait([] {});
          taskDone = true;
        });
        if (!started.waitFor(20s)) _exit(2);
        test::endTestApplication();
        _exit(taskDone && ended ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zelvo
