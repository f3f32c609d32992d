#include "ViewControllers/Wall/VideoViewDropRules.h"

#include <QCborValue>

#include <algorithm>

#include "ViewControllers/Store/ConnectionTarget.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/Wall/VideoViewLayout.h"

namespace zelvo {

QByteArray planeDraggedData(int64_t plane) { return QCborValue(static_cast<qint64>(plane)).toCbor(); }

bool offeredByAnotherProcess(const QMimeData* data) { return data && data->inherits("QInternalMimeData"); }

VideoViewDragContents VideoViewDragContents::of(const QMimeData* data, bool fromThisProcess) {
  return of(data, fromThisProcess, !fromThisProcess && offeredByAnotherProcess(data));
}

VideoViewDragContents VideoViewDragContents::of(const QMimeData* data, bool fromThisProcess,
                                                bool targetFromAnotherProcess) {
  VideoViewDragContents contents;
  if (!data) return contents;
  if (fromThisProcess && data->hasFormat(PasteBoardTypePlaneDragged)) {
    contents.hasPlaneType = true;
    const QCborValue value = QCborValue::fromCbor(data->data(PasteBoardTypePlaneDragged));
    if (value.isInteger() && value.toInteger() >= 0 && value.toInteger() < VideoViewPlaneCount)
      contents.planeSource = value.toInteger();
  }
  if (data->hasFormat(PasteBoardTypeConnectionTarget)) {
    const QByteArray archive = data->data(PasteBoardTypeConnectionTarget);
    contents.connectionTarget =
        targetFromAnotherProcess ? strangerConnectionTarget(archive) : std::optional<QByteArray>(archive);
  }
  return contents;
}

std::optional<QByteArray> strangerConnectionTarget(const QByteArray& archive) {
  const std::shared_ptr<ConnectionTarget> target = unarchiveConnectionTarget(archive);
  auto* site = dynamic_cast<SiteInfo*>(target.get());
  if (!site) return std::nullopt;
  site->setAutoLogin(false);
  site->setUser(std::nullopt);
  site->setPassword(std::nullopt);
  site->setAutoDetect(false);
  site->setSiteID(std::nullopt);
  return archivedDataWithRootObject(*site);
}

Qt::DropActions dragOperationSupported(Qt::DropActions sourceActions, const VideoViewDragContents& contents) {
  Qt::DropActions wanted;
  if (contents.hasPlaneType) wanted |= Qt::MoveAction;
  if (contents.connectionTarget) wanted |= Qt::CopyAction;
  return sourceActions & wanted;
}

bool prepareForDragOperation(const VideoViewDragContents& contents, int64_t planeUnderPoint,
                             const std::function<bool(int64_t)>& isBound) {
  if (planeUnderPoint < 0) return false;
  if (!contents.hasPlaneType) return true;
  if (!contents.planeSource || *contents.planeSource == planeUnderPoint) return false;
  return isBound && isBound(*contents.planeSource);
}

std::vector<int64_t> dropHighlight(const VideoViewDragContents& contents, int64_t planeUnderPoint,
                                   int64_t firstPlaneOfPage, int64_t lastPlaneOfPage,
                                   const std::function<bool(int64_t)>& isBound) {
  if (!prepareForDragOperation(contents, planeUnderPoint, isBound)) return {};
  if (contents.hasPlaneType) return {planeUnderPoint};
  if (!contents.connectionTarget) return {};
  const std::shared_ptr<ConnectionTarget> target = unarchiveConnectionTarget(*contents.connectionTarget);
  if (!target) return {};
  std::vector<int64_t> planes;
  if (target->type() == ConnectionTargetTypeFavorite) {
    for (int64_t plane = firstPlaneOfPage; plane <= lastPlaneOfPage; ++plane) planes.push_back(plane);
    return planes;
  }
  const auto* site = dynamic_cast<const SiteInfo*>(target.get());
  if (!site) return {};
  if (site->index().value_or(0) > 0) return {planeUnderPoint};
  const int64_t count = site->cameraCount().value_or(0);
  if (count < 1) return {};
  const int64_t last = std::min(lastPlaneOfPage, planeUnderPoint + count - 1);
  for (int64_t plane = planeUnderPoint; plane <= last; ++plane) planes.push_back(plane);
  return planes;
}

VideoViewDrop performDragOperation(const VideoViewDragContents& contents, int64_t planeUnderPoint,
                                   const std::function<bool(int64_t)>& isBound) {
  if (!prepareForDragOperation(contents, planeUnderPoint, isBound)) return {};
  if (contents.connectionTarget) return {VideoViewDrop::ConnectionTarget, planeUnderPoint, -1, *contents.connectionTarget};
  if (contents.planeSource) return {VideoViewDrop::PlaneDragged, planeUnderPoint, *contents.planeSource, {}};
  return {};
}

SiteTargetCameras camerasOfSiteTarget(const SiteInfo& site) {
  if (site.index().value_or(0) >= 1) return {*site.index() - 1, 1};
  return {0, std::max<int64_t>(0, site.cameraCount().value_or(0))};
}

}  // namespace zelvo
