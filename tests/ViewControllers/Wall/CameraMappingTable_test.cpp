// The wall's record of which camera each plane shows, and the notices its changes give.
#include "ViewControllers/Wall/CameraMappingTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "WallFakes.h"

namespace zelvo {
namespace {

using test::EventLog;
using test::FakeClient;

// Notices as "U(plane,camera,X)", "B(plane,camera,X)", "C(X)".
class RecordingDelegate : public CameraMappingTableDelegate {
 public:
  void cameraMappingTableBoundPlane(CameraMappingTable& table, int64_t plane, int64_t camera,
                                    const std::shared_ptr<LiveClientPort>& client) override {
    log.push_back("B(" + std::to_string(plane) + "," + std::to_string(camera) + "," + test::nameOf(*client) + ")");
    if (onBound) onBound(table, plane);
  }
  void cameraMappingTableUnboundPlane(CameraMappingTable& table, int64_t plane, int64_t camera,
                                      const std::shared_ptr<LiveClientPort>& client) override {
    log.push_back("U(" + std::to_string(plane) + "," + std::to_string(camera) + "," + test::nameOf(*client) + ")");
    if (onUnbound) onUnbound(table, plane);
  }
  void cameraMappingTableUnboundNetworkClient(CameraMappingTable& table,
                                              const std::shared_ptr<LiveClientPort>& client) override {
    log.push_back("C(" + test::nameOf(*client) + ")");
    if (onClientUnbound) onClientUnbound(table, client);
  }

  EventLog log;
  std::function<void(CameraMappingTable&, int64_t)> onBound, onUnbound;
  std::function<void(CameraMappingTable&, const std::shared_ptr<LiveClientPort>&)> onClientUnbound;
};

// A wall of 64 planes with a recording delegate and clients made by name.
struct Wall {
  Wall() { table.setDelegate(&delegate); }

  std::shared_ptr<FakeClient> client(const std::string& name) {
    auto& slot = clients[name];
    if (!slot) slot = std::make_shared<FakeClient>(unused, name, false);
    return slot;
  }
  // Binds without recording the notices.
  void given(int64_t plane, const std::string& name, int64_t camera) {
    table.bindPlane(plane, camera, client(name));
    delegate.log.clear();
  }

