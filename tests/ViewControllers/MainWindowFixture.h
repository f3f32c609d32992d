#pragma once
// A main window over a real store in a temporary folder, with the wall's recorder clients,
// decoders, sound and timers faked and discovery without a daemon. Needs an X server: the
// wall is an OpenGL view.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

#include "ViewControllers/SiteTree/ChildNode.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/FavoriteCamera.h"
#include "ViewControllers/MainWindowController.h"
#include "ViewControllers/Store/ManagedObjectContext.h"
#include "ViewControllers/Store/PersistentStack.h"
#include "ViewControllers/Store/Site.h"
#include "ViewControllers/Store/SiteCamera.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "ViewControllers/SiteTree/SiteTreeViewController.h"
#include "ViewControllers/Store/StoreError.h"
#include "tests/ViewControllers/SiteTree/SiteTreeFakes.h"
#include "tests/ViewControllers/WallFakes.h"

namespace zelvo::test {

class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server (Xvfb)";
    ASSERT_TRUE(folder_.isValid());
    openStore();
  }

  void TearDown() override {
    window_.reset();
    context_.reset();
    stack_.reset();
  }

  void openStore() {
    window_.reset();
    context_.reset();
    stack_ = std::make_unique<PersistentStack>([this](const StoreError& e) { storeErrors_.push_back(e); },
                                               folder_.path());
    context_ = stack_->managedObjectContext();
    ASSERT_NE(context_, nullptr);
  }

  MainWindowComponents components() {
    MainWindowComponents parts;
    parts.wall = VideoViewController::Collaborators{&clients_, &decoders_, &audio_, &timers_};
    parts.discoveryBackend = []() -> std::unique_ptr<ServiceDiscoveryBackend> {
      return std::make_unique<FakeDiscoveryBackend>();
    };
    parts.gain = [this] { return gain_; };
    parts.adjustGain = [this](float gain) { gain_ = gain; };
    parts.preferences = &preferences_;
    parts.preferenceNotificationObject = &preferences_;
    parts.selectSitePanel = [this](int page) { panelPages_.push_back(page); };
    parts.resetToolbarInfo = [this] { ++toolbarResets_; };
    parts.showRemoteSetup = [this](QObject*, const std::shared_ptr<SiteInfo>& site) {
      remoteSetups_.push_back(site);
      return remoteSetupOpens_;
    };
    parts.closeRemoteSetup = [this] { ++remoteSetupCloses_; };
    parts.presentError = [this](const StoreError& e) { presentedErrors_.push_back(e); };
    parts.confirmRemove = [this](QWidget*) {
      ++removeQuestions_;
      return removeAnswer_;
    };
    return parts;
  }

  // The window as the application makes it: store first, then the form.
  MainWindowController& open(bool withStore = true) {
    window_ = std::make_unique<MainWindowController>(components());
    if (withStore) {
      window_->setManagedObjectContext(context_);
      window_->setManagedObjectModel(context_->managedObjectModel());
    }
    window_->resize(1280, 720);
    window_->showWindow();
    QApplication::processEvents();
    return *window_;
  }

  // The store as a new start of the application finds it.
  MainWindowController& reopen() {
    window_.reset();
    openStore();
    return open();
  }

  std::shared_ptr<Site> storeSite(const QString& name, int cameras = 4, bool deleted = false, bool autoDetect = false) {
    auto site = context_->insertNewObject<Site>();
    site->setName(name);
    site->setAddress(QStringLiteral("10.0.0.5"));
    site->setPort(9000);
    site->setUser(QStringLiteral("admin"));
    site->setPassword(QStringLiteral("secret"));
    site->setAutoLogin(true);
    site->setIndex(0);
    site->setCameraCount(cameras);
    site->setDeleted(deleted);
    site->setAutoDetect(autoDetect);
    for (int i = 1; i <= 16; ++i) {
      auto camera = context_->insertNewObject<SiteCamera>();
      camera->setTitle(QStringLiteral("CAM%1").arg(i));
      camera->setCameraIndex(i);
      camera->setSite(site);
    }
    EXPECT_TRUE(context_->save());
    return site;
  }

  // Every stored object of the entity, pending changes included.
  template <class T>
  std::vector<std::shared_ptr<T>> all() {
    return context_->fetch<T>().value_or(std::vector<std::shared_ptr<T>>{});
  }

  SiteTreeCore& tree() { return window_->siteTreeViewController()->core(); }

  std::shared_ptr<ChildNode> nodeOf(const NodeList& section, const QString& title) {
    for (const NodePtr& node : section)
      if (node->nodeTitle() == title) return std::dynamic_pointer_cast<ChildNode>(node);
    return nullptr;
  }
  std::shared_ptr<ChildNode> siteNode(const QString& title) { return nodeOf(tree().siteNode().children(), title); }
  std::shared_ptr<ChildNode> favoriteNode(const QString& title) {
    return nodeOf(tree().favoriteNode().children(), title);
  }
  void select(const std::shared_ptr<ChildNode>& node) {
    ASSERT_NE(node, nullptr);
    tree().selectItem(node.get());
    QApplication::processEvents();
  }

  std::vector<QString> favoriteNames() {
    std::vector<QString> names;
    for (const auto& favorite : all<Favorite>()) names.push_back(favorite->name().value_or(""));
    return names;
  }

  // A site of four cameras on planes 0..3, its client logged in.
  std::shared_ptr<SiteInfo> bindSite(const std::shared_ptr<Site>& row, int64_t plane = 0) {
    std::shared_ptr<SiteInfo> info = SiteInfo::makeSiteInfo(*row);
    window_->videoViewController()->connectToSite(info, plane);
    return info;
  }

  QTemporaryDir folder_;
  std::unique_ptr<PersistentStack> stack_;
  std::shared_ptr<ManagedObjectContext> context_;
  std::vector<StoreError> storeErrors_;

  EventLog log_;
  FakeClientFactory clients_{log_};
  FakeDecoders decoders_{log_};
  FakeAudio audio_{log_};
  FakeTimers timers_;
  FakeWallPreferences preferences_;
  float gain_ = 1.0f;
  std::vector<int> panelPages_;
  int toolbarResets_ = 0;
  std::vector<std::shared_ptr<SiteInfo>> remoteSetups_;
  bool remoteSetupOpens_ = true;
  int remoteSetupCloses_ = 0;
  std::vector<StoreError> presentedErrors_;
  int removeQuestions_ = 0;
  bool removeAnswer_ = true;

  std::unique_ptr<MainWindowController> window_;
};

}  // namespace zelvo::test
