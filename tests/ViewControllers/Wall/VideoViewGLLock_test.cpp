// The wall's context lock: recursive on the GUI thread, one mutex shared with the
// render thread, and unusable while there is no Screen.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ViewControllers/Wall/VideoViewGLLock.h"

namespace zelvo {
namespace {

// Whether another thread (the render thread's side) could take the lock now.
bool freeForTheRenderThread(VideoViewGLLock& lock) {
  bool taken = false;
  std::thread other([&] {
    if (lock.mutex().try_lock()) {
      taken = true;
      lock.mutex().unlock();
    }
  });
  other.join();
  return taken;
}

TEST(VideoViewGLLock, TakesTheMutexOnceAndReleasesItOnTheLastUnlock) {
  VideoViewGLLock lock([] { return true; });
  EXPECT_TRUE(freeForTheRenderThread(lock));
  EXPECT_TRUE(lock.lock());
  EXPECT_TRUE(lock.lock());
  EXPECT_EQ(lock.depth(), 2);
  lock.unlock();
  EXPECT_FALSE(freeForTheRenderThread(lock)) << "still held by the outer lock";
  lock.unlock();
  EXPECT_EQ(lock.depth(), 0);
  EXPECT_TRUE(freeForTheRenderThread(lock));
}

TEST(VideoViewGLLock, WaitsForTheRenderThreadsTurn) {
  VideoViewGLLock lock([] { return true; });
  std::atomic<bool> entered{false};
  lock.mutex().lock();
  std::thread gui([&] {
    VideoViewGLLocker locker(lock);
    entered = true;
  });
  EXPECT_FALSE(entered.load());
  lock.mutex().unlock();
  gui.join();
  EXPECT_TRUE(entered.load());
}

TEST(VideoViewGLLock, NoScreenYet) {
  bool screen = false;
  VideoViewGLLock lock([&] { return screen; });
  {
    VideoViewGLLocker locker(lock);
    EXPECT_FALSE(locker.usable());
    VideoViewGLLocker nested(lock);
    EXPECT_FALSE(nested.usable());
    EXPECT_FALSE(lock.holdsContext());
  }
  EXPECT_EQ(lock.depth(), 0);
  // Later, once the screen exists, the lock works.
  screen = true;
  EXPECT_TRUE(lock.lock());
  EXPECT_TRUE(lock.holdsContext());
  lock.unlock();
}

TEST(VideoViewGLLockDeathTest, UnlockWithoutLock) {
  VideoViewGLLock lock([] { return true; });
  EXPECT_DEATH(lock.unlock(), "unlock without lock");
}

}  // namespace
}  // namespace zelvo
