// The wall's recursive context lock against a scripted host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ViewControllers/Wall/VideoViewGLLock.h"

namespace zelvo {
namespace {

struct ScriptedHost {
  bool current = false;
  bool canMakeCurrent = true;
  std::vector<std::string> calls;

  VideoViewGLLock::Host host() {
    return {[this] { return current; },
            [this] {
              calls.push_back("make");
              if (canMakeCurrent) current = true;
              return canMakeCurrent;
            },
            [this] {
              calls.push_back("done");
              current = false;
            },
            [this] { calls.push_back("entered"); }};
  }
};

TEST(VideoViewGLLock, MakesCurrentOnceAndReleasesOnLastUnlock) {
  ScriptedHost h;
  VideoViewGLLock lock(h.host());
  EXPECT_TRUE(lock.lock());
  EXPECT_TRUE(lock.lock());
  EXPECT_EQ(lock.depth(), 2);
  lock.unlock();
  EXPECT_TRUE(h.current);
  lock.unlock();
  EXPECT_FALSE(h.current);
  EXPECT_EQ(h.calls, (std::vector<std::string>{"make", "entered", "entered", "done"}));
}

TEST(VideoViewGLLock, LeavesAContextCurrentAlreadyAsItIs) {
  // Inside the widget's paint: current already, and must stay so.
  ScriptedHost h;
  h.current = true;
  VideoViewGLLock lock(h.host());
  {
    VideoViewGLLocker outer(lock);
    VideoViewGLLocker inner(lock);
    EXPECT_TRUE(inner.usable());
  }
  EXPECT_TRUE(h.current);
  EXPECT_EQ(h.calls, (std::vector<std::string>{"entered", "entered"}));
}

TEST(VideoViewGLLock, NoContextYet) {
  ScriptedHost h;
  h.canMakeCurrent = false;
  VideoViewGLLock lock(h.host());
  {
    VideoViewGLLocker locker(lock);
    EXPECT_FALSE(locker.usable());
    VideoViewGLLocker nested(lock);
    EXPECT_FALSE(nested.usable());
  }
  EXPECT_EQ(lock.depth(), 0);
  EXPECT_EQ(h.calls, (std::vector<std::string>{"make"}));
  // Later, once the context exists, the lock works.
  h.canMakeCurrent = true;
  EXPECT_TRUE(lock.lock());
  lock.unlock();
}

TEST(VideoViewGLLockDeathTest, UnlockWithoutLock) {
  ScriptedHost h;
  VideoViewGLLock lock(h.host());
  EXPECT_DEATH(lock.unlock(), "unlock without lock");
}

}  // namespace
}  // namespace zelvo
