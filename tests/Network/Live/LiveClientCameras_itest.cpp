// Camera tables and single-property updates as a live client receives them.
#include <gtest/gtest.h>

#include "Network/Live/LiveLoopback.h"

namespace zelvo::test {
namespace {

using emulator::Bytes;
namespace live = emulator::live;

TEST_F(LiveLoopback, CameraTableIsStoredAndAnnouncedWhole) {
  connect();
  sendTwoCameras();
  CameraInfoArray table = client_->cameraInfoArray();
  ASSERT_EQ(table->size(), 2u);
  EXPECT_EQ((*table)[0].number(), 0);
  EXPECT_EQ((*table)[0].title(), "Gate");
  EXPECT_TRUE((*table)[0].ptzAvailability());
  EXPECT_EQ((*table)[1].number(), 1);
  EXPECT_EQ((*table)[1].status(), 3);
  EXPECT_EQ((*table)[1].covertLevel(), 2);
  EXPECT_TRUE((*table)[1].audioAvailability());
  EXPECT_EQ((*table)[1].color(), (CameraColor{1, 2, 3, 4}));

  Notification n = log_->named(LiveCameraInfoUpdatedNotification).back();
  ASSERT_TRUE(n.get<CameraInfoArray>(LiveCameraInfoArrayKey));
  EXPECT_EQ(**n.get<CameraInfoArray>(LiveCameraInfoArrayKey), *table);
  EXPECT_FALSE(n.has(LiveDeviceIDKey)) << "a whole table names no camera";
  EXPECT_EQ(delegate_.calls(), (std::vector<std::string>{"receivedCameraInfoArray 2"}));
}

TEST_F(LiveLoopback, CameraTableWithheldPTZWithoutPermission) {
  connect(recorderConfig(), "viewer");
  send(MessageTypeCameraInfo, live::cameraTable({{"A", 1, 1, 1, 1, {}}, {"B", 1, 1, 5, 1, {}}}));
  ASSERT_TRUE(log_->waitForCount(LiveCameraInfoUpdatedNotification, 1));
  for (const CameraInfo& camera : *client_->cameraInfoArray()) {
    EXPECT_FALSE(camera.ptzAvailability()) << camera.number();
    EXPECT_TRUE(camera.audioAvailability());
  }
}

TEST_F(LiveLoopback, CameraTableValuesAreStoredAsReceived) {
  connect();
  send(MessageTypeCameraInfo, live::cameraTable({{"A", 9, 200, 1, 0, {}}}));
  ASSERT_TRUE(log_->waitForCount(LiveCameraInfoUpdatedNotification, 1));
  EXPECT_EQ((*client_->cameraInfoArray())[0].status(), 9);
  EXPECT_EQ((*client_->cameraInfoArray())[0].covertLevel(), 200);
}

TEST_F(LiveLoopback, NewTableReplacesTheOld) {
  connect();
  sendTwoCameras();
  CameraInfoArray old = client_->cameraInfoArray();
  send(MessageTypeCameraInfo, live::cameraTable({}));
  ASSERT_TRUE(log_->waitForCount(LiveCameraInfoUpdatedNotification, 2));
  EXPECT_TRUE(client_->cameraInfoArray()->empty());
  EXPECT_EQ(old->size(), 2u) << "a reader's snapshot never changes under it";
}

// A title field whose text breaks off in the middle of a character.
Bytes brokenTitle() {
  Bytes bytes{2, 1, 'Y', 0xC3};
  bytes.resize(2 + 32, 0);
  return bytes;
}

struct UpdateCase {
  const char* name;
  Bytes update;
  bool notifies;
  int64_t camera;
  const char* property;
  CameraInfoValue expected;  // the camera's value afterwards (and the posted value)
};

class CameraUpdate : public LiveLoopback, public testing::WithParamInterface<UpdateCase> {};

TEST_P(CameraUpdate, StoresAndNotifiesOnlyChanges) {
  const UpdateCase& c = GetParam();
  connect();
  sendTwoCameras();
  CameraInfoArray before = client_->cameraInfoArray();
  send(MessageTypeCameraInfo, c.update);
  fence();
  std::vector<Notification> posts = log_->named(LiveCameraInfoUpdatedNotification);
  CameraInfoArray after = client_->cameraInfoArray();
  EXPECT_EQ((*after)[static_cast<size_t>(c.camera)].valueForKey(c.property), c.expected);
  if (!c.notifies) {
    EXPECT_EQ(posts.size(), 1u);
    EXPECT_EQ(*after, *before);
    return;
  }
  ASSERT_EQ(posts.size(), 2u);
  const Notification& n = posts[1];
  ASSERT_TRUE(n.get<int64_t>(LiveDeviceIDKey));
  EXPECT_EQ(*n.get<int64_t>(LiveDeviceIDKey), c.camera);
  ASSERT_TRUE(n.get<int>(LiveCameraInfoUpdatedTypeKey));
  EXPECT_EQ(*n.get<int>(LiveCameraInfoUpdatedTypeKey), c.update[0]);
  ASSERT_TRUE(n.get<CameraInfoValue>(LiveCameraInfoUpdatedValueKey));
  EXPECT_EQ(*n.get<CameraInfoValue>(LiveCameraInfoUpdatedValueKey), c.expected);
  ASSERT_TRUE(n.get<CameraInfoArray>(LiveCameraInfoArrayKey));
  EXPECT_EQ(**n.get<CameraInfoArray>(LiveCameraInfoArrayKey), *after);
  // Only that one property of that one camera changed.
  CameraInfo expected = (*before)[static_cast<size_t>(c.camera)];
  expected.setValueForKey(c.property, c.expected);
  EXPECT_EQ((*after)[static_cast<size_t>(c.camera)], expected);
  EXPECT_EQ((*after)[static_cast<size_t>(1 - c.camera)], (*before)[static_cast<size_t>(1 - c.camera)]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraUpdate,
    testing::Values(
        UpdateCase{"TitleChanged", live::cameraTitle(0, "Door"), true, 0, "title", std::string("Door")},
        UpdateCase{"TitleSame", live::cameraTitle(0, "Gate"), false, 0, "title", std::string("Gate")},
        UpdateCase{"TitleBrokenKeepsItsValidPrefix", brokenTitle(), true, 1, "title", std::string("Y")},
        UpdateCase{"StatusChanged", live::cameraByte(3, 0, 3), true, 0, "status", int32_t{3}},
        UpdateCase{"StatusSame", live::cameraByte(3, 0, 1), false, 0, "status", int32_t{1}},
        UpdateCase{"StatusOutOfRangeIsZero", live::cameraByte(3, 0, 9), true, 0, "status", int32_t{0}},
        UpdateCase{"CovertLevelChanged", live::cameraByte(4, 1, 3), true, 1, "covertLevel", int32_t{3}},
        UpdateCase{"CovertLevelOutOfRangeIsZero", live::cameraByte(4, 1, 4), true, 1, "covertLevel", int32_t{0}},
        UpdateCase{"PtzWithdrawn", live::cameraByte(5, 0, 0), true, 0, "ptzAvailability", false},
        UpdateCase{"PtzGranted", live::cameraByte(5, 1, 7), true, 1, "ptzAvailability", true},
        UpdateCase{"PtzSame", live::cameraByte(5, 0, 1), false, 0, "ptzAvailability", true},
        UpdateCase{"AudioChanged", live::cameraByte(6, 0, 1), true, 0, "audioAvailability", true},
        UpdateCase{"AudioSame", live::cameraByte(6, 1, 1), false, 1, "audioAvailability", true},
        UpdateCase{"ColorChanged", live::cameraColor(0, {-1, 0, 5, 127}), true, 0, "color", CameraColor{-1, 0, 5, 127}},
        UpdateCase{"ColorSame", live::cameraColor(1, {1, 2, 3, 4}), false, 1, "color", CameraColor{1, 2, 3, 4}},
        UpdateCase{"CameraOutsideTheTable", live::cameraByte(3, 2, 2), false, 0, "status", int32_t{1}},
        UpdateCase{"LastPossibleCamera", live::cameraByte(3, 255, 2), false, 1, "status", int32_t{3}},
        UpdateCase{"SubTypeZero", live::cameraByte(0, 0, 2), false, 0, "status", int32_t{1}},
        UpdateCase{"SubTypeBeyondSeven", live::cameraByte(8, 0, 2), false, 0, "status", int32_t{1}},
        UpdateCase{"ShortUpdate", Bytes{3, 0}, false, 0, "status", int32_t{1}},
        UpdateCase{"ShortColor", Bytes{7, 0, 1, 2}, false, 0, "color", CameraColor{}},
        UpdateCase{"ShortTable", Bytes{1, 3, 0, 0}, false, 0, "title", std::string("Gate")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LiveLoopback, UnknownSubTypesAreLoggedWithTheMappedValue) {
  connect();
  sendTwoCameras();
  LogCapture capture;
  send(MessageTypeCameraInfo, live::cameraByte(200, 0, 1));
  fence();
  EXPECT_TRUE(capture.contains("Unknown camera info type: 0"));
}

TEST_F(LiveLoopback, UpdateOutsideTheTableIsLogged) {
  connect();
  sendTwoCameras();
  LogCapture capture;
  send(MessageTypeCameraInfo, live::cameraByte(3, 2, 2));
  fence();
  EXPECT_TRUE(capture.contains("outside the table"));
}

TEST_F(LiveLoopback, UpdateBeforeAnyTableIsDropped) {
  connect();
  send(MessageTypeCameraInfo, live::cameraByte(3, 0, 2));
  fence();
  EXPECT_EQ(log_->count(LiveCameraInfoUpdatedNotification), 0u);
  EXPECT_TRUE(client_->cameraInfoArray()->empty());
}

TEST_F(LiveLoopback, PtzUpdateWithoutPermissionStaysWithheld) {
  connect(recorderConfig(), "viewer");
  send(MessageTypeCameraInfo, live::cameraTable({{"A", 1, 1, 1, 0, {}}, {"B", 1, 1, 0, 0, {}}}));
  ASSERT_TRUE(log_->waitForCount(LiveCameraInfoUpdatedNotification, 1));
  send(MessageTypeCameraInfo, live::cameraByte(5, 0, 1));
  send(MessageTypeCameraInfo, live::cameraByte(5, 1, 1));
  fence();
  EXPECT_EQ(log_->count(LiveCameraInfoUpdatedNotification), 1u) << "both cameras already had NO";
  for (const CameraInfo& camera : *client_->cameraInfoArray()) EXPECT_FALSE(camera.ptzAvailability());
}

TEST_F(LiveLoopback, ObserversSeeTheTableAlreadyUpdated) {
  connect();
  sendTwoCameras();
  std::string seenTitle;
  Observation observation(NotificationCenter::defaultCenter(), LiveCameraInfoUpdatedNotification, client_.get(),
                          [&](const Notification&) { seenTitle = (*client_->cameraInfoArray())[0].title(); });
  send(MessageTypeCameraInfo, live::cameraTitle(0, "Door"));
  ASSERT_TRUE(log_->waitForCount(LiveCameraInfoUpdatedNotification, 2));
  EXPECT_EQ(seenTitle, "Door");
}

}  // namespace
}  // namespace zelvo::test
