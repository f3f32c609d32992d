#pragma once
// What the video wall's view asks of its controller, and the notifications the view
// posts for it. The view only reads: every answer reflects the controller's table at
// the moment of the call. Called on the main thread, never with the view's GL context
// locked by a caller that expects the controller to paint back into the view.

#include <cstdint>
#include <memory>
#include <optional>

#include "Network/Live/CameraInfo.h"
#include "ViewControllers/SiteInfo.h"

namespace zelvo {

class VideoViewControllerQueries {
 public:
  virtual ~VideoViewControllerQueries() = default;

  // networkClientForPlane: is not none (the plane is bound to a camera of some client).
  virtual bool hasNetworkClientForPlane(int64_t plane) const = 0;
  // cameraForPlane: the plane's camera index, or -1 when unbound.
  virtual int64_t cameraForPlane(int64_t plane) const = 0;
  // siteInfoForPlane: the last of the plane's client's attachments, or null.
  virtual std::shared_ptr<SiteInfo> siteInfoForPlane(int64_t plane) const = 0;
  // The entry of the plane's client's cameraInfoArray for the plane's camera; none when
  // the plane is unbound or the client has no such entry (no camera table yet, or a
  // shorter one).
  virtual std::optional<CameraInfo> cameraInfoForPlane(int64_t plane) const = 0;
};

// Posted by the view through NotificationCenter::defaultCenter() with the view
// (VideoView*, as const void*) as object, on the main thread, never from inside the
// platform's drag loop and never with the GL context lock held.
inline constexpr char VideoViewSelectedPlaneChangedNotification[] = "VideoViewSelectedPlaneChangedNotification";
inline constexpr char VideoViewLayoutChangedNotification[] = "VideoViewLayoutChangedNotification";
inline constexpr char VideoViewDeleteRequestedNotification[] = "VideoViewDeleteRequestedNotification";
// User info: VideoViewPlaneKey (int64_t), VideoViewConnectionTargetDataKey (QByteArray,
// the archive exactly as dropped).
inline constexpr char VideoViewConnectionTargetDroppedNotification[] = "VideoViewConnectionTargetDroppedNotification";
// User info: VideoViewPlaneSourceKey, VideoViewPlaneTargetKey (int64_t each).
inline constexpr char VideoViewPlaneDraggedNotification[] = "VideoViewPlaneDraggedNotification";

inline constexpr char VideoViewPlaneKey[] = "VideoViewPlaneKey";
inline constexpr char VideoViewConnectionTargetDataKey[] = "VideoViewConnectionTargetDataKey";
inline constexpr char VideoViewPlaneSourceKey[] = "VideoViewPlaneSourceKey";
inline constexpr char VideoViewPlaneTargetKey[] = "VideoViewPlaneTargetKey";

// The drag type the controller registers on the view; nothing writes it.
inline constexpr char SitePasteBoard[] = "SitePasteBoard";

}  // namespace zelvo
