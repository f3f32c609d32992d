#pragma once
// A wall's controller, awake, over recording fakes; every call and post lands in
// one log: the controller's posts as "bound(p)", "unbound(p)", "state(n)".

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/VideoViewController.h"
#include "WallFakes.h"

namespace zelvo {

class WallControllerTest : public ::testing::Test {
 protected:
  WallControllerTest() {
    controller = std::make_unique<VideoViewController>(
        view, VideoViewController::Collaborators{&factory, &decoders, &audio, &timers});
    controller->setMainWindow(&mainWindow);
    controller->setPreferences(&preferences);
    controller->awake();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const void* object = controller.get();
    observations.emplace_back(center, VideoViewControllerPlaneBoundNotification, object, [this](const Notification& n) {
      log.push_back("bound(" + std::to_string(*n.get<int64_t>(VideoViewControllerPlaneKey)) + ")");
    });
    observations.emplace_back(center, VideoViewControllerPlaneUnboundNotification, object,
                              [this](const Notification& n) {
                                log.push_back("unbound(" + std::to_string(*n.get<int64_t>(VideoViewControllerPlaneKey)) +
                                              ")");
                              });
    observations.emplace_back(center, VideoViewControllerSelectedNetworkClientStateChangedNotification, object,
                              [this](const Notification& n) {
                                log.push_back("state(" +
                                              std::to_string(*n.get<int>(VideoViewControllerNetworkClientStateKey)) +
                                              ")");
                                if (const DateTime* time = n.get<DateTime>(VideoViewControllerVideoFrameTimeKey))
                                  frameTimes.push_back(*time);
                              });
    log.clear();
  }

  ~WallControllerTest() override {
    observations.clear();
    controller.reset();
  }

  static std::shared_ptr<SiteInfo> site(const QString& address = QStringLiteral("127.0.0.1")) {
    auto s = SiteInfo::create();
    s->setAddress(address);
    s->setPort(5000);
    s->setUser(QStringLiteral("admin"));
    s->setPassword(QStringLiteral("secret"));
    s->setCameraCount(4);
    s->setIndex(0);
    return s;
  }

  // As the view posts a finished drop: the plane and the archive.
  void drop(const std::shared_ptr<SiteInfo>& s, int64_t plane) {
    view.post(VideoViewConnectionTargetDroppedNotification,
              {{VideoViewPlaneKey, plane}, {VideoViewConnectionTargetDataKey, archivedDataWithRootObject(*s)}});
  }

  std::shared_ptr<test::FakeClient> A() const { return factory.client(0); }
  std::shared_ptr<test::FakeClient> B() const { return factory.client(1); }

  test::EventLog take() {
    test::EventLog taken;
    taken.swap(log);
    return taken;
  }
  int count(const std::string& fragment) const { return count(fragment, log); }
  static int count(const std::string& fragment, const test::EventLog& lines) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.find(fragment) != std::string::npos;
    }));
  }
  // Index of the first line holding the fragment, or -1.
  int indexOf(const std::string& fragment) const {
    for (size_t i = 0; i < log.size(); ++i)
      if (log[i].find(fragment) != std::string::npos) return static_cast<int>(i);
    return -1;
  }

  test::EventLog log;
  std::vector<DateTime> frameTimes;
  test::FakeView view{log};
  test::FakeClientFactory factory{log};
  test::FakeDecoders decoders{log};
  test::FakeAudio audio{log};
  test::FakeTimers timers;
  test::FakeMainWindow mainWindow{log};
  test::FakeWallPreferences preferences;
  std::unique_ptr<VideoViewController> controller;
  std::vector<Observation> observations;
};

}  // namespace zelvo
