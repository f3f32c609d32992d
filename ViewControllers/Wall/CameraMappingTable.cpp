#include "ViewControllers/Wall/CameraMappingTable.h"

#include <algorithm>

#include "Foundation/Assert.h"

namespace zelvo {

CameraMappingTable::CameraMappingTable(int64_t maxPlaneCount)
    : table_(static_cast<size_t>(std::max<int64_t>(maxPlaneCount, 0))) {}

void CameraMappingTable::bindPlane(int64_t plane, int64_t camera, const std::shared_ptr<LiveClientPort>& client) {
  ZELVO_PRECONDITION(0 <= plane && plane < maxPlaneCount());
  ZELVO_PRECONDITION(client != nullptr);
  // Held until the end: the client's last plane may be the one being replaced.
  std::shared_ptr<LiveClientPort> held = client;
  std::shared_ptr<const CameraMappingTableItem> current = table_[static_cast<size_t>(plane)];
  if (current && current->networkClient == client) {
    // The client keeps this plane: no emptying, so no client-unbound notice (that
    // would disconnect the very recorder being bound again).
    if (delegate_) delegate_->cameraMappingTableUnboundPlane(*this, plane, current->camera, current->networkClient);
  } else {
    unbindPlane(plane);
  }
  table_[static_cast<size_t>(plane)] = CameraMappingTableItem::itemWithNetworkClient(held, camera);
  if (delegate_) delegate_->cameraMappingTableBoundPlane(*this, plane, camera, held);
}

void CameraMappingTable::unbindPlane(int64_t plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < maxPlaneCount());
  // Held through the notices, so the client outlives them.
  std::shared_ptr<const CameraMappingTableItem> item = table_[static_cast<size_t>(plane)];
  if (!item) return;
  table_[static_cast<size_t>(plane)] = nullptr;
  if (delegate_) delegate_->cameraMappingTableUnboundPlane(*this, plane, item->camera, item->networkClient);
  if (!containsNetworkClient(item->networkClient.get()) && delegate_)
    delegate_->cameraMappingTableUnboundNetworkClient(*this, item->networkClient);
}

void CameraMappingTable::unbindAllPlanes() {
  // Slot by slot, read afresh: the delegate may change the table in its notices.
  for (int64_t plane = 0; plane < maxPlaneCount(); ++plane) unbindPlane(plane);
}

void CameraMappingTable::unbindAllPlanesInNetworkClient(const std::shared_ptr<LiveClientPort>& client) {
  unbindPlanesThatExceedsCamera(-1, client);
}

void CameraMappingTable::unbindPlanesThatExceedsCamera(int64_t camera, const std::shared_ptr<LiveClientPort>& client) {
  std::shared_ptr<LiveClientPort> held = client;
  for (int64_t plane = 0; plane < maxPlaneCount(); ++plane) {
    const auto& item = table_[static_cast<size_t>(plane)];
    if (item && item->networkClient == held && item->camera > camera) unbindPlane(plane);
  }
}

std::vector<int64_t> CameraMappingTable::planesByCamera(int64_t camera, const LiveClientPort* client) const {
  std::vector<int64_t> planes;
  for (int64_t plane = 0; plane < maxPlaneCount(); ++plane) {
    const auto& item = table_[static_cast<size_t>(plane)];
    if (item && item->networkClient.get() == client && item->camera == camera) planes.push_back(plane);
  }
  return planes;
}

std::vector<int64_t> CameraMappingTable::planesByNetworkClient(const LiveClientPort* client) const {
  std::vector<int64_t> planes;
  for (int64_t plane = 0; plane < maxPlaneCount(); ++plane) {
    const auto& item = table_[static_cast<size_t>(plane)];
    if (item && item->networkClient.get() == client) planes.push_back(plane);
  }
  return planes;
}

std::vector<int64_t> CameraMappingTable::camerasInNetworkClient(const LiveClientPort* client, int64_t firstPlane,
                                                                int64_t lastPlane) const {
  ZELVO_PRECONDITION(0 <= firstPlane && firstPlane < maxPlaneCount());
  ZELVO_PRECONDITION(0 <= lastPlane && lastPlane < maxPlaneCount());
  std::vector<int64_t> cameras;
  for (int64_t plane = firstPlane; plane <= lastPlane; ++plane) {
    const auto& item = table_[static_cast<size_t>(plane)];
    if (item && item->networkClient.get() == client) cameras.push_back(item->camera);
  }
  return cameras;
}

std::vector<int64_t> CameraMappingTable::camerasInNetworkClient(const LiveClientPort* client) const {
  if (table_.empty()) return {};
  return camerasInNetworkClient(client, 0, maxPlaneCount() - 1);
}

bool CameraMappingTable::containsNetworkClient(const LiveClientPort* client) const {
  return std::any_of(table_.begin(), table_.end(),
                     [client](const auto& item) { return item && item->networkClient.get() == client; });
}

std::vector<std::shared_ptr<LiveClientPort>> CameraMappingTable::allNetworkClients() const {
  std::vector<std::shared_ptr<LiveClientPort>> clients;
  for (const auto& item : table_)
    if (item && std::find(clients.begin(), clients.end(), item->networkClient) == clients.end())
      clients.push_back(item->networkClient);
  return clients;
}

std::shared_ptr<const CameraMappingTableItem> CameraMappingTable::itemByPlane(int64_t plane) const {
  ZELVO_PRECONDITION(0 <= plane && plane < maxPlaneCount());
  return table_[static_cast<size_t>(plane)];
}

std::shared_ptr<LiveClientPort> CameraMappingTable::networkClientByPlane(int64_t plane) const {
  auto item = itemByPlane(plane);
  return item ? item->networkClient : nullptr;
}

int64_t CameraMappingTable::cameraByPlane(int64_t plane) const {
  auto item = itemByPlane(plane);
  return item ? item->camera : -1;
}

}  // namespace zelvo