  EventLog unused;
  std::map<std::string, std::shared_ptr<FakeClient>> clients;
  RecordingDelegate delegate;
  CameraMappingTable table{64};
};

class CameraMappingTableTest : public ::testing::Test, public Wall {};

TEST_F(CameraMappingTableTest, AFreshTableIsEmptyAndUnbindingItSaysNothing) {
  for (int64_t plane = 0; plane < 64; ++plane) {
    EXPECT_EQ(table.cameraByPlane(plane), -1);
    EXPECT_EQ(table.networkClientByPlane(plane), nullptr);
    EXPECT_EQ(table.itemByPlane(plane), nullptr);
  }
  EXPECT_TRUE(table.allNetworkClients().empty());
  EXPECT_EQ(table.mappingTable().size(), 64u);
  table.unbindAllPlanes();
  EXPECT_TRUE(delegate.log.empty());
}

TEST(CameraMappingTable, ACountBelowOneGivesNoSlots) {
  EXPECT_EQ(CameraMappingTable(0).maxPlaneCount(), 0);
  EXPECT_EQ(CameraMappingTable(-3).maxPlaneCount(), 0);
  CameraMappingTable none(0);
  none.unbindAllPlanes();
  EXPECT_TRUE(none.camerasInNetworkClient(nullptr).empty());
}

struct NoticeCase {
  const char* name;
  std::vector<std::tuple<int64_t, std::string, int64_t>> wall;  // plane, client, camera
  std::function<void(CameraMappingTable&, Wall&)> operation;
  EventLog expected;
};

class NoticeOrder : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(NoticeOrder, FollowsTheChange) {
  Wall fixture;
  const NoticeCase& c = GetParam();
  for (const auto& [plane, name, camera] : c.wall) fixture.given(plane, name, camera);
  c.operation(fixture.table, fixture);
  EXPECT_EQ(fixture.delegate.log, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    CameraMappingTable, NoticeOrder,
    ::testing::Values(
        NoticeCase{"AnotherClientsPlaneIsEmptiedFirst",
                   {{5, "B", 0}},
                   [](CameraMappingTable& t, Wall& f) { t.bindPlane(5, 2, f.client("A")); },
                   {"U(5,0,B)", "C(B)", "B(5,2,A)"}},
        NoticeCase{"TheSameClientKeepsItsPlane",
                   {{5, "A", 1}},
                   [](CameraMappingTable& t, Wall& f) { t.bindPlane(5, 3, f.client("A")); },
                   {"U(5,1,A)", "B(5,3,A)"}},
        NoticeCase{"TheSameCameraAgainStillUnbindsAndBinds",
                   {{5, "A", 1}},
                   [](CameraMappingTable& t, Wall& f) { t.bindPlane(5, 1, f.client("A")); },
                   {"U(5,1,A)", "B(5,1,A)"}},
        NoticeCase{"AnEmptyPlaneIsJustBound",
                   {},
                   [](CameraMappingTable& t, Wall& f) { t.bindPlane(9, 4, f.client("A")); },
                   {"B(9,4,A)"}},
        NoticeCase{"TheClientGoesOnlyWithItsLastPlane",
                   {{1, "A", 0}, {2, "A", 1}, {3, "A", 2}},
                   [](CameraMappingTable& t, Wall&) {
                     t.unbindPlane(1);
                     t.unbindPlane(2);
                     t.unbindPlane(3);
                   },
                   {"U(1,0,A)", "U(2,1,A)", "U(3,2,A)", "C(A)"}},
        NoticeCase{"UnbindingAnEmptyPlaneSaysNothing",
                   {{1, "A", 0}},
                   [](CameraMappingTable& t, Wall&) { t.unbindPlane(2); },
                   {}},
        NoticeCase{"UnbindAllGoesUpThePlanes",
                   {{0, "A", 0}, {7, "A", 1}, {3, "B", 0}},
                   [](CameraMappingTable& t, Wall&) { t.unbindAllPlanes(); },
                   {"U(0,0,A)", "U(3,0,B)", "C(B)", "U(7,1,A)", "C(A)"}},
        NoticeCase{"CamerasAboveTheLastAreUnbound",
                   {{0, "A", 2}, {1, "A", 4}, {2, "A", 5}, {3, "A", 3}, {4, "B", 9}},
                   [](CameraMappingTable& t, Wall& f) {
                     t.unbindPlanesThatExceedsCamera(3, f.client("A"));
                   },
                   {"U(1,4,A)", "U(2,5,A)"}},
        NoticeCase{"MinusOneUnbindsEveryPlaneOfTheClient",
                   {{0, "A", 0}, {1, "B", 0}, {2, "A", 7}},
                   [](CameraMappingTable& t, Wall& f) {
                     t.unbindPlanesThatExceedsCamera(-1, f.client("A"));
                   },
                   {"U(0,0,A)", "U(2,7,A)", "C(A)"}},
        NoticeCase{"UnbindAllOfOneClient",
                   {{0, "A", 0}, {1, "B", 0}, {2, "A", 7}},
                   [](CameraMappingTable& t, Wall& f) {
                     t.unbindAllPlanesInNetworkClient(f.client("B"));
                   },
                   {"U(1,0,B)", "C(B)"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CameraMappingTableTest, QueriesWalkThePlanesUpward) {
  for (int64_t plane = 0; plane < 16; ++plane) given(plane, plane == 2 || plane == 9 ? "A" : "B", plane == 2 || plane == 9 ? 1 : 0);
  given(20, "A", 3);
  EXPECT_EQ(table.camerasInNetworkClient(client("A").get(), 0, 15), (std::vector<int64_t>{1, 1}));
  EXPECT_EQ(table.camerasInNetworkClient(client("A").get()), (std::vector<int64_t>{1, 1, 3}));
  EXPECT_TRUE(table.camerasInNetworkClient(client("A").get(), 15, 0).empty());
  EXPECT_EQ(table.planesByCamera(1, client("A").get()), (std::vector<int64_t>{2, 9}));
  EXPECT_TRUE(table.planesByCamera(2, client("A").get()).empty());
  EXPECT_EQ(table.planesByNetworkClient(client("A").get()), (std::vector<int64_t>{2, 9, 20}));
  EXPECT_TRUE(table.containsNetworkClient(client("B").get()));
  EXPECT_FALSE(table.containsNetworkClient(client("C").get()));
  EXPECT_EQ(table.cameraByPlane(20), 3);
  EXPECT_EQ(table.networkClientByPlane(9), client("A"));
}

TEST_F(CameraMappingTableTest, AllClientsAreDistinctInTheOrderOfTheirFirstPlane) {
  given(40, "A", 0);
  given(3, "B", 0);
  given(7, "A", 1);
  given(12, "C", 0);
  auto all = table.allNetworkClients();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0], client("B"));
  EXPECT_EQ(all[1], client("A"));
  EXPECT_EQ(all[2], client("C"));
}

TEST_F(CameraMappingTableTest, ClientsAreToldApartByIdentityNotByAddress) {
  auto first = std::make_shared<FakeClient>(unused, "A", false);
  auto second = std::make_shared<FakeClient>(unused, "A", false);
  table.bindPlane(0, 0, first);
  table.bindPlane(1, 0, second);
  EXPECT_EQ(table.allNetworkClients().size(), 2u);
  EXPECT_EQ(table.planesByNetworkClient(second.get()), (std::vector<int64_t>{1}));
}

TEST_F(CameraMappingTableTest, TheSlotHasChangedWhenTheNoticeArrives) {
  given(4, "A", 1);
  std::vector<int64_t> seen;
  delegate.onUnbound = [&](CameraMappingTable& t, int64_t plane) { seen.push_back(t.cameraByPlane(plane)); };
  delegate.onBound = [&](CameraMappingTable& t, int64_t plane) { seen.push_back(t.cameraByPlane(plane)); };
  table.bindPlane(4, 2, client("B"));  // unbound with the slot empty, then bound with the new item
  table.bindPlane(4, 3, client("B"));  // the same client: the old item is still there
  EXPECT_EQ(seen, (std::vector<int64_t>{-1, 2, 2, 3}));
}

TEST_F(CameraMappingTableTest, TheClientLivesThroughItsNoticesAndGoesAfterThem) {
  auto client = std::make_shared<FakeClient>(unused, "X", false);
  std::weak_ptr<FakeClient> weak = client;
  table.bindPlane(0, 0, client);
  client.reset();
  bool aliveInNotice = false;
  delegate.onClientUnbound = [&](CameraMappingTable&, const std::shared_ptr<LiveClientPort>&) {
    aliveInNotice = !weak.expired();
  };
  table.unbindPlane(0);
  EXPECT_TRUE(aliveInNotice);
  EXPECT_TRUE(weak.expired());
}

TEST_F(CameraMappingTableTest, ADelegateMayChangeTheTableFromItsNotices) {
  given(0, "A", 0);
  given(1, "A", 1);
  given(2, "B", 0);
  // Unbinding plane 0 also unbinds plane 2 from inside the notice; the walk reads
  // each slot afresh and finds it empty.
  delegate.onUnbound = [&](CameraMappingTable& t, int64_t plane) {
    if (plane == 0) t.unbindPlane(2);
  };
  table.unbindAllPlanes();
  EXPECT_EQ(delegate.log, (EventLog{"U(0,0,A)", "U(2,0,B)", "C(B)", "U(1,1,A)", "C(A)"}));
}

TEST(CameraMappingTableDeath, PlanesOutsideTheTableArePreconditionFailures) {
  EventLog log;
  auto client = std::make_shared<FakeClient>(log, "A", false);
  CameraMappingTable table(64);
  EXPECT_DEATH(table.bindPlane(64, 0, client), "Invalid parameter not satisfying: 0 <= plane && plane < maxPlaneCount\\(\\)");
  EXPECT_DEATH(table.unbindPlane(-1), "Invalid parameter not satisfying");
  EXPECT_DEATH(table.cameraByPlane(64), "Invalid parameter not satisfying");
  EXPECT_DEATH(table.camerasInNetworkClient(client.get(), 0, 64), "Invalid parameter not satisfying");
}

}  // namespace
}  // namespace zelvo
