// What the wall accepts, highlights and reports for a drag, without a display.
#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>

#include <set>

#include "ViewControllers/Store/ConnectionTarget.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/Store/FavoriteTarget.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "ViewControllers/Wall/VideoViewDropRules.h"
#include "tests/ViewControllers/Wall/LoggingInSite.h"

namespace zelvo {
namespace {

QByteArray siteArchive(std::optional<qint64> cameras, std::optional<qint64> index = std::nullopt) {
  SiteInfo site;
  site.setAddress(QStringLiteral("127.0.0.1"));
  site.setCameraCount(cameras);
  site.setIndex(index);
  return archivedDataWithRootObject(site);
}

QByteArray favoriteArchive() { return archivedDataWithRootObject(FavoriteTarget()); }

VideoViewDragContents target(const QByteArray& archive) {
  VideoViewDragContents contents;
  contents.connectionTarget = archive;
  return contents;
}

VideoViewDragContents planeDrag(int64_t source) {
  VideoViewDragContents contents;
  contents.hasPlaneType = true;
  contents.planeSource = source;
  return contents;
}

struct HighlightCase {
  const char* name;
  VideoViewDragContents contents;
  int64_t plane;
  int64_t first, last;
  std::set<int64_t> bound;
  std::vector<int64_t> highlighted;
};

class VideoViewDropHighlight : public testing::TestWithParam<HighlightCase> {};

TEST_P(VideoViewDropHighlight, Planes) {
  const HighlightCase& c = GetParam();
  const auto isBound = [&](int64_t plane) { return c.bound.count(plane) > 0; };
  EXPECT_EQ(dropHighlight(c.contents, c.plane, c.first, c.last, isBound), c.highlighted);
}

INSTANTIATE_TEST_SUITE_P(
    Drags, VideoViewDropHighlight,
    testing::Values(
        HighlightCase{"SixteenCameraSiteOverPlane13", target(siteArchive(16)), 13, 0, 15, {}, {13, 14, 15}},
        HighlightCase{"FourCameraSite", target(siteArchive(4)), 2, 0, 15, {}, {2, 3, 4, 5}},
        HighlightCase{"SiteOnSecondPage", target(siteArchive(16)), 30, 16, 31, {}, {30, 31}},
        HighlightCase{"CameraNode", target(siteArchive(16, 3)), 7, 0, 15, {}, {7}},
        HighlightCase{"SiteWithoutCameras", target(siteArchive(0)), 7, 0, 15, {}, {}},
        HighlightCase{"SiteWithNegativeCount", target(siteArchive(-3)), 7, 0, 15, {}, {}},
        HighlightCase{"SiteWithoutCount", target(siteArchive(std::nullopt)), 7, 0, 15, {}, {}},
        HighlightCase{"FavoriteHighlightsThePage", target(favoriteArchive()), 9, 16, 31, {},
                      {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31}},
        HighlightCase{"DamagedArchive", target(QByteArray("\xa1\x00garbage", 9)), 7, 0, 15, {}, {}},
        HighlightCase{"OverNoPlane", target(siteArchive(16)), -1, 0, 15, {}, {}},
        HighlightCase{"PlaneOntoAnother", planeDrag(3), 9, 0, 15, {3}, {9}},
        HighlightCase{"PlaneOntoItself", planeDrag(3), 3, 0, 15, {3}, {}},
        HighlightCase{"UnboundPlane", planeDrag(3), 9, 0, 15, {9}, {}}),
    [](const testing::TestParamInfo<HighlightCase>& info) { return std::string(info.param.name); });

struct PrepareCase {
  const char* name;
  VideoViewDragContents contents;
  int64_t plane;
  std::set<int64_t> bound;
  bool accepted;
};

class VideoViewPrepare : public testing::TestWithParam<PrepareCase> {};

TEST_P(VideoViewPrepare, AcceptsOrRefuses) {
  const PrepareCase& c = GetParam();
  const auto isBound = [&](int64_t plane) { return c.bound.count(plane) > 0; };
  EXPECT_EQ(prepareForDragOperation(c.contents, c.plane, isBound), c.accepted);
  const VideoViewDrop drop = performDragOperation(c.contents, c.plane, isBound);
  EXPECT_EQ(drop.kind != VideoViewDrop::None, c.accepted);
}

VideoViewDragContents unreadablePlane() {
  VideoViewDragContents contents;
  contents.hasPlaneType = true;
  return contents;
}

INSTANTIATE_TEST_SUITE_P(
    Drops, VideoViewPrepare,
    testing::Values(PrepareCase{"TargetOverPlane", target(siteArchive(4)), 0, {}, true},
                    PrepareCase{"TargetOverNoPlane", target(siteArchive(4)), -1, {}, false},
                    PrepareCase{"DamagedTargetStillDropped", target("x"), 4, {}, true},
                    PrepareCase{"PlaneOntoAnother", planeDrag(3), 9, {3}, true},
                    PrepareCase{"PlaneOntoItself", planeDrag(3), 3, {3}, false},
                    PrepareCase{"UnboundPlaneOntoAnother", planeDrag(3), 9, {9}, false},
                    PrepareCase{"PlaneOverNoPlane", planeDrag(3), -1, {3}, false},
                    PrepareCase{"UnreadablePlaneNumber", unreadablePlane(), 9, {3}, false}),
    [](const testing::TestParamInfo<PrepareCase>& info) { return std::string(info.param.name); });

TEST(VideoViewDrop, WhatTheNotificationsCarry) {
  const QByteArray archive = favoriteArchive();
  const auto bound = [](int64_t plane) { return plane == 3; };
  EXPECT_EQ(performDragOperation(target(archive), 12, bound), (VideoViewDrop{VideoViewDrop::ConnectionTarget, 12, -1, archive}));
  EXPECT_EQ(performDragOperation(planeDrag(3), 9, bound), (VideoViewDrop{VideoViewDrop::PlaneDragged, 9, 3, {}}));
}

struct OperationCase {
  const char* name;
  Qt::DropActions source;
  VideoViewDragContents contents;
  Qt::DropActions supported;
};

class VideoViewOperations : public testing::TestWithParam<OperationCase> {};

TEST_P(VideoViewOperations, Supported) {
  const OperationCase& c = GetParam();
  EXPECT_EQ(dragOperationSupported(c.source, c.contents), c.supported);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, VideoViewOperations,
    testing::Values(OperationCase{"TargetCopies", Qt::CopyAction | Qt::MoveAction, target("a"), Qt::CopyAction},
                    OperationCase{"TargetFromMoveOnlySource", Qt::MoveAction, target("a"), Qt::DropActions()},
                    OperationCase{"PlaneMoves", Qt::CopyAction | Qt::MoveAction, planeDrag(1), Qt::MoveAction},
                    OperationCase{"NothingOfOurs", Qt::CopyAction | Qt::MoveAction, VideoViewDragContents{},
                                  Qt::DropActions()}),
    [](const testing::TestParamInfo<OperationCase>& info) { return std::string(info.param.name); });

TEST(VideoViewDragContents, PlaneDragsOnlyFromThisProcess) {
  QMimeData data;
  data.setData(PasteBoardTypePlaneDragged, planeDraggedData(5));
  data.setData(PasteBoardTypeConnectionTarget, "archive");
  const VideoViewDragContents local = VideoViewDragContents::of(&data, true);
  EXPECT_TRUE(local.hasPlaneType);
  EXPECT_EQ(local.planeSource, 5);
  EXPECT_EQ(local.connectionTarget, QByteArray("archive"));
  const VideoViewDragContents foreign = VideoViewDragContents::of(&data, false);
  EXPECT_FALSE(foreign.hasPlaneType);
  EXPECT_FALSE(foreign.planeSource);
  // Data made in this process, without a source widget: the connection target as it is.
  EXPECT_EQ(foreign.connectionTarget, QByteArray("archive"));
}

TEST(VideoViewDragContents, PlaneNumbersOutsideTheWall) {
  for (const QByteArray& bytes : {planeDraggedData(64), planeDraggedData(-1), QByteArray("junk"), QByteArray()}) {
    QMimeData data;
    data.setData(PasteBoardTypePlaneDragged, bytes);
    const VideoViewDragContents contents = VideoViewDragContents::of(&data, true);
    EXPECT_TRUE(contents.hasPlaneType);
    EXPECT_FALSE(contents.planeSource);
  }
  EXPECT_FALSE(VideoViewDragContents::of(nullptr, true).hasPlaneType);
}

std::shared_ptr<SiteInfo> loggingInSite() {
  auto site = test::loggingInSite();
  site->setSiteID(QUrl(QStringLiteral("x-zelvo://store/Site/p3")));
  return site;
}

QMimeData* dragOf(const QByteArray& archive) {
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(PasteBoardTypeConnectionTarget), archive);
  return data;
}

TEST(VideoViewDragContentsOrigin, TheSiteTreesOwnDragIsTakenAsItIs) {
  const QByteArray archive = archivedDataWithRootObject(*loggingInSite());
  std::unique_ptr<QMimeData> data(dragOf(archive));
  const VideoViewDragContents contents = VideoViewDragContents::of(data.get(), true);
  ASSERT_TRUE(contents.connectionTarget);
  EXPECT_EQ(*contents.connectionTarget, archive);
}

// A drop made in this process without a source widget (the wall's own tests, a drop
// replayed) hands over the QMimeData that was made here: it is not another program's.
TEST(VideoViewDragContentsOrigin, DataMadeInThisProcessIsTheWallsOwnWithOrWithoutASource) {
  const QByteArray archive = archivedDataWithRootObject(*loggingInSite());
  std::unique_ptr<QMimeData> data(dragOf(archive));
  EXPECT_FALSE(offeredByAnotherProcess(data.get()));
  EXPECT_FALSE(offeredByAnotherProcess(nullptr));
  const VideoViewDragContents contents = VideoViewDragContents::of(data.get(), false);
  ASSERT_TRUE(contents.connectionTarget);
  EXPECT_EQ(*contents.connectionTarget, archive);
}

TEST(VideoViewDragContentsOrigin, AnotherProgramsSiteAsksForItsLoginAndNamesNoStoredSite) {
  std::unique_ptr<QMimeData> data(dragOf(archivedDataWithRootObject(*loggingInSite())));
  const VideoViewDragContents contents = VideoViewDragContents::of(data.get(), false, true);
  ASSERT_TRUE(contents.connectionTarget);
  auto site = std::dynamic_pointer_cast<SiteInfo>(unarchiveConnectionTarget(*contents.connectionTarget));
  ASSERT_TRUE(site);
  EXPECT_EQ(site->autoLogin(), std::optional<bool>(false));
  EXPECT_EQ(site->autoDetect(), std::optional<bool>(false));
  EXPECT_FALSE(site->user());
  EXPECT_FALSE(site->password());
  EXPECT_FALSE(site->siteID());
  // Where it is and what it shows stay.
  EXPECT_EQ(site->name(), std::optional<QString>(QStringLiteral("Depot")));
  EXPECT_EQ(site->address(), std::optional<QString>(QStringLiteral("10.0.0.7")));
  EXPECT_EQ(site->port(), std::optional<qint64>(9000));
  EXPECT_EQ(site->index(), std::optional<qint64>(2));
  EXPECT_EQ(site->cameraCount(), std::optional<qint64>(4));
  // Taken as a copy drop on a plane.
  EXPECT_EQ(dragOperationSupported(Qt::CopyAction | Qt::MoveAction, contents), Qt::DropActions(Qt::CopyAction));
  EXPECT_EQ(performDragOperation(contents, 3, nullptr).kind, VideoViewDrop::ConnectionTarget);
}

TEST(VideoViewDragContentsOrigin, AnotherProgramsFavouriteOrGarbageIsRefused) {
  auto favorite = FavoriteTarget::create();
  favorite->setName(QStringLiteral("Night"));
  for (const QByteArray& archive : {archivedDataWithRootObject(*favorite), QByteArray("not an archive")}) {
    std::unique_ptr<QMimeData> data(dragOf(archive));
    const VideoViewDragContents contents = VideoViewDragContents::of(data.get(), false, true);
    EXPECT_FALSE(contents.connectionTarget);
    EXPECT_EQ(dragOperationSupported(Qt::CopyAction, contents), Qt::DropActions());
    EXPECT_TRUE(dropHighlight(contents, 0, 0, 15, nullptr).empty());
    EXPECT_EQ(performDragOperation(contents, 0, nullptr).kind, VideoViewDrop::None);
  }
  // From this process the same favourite is the wall's to take.
  std::unique_ptr<QMimeData> own(dragOf(archivedDataWithRootObject(*favorite)));
  EXPECT_TRUE(VideoViewDragContents::of(own.get(), true).connectionTarget);
}

TEST(SiteTargetCameras, ACameraOneCameraASiteItsCountAndNoCountNothing) {
  const struct {
    const char* name;
    std::optional<qint64> index;
    std::optional<qint64> cameraCount;
    SiteTargetCameras expected;
  } cases[] = {
      {"camera 5", 5, 16, {4, 1}},
      {"camera without a count", 1, std::nullopt, {0, 1}},
      {"site of 16", 0, 16, {0, 16}},
      {"site without an index", std::nullopt, 4, {0, 4}},
      {"site without a count", 0, std::nullopt, {0, 0}},
      {"site of none", 0, 0, {0, 0}},
      {"site of a negative count", 0, -3, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SiteInfo site;
    site.setIndex(c.index);
    site.setCameraCount(c.cameraCount);
    EXPECT_EQ(camerasOfSiteTarget(site), c.expected);
  }
}

}  // namespace
}  // namespace zelvo
