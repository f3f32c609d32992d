#pragma once
// What the wall's controller asks of the video view: the selection, the page
// shown, plane painting, picture uploads and colour settings. VideoView
// implements it; controller tests use a recording fake.
//
// Main thread only, except setVideoFrame. Every painting call takes the view's
// context lock itself (the lock is recursive, so a caller may also hold it around
// several calls). Before the view's GL set-up the painting calls change nothing but
// the view's own state.
//
// The view posts the five notifications below on NotificationCenter::defaultCenter()
// with notificationObject() as the object, never while its context lock is held,
// and the drop notifications only after the drop event has returned.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Decoder/VideoDecoder.h"
#include "Network/Live/CameraInfo.h"
#include "openglkit/CameraConfiguration.h"

namespace zelvo {

// No user info.
inline const std::string VideoViewSelectedPlaneChangedNotification = "VideoViewSelectedPlaneChangedNotification";
// No user info: the layout changed, or the selection moved to another page.
inline const std::string VideoViewLayoutChangedNotification = "VideoViewLayoutChangedNotification";
// No user info: Backspace on the wall.
inline const std::string VideoViewDeleteRequestedNotification = "VideoViewDeleteRequestedNotification";
// VideoViewPlaneKey (int64_t): the plane under the drop point;
// VideoViewConnectionTargetDataKey (QByteArray): the dropped archive, unchanged.
inline const std::string VideoViewConnectionTargetDroppedNotification = "VideoViewConnectionTargetDroppedNotification";
// VideoViewPlaneSourceKey, VideoViewPlaneTargetKey (int64_t): the planes.
inline const std::string VideoViewPlaneDraggedNotification = "VideoViewPlaneDraggedNotification";

inline const std::string VideoViewPlaneKey = "VideoViewPlaneKey";
inline const std::string VideoViewConnectionTargetDataKey = "VideoViewConnectionTargetDataKey";
inline const std::string VideoViewPlaneSourceKey = "VideoViewPlaneSourceKey";
inline const std::string VideoViewPlaneTargetKey = "VideoViewPlaneTargetKey";

// The drag type the controller registers on the view; nothing writes it.
inline constexpr char SitePasteBoard[] = "SitePasteBoard";

class VideoViewPort {
 public:
  virtual ~VideoViewPort() = default;

  // The object of the view's notifications.
  virtual const void* notificationObject() const = 0;

  // Accepts drops of these formats too (in addition to the view's own).
  virtual void registerForDraggedTypes(const QStringList& types) = 0;

  // Selection (0 to 63); setting it may post the selection and layout notifications.
  virtual int64_t selectedPlane() const = 0;
  virtual void setSelectedPlane(int64_t plane) = 0;

  // The page shown: its first and last plane, both included.
  virtual int64_t firstPlaneInCurrentLayout() const = 0;
  virtual int64_t lastPlaneInCurrentLayout() const = 0;

  // The context lock (recursive).
  virtual void lockGLContext() = 0;
  virtual void unlockGLContext() = 0;

  // Plane painting from camera information: the background by status and covert
  // level, the title and the PTZ mark. The two-argument form repaints everything;
  // the typed form repaints the background only for update types 3 and 4.
  virtual void updatePlane(int64_t plane, const CameraInfo& info) = 0;
  virtual void updatePlane(int64_t plane, const CameraInfo& info, int typeUpdated) = 0;
  // Clears the picture; with gradient the disconnected gradient, with title the
  // plane's default title ("%d" of plane + 1); the PTZ mark is always hidden.
  virtual void clearPlanes(const std::vector<int64_t>& planes, bool withGradient, bool includingTitle) = 0;
  virtual void clearPlane(int64_t plane, bool withGradient, bool includingTitle) = 0;

  // Hands the decoded picture to the plane, horizontal scale 1.0: any thread (a
  // decoding queue), no wait and no GL. The view keeps a reference to the decoder's
  // buffers (or a copy) until it has drawn it; a newer picture for the same plane
  // replaces one not yet drawn.
  virtual void setVideoFrame(const DecodedVideoFrame& frame, int64_t plane, float verticalScale) = 0;
  // Main thread: told after a render with the planes whose new pictures it drew
  // (at most once per render, fewer when the main thread is busy). Empty: nobody.
  using PicturesShownHandler = std::function<void(const std::vector<int64_t>& planes)>;
  virtual void setPicturesShownHandler(PicturesShownHandler handler) { (void)handler; }

  // Colour settings of one plane; resetting sets all four to 0.0.
  virtual void setCameraConfiguration(const CameraConfiguration& configuration, int64_t plane) = 0;
  virtual CameraConfiguration getCameraConfigurationFromPlane(int64_t plane) = 0;
  virtual void resetCameraConfiguration(int64_t plane) = 0;

  virtual void setKeepAspectRatio(bool keep) = 0;
};

// Holds the view's context lock for a scope.
class VideoViewContextLock {
 public:
  explicit VideoViewContextLock(VideoViewPort& view) : view_(view) { view_.lockGLContext(); }
  ~VideoViewContextLock() { view_.unlockGLContext(); }
  VideoViewContextLock(const VideoViewContextLock&) = delete;
  VideoViewContextLock& operator=(const VideoViewContextLock&) = delete;

 private:
  VideoViewPort& view_;
};

}  // namespace zelvo
