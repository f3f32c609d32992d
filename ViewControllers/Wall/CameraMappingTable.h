#pragma once
// Which camera of which recorder connection each plane of the wall shows. Every
// change is reported to one delegate, which does the painting, the masks and the
// disconnecting; the table itself only keeps the record. Main thread only.
//
// Clients are compared by identity. The delegate may call back into the table
// from its notices: the slot has already changed when a notice arrives, and the
// client stays alive through every notice about it.

#include <cstdint>
#include <memory>
#include <vector>

#include "ViewControllers/Wall/LiveClientPort.h"

namespace zelvo {

struct CameraMappingTableItem {
  CameraMappingTableItem(std::shared_ptr<LiveClientPort> client, int64_t cameraIndex)
      : networkClient(std::move(client)), camera(cameraIndex) {}
  static std::shared_ptr<const CameraMappingTableItem> itemWithNetworkClient(std::shared_ptr<LiveClientPort> client,
                                                                            int64_t camera) {
    return std::make_shared<const CameraMappingTableItem>(std::move(client), camera);
  }

  const std::shared_ptr<LiveClientPort> networkClient;
  const int64_t camera;
};

class CameraMappingTable;

class CameraMappingTableDelegate {
 public:
  virtual ~CameraMappingTableDelegate() = default;
  // After the item was stored in the slot.
  virtual void cameraMappingTableBoundPlane(CameraMappingTable& table, int64_t plane, int64_t camera,
                                            const std::shared_ptr<LiveClientPort>& client) = 0;
  // After the plane lost that camera of that client (or, when the same client is
  // bound again, just before its slot is replaced).
  virtual void cameraMappingTableUnboundPlane(CameraMappingTable& table, int64_t plane, int64_t camera,
                                              const std::shared_ptr<LiveClientPort>& client) = 0;
  // After the last plane of the client was emptied.
  virtual void cameraMappingTableUnboundNetworkClient(CameraMappingTable& table,
                                                      const std::shared_ptr<LiveClientPort>& client) = 0;
};

class CameraMappingTable {
 public:
  // An empty slot holds null.
  using Slots = std::vector<std::shared_ptr<const CameraMappingTableItem>>;

  // All slots empty; a count below 1 gives a table without slots.
  explicit CameraMappingTable(int64_t maxPlaneCount);
  // Lets every item go, without notices.
  ~CameraMappingTable() = default;
  CameraMappingTable(const CameraMappingTable&) = delete;
  CameraMappingTable& operator=(const CameraMappingTable&) = delete;

  int64_t maxPlaneCount() const { return static_cast<int64_t>(table_.size()); }
  CameraMappingTableDelegate* delegate() const { return delegate_; }
  void setDelegate(CameraMappingTableDelegate* delegate) { delegate_ = delegate; }

  // Planes outside 0 .. maxPlaneCount - 1 are precondition failures, here and in
  // every query taking a plane.
  void bindPlane(int64_t plane, int64_t camera, const std::shared_ptr<LiveClientPort>& client);
  void unbindPlane(int64_t plane);
  // Each of these unbinds plane by plane in ascending order.
  void unbindAllPlanes();
  void unbindAllPlanesInNetworkClient(const std::shared_ptr<LiveClientPort>& client);
  // The client's planes whose camera is greater than the given one (-1: all of them).
  void unbindPlanesThatExceedsCamera(int64_t camera, const std::shared_ptr<LiveClientPort>& client);

  // Ascending plane numbers.
  std::vector<int64_t> planesByCamera(int64_t camera, const LiveClientPort* client) const;
  std::vector<int64_t> planesByNetworkClient(const LiveClientPort* client) const;
  // The cameras of the client's items on first .. last (both included), in plane
  // order, duplicates kept; empty when first > last.
  std::vector<int64_t> camerasInNetworkClient(const LiveClientPort* client, int64_t firstPlane,
                                              int64_t lastPlane) const;
  std::vector<int64_t> camerasInNetworkClient(const LiveClientPort* client) const;
  bool containsNetworkClient(const LiveClientPort* client) const;
  // Distinct clients, in the order of their first plane.
  std::vector<std::shared_ptr<LiveClientPort>> allNetworkClients() const;

  std::shared_ptr<const CameraMappingTableItem> itemByPlane(int64_t plane) const;
  std::shared_ptr<LiveClientPort> networkClientByPlane(int64_t plane) const;
  // -1 when the plane is unbound.
  int64_t cameraByPlane(int64_t plane) const;
  const Slots& mappingTable() const { return table_; }

 private:
  Slots table_;
  CameraMappingTableDelegate* delegate_ = nullptr;
};

}  // namespace zelvo
