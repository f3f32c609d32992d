#pragma once
// The video wall on screen: one widget that hosts the rendering kit's Screen with 64
// planes, shows one page of them in one of eight square layouts, keeps the selected
// plane, answers keys, clicks and drags, and paints each plane from what its controller
// hands it.
//
// The wall draws on a render thread of its own, once per display refresh (paced by the
// view: swaps are not paced everywhere, Xvfb), with an OpenGL context of its own on an
// off-screen surface, and reads each finished frame back into one of three images. The
// GUI thread makes no OpenGL call at all: the widget is a plain raster widget whose
// paintEvent paints the newest finished image. (A GL widget would make the whole
// window composed through OpenGL on the GUI thread, and a software driver, llvmpipe,
// runs every context's drawing through one queue: the GUI thread then waited behind
// the wall's drawing, and so did every frame that passed through it.) Pictures reach
// the render thread through one newest-picture slot per plane (VideoViewPictureSlots),
// from any thread and without a wait; the render thread uploads what is new at each
// turn into the planes' textures, then draws.
//
// The Screen is shared by the two threads under the view's context lock: the render
// thread holds it for a turn's uploads and drawing commands (not while the GPU
// finishes), the GUI thread for its state changes, which are CPU work only. Snapshots
// and drag images are rendered on the render thread at the GUI's request. Notifications
// are posted with the lock released. Before the GL set-up, at the view's first paint (or
// when the Screen failed to set up, which leaves the view painted black), calls change
// only the view's own state.

#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <QSurfaceFormat>
#include <QWidget>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Foundation/NotificationCenter.h"
#include "ViewControllers/Wall/VideoViewControllerQueries.h"
#include "ViewControllers/Wall/VideoViewDropRules.h"
#include "ViewControllers/Wall/VideoViewGLLock.h"
#include "ViewControllers/Wall/VideoViewLayout.h"
#include "ViewControllers/Wall/VideoViewPictureSlots.h"
#include "ViewControllers/Wall/VideoViewPort.h"
#include "ViewControllers/Wall/VideoViewPreferences.h"
#include "ViewControllers/Wall/VideoViewScreen.h"
#include "openglkit/Gradient.h"
#include "openglkit/ScreenDelegate.h"

class QOffscreenSurface;
class QOpenGLContext;
class QThread;

namespace zelvo {

class VideoView : public QWidget, public VideoViewPort, public ScreenDelegate {
  Q_OBJECT
 public:
  // The render thread's context: compatibility profile (the kit's shaders need it).
  static QSurfaceFormat defaultPixelFormat();

  // The wall of a form: made with its parent alone, its Screen from the kit's unless
  // another factory is given before the view is first painted.
  explicit VideoView(QWidget* parent = nullptr);
  ~VideoView() override;

  // What makes the Screen at the first paint; given before then (the Screen is made once).
  void setScreenFactory(VideoViewScreenFactory factory);

  // Not owned; both may be null (then no plane counts as bound, nothing can be
  // snapshotted, and the aspect preference is off).
  void setControllerQueries(const VideoViewControllerQueries* queries) { queries_ = queries; }
  void setPreferences(const VideoViewPreferences* preferences) { preferences_ = preferences; }

  // VideoViewPort
  const void* notificationObject() const override { return static_cast<const VideoViewPort*>(this); }
  void registerForDraggedTypes(const QStringList& types) override;
  int64_t selectedPlane() const override { return pages_.selectedPlane(); }
  void setSelectedPlane(int64_t plane) override;
  int64_t firstPlaneInCurrentLayout() const override { return pages_.firstPlaneInCurrentLayout(); }
  int64_t lastPlaneInCurrentLayout() const override { return pages_.lastPlaneInCurrentLayout(); }
  void lockGLContext() override { glLock_.lock(); }
  void unlockGLContext() override { glLock_.unlock(); }
  void updatePlane(int64_t plane, const CameraInfo& info) override { updatePlane(plane, info, 0, true); }
  void updatePlane(int64_t plane, const CameraInfo& info, int typeUpdated) override {
    updatePlane(plane, info, typeUpdated, false);
  }
  void clearPlanes(const std::vector<int64_t>& planes, bool withGradient, bool includingTitle) override;
  void clearPlane(int64_t plane, bool withGradient, bool includingTitle) override {
    clearPlanes({plane}, withGradient, includingTitle);
  }
  void setVideoFrame(const DecodedVideoFrame& frame, int64_t plane, float verticalScale) override;
  void setPicturesShownHandler(PicturesShownHandler handler) override { picturesShown_ = std::move(handler); }
  void setCameraConfiguration(const CameraConfiguration& configuration, int64_t plane) override;
  CameraConfiguration getCameraConfigurationFromPlane(int64_t plane) override;
  void resetCameraConfiguration(int64_t plane) override { setCameraConfiguration(CameraConfiguration{}, plane); }
  void setKeepAspectRatio(bool keep) override;

  // Painting.
  void updatePlane(int64_t plane, const CameraInfo& info, int typeUpdated, bool force);
  void setVideoFrame(const DecodedVideoFrame& frame, int64_t plane) { setVideoFrame(frame, plane, 1.0f); }
  void clearAllPlanes();
  void setCameraConfigurationToSelectedPlane(const CameraConfiguration& configuration) {
    setCameraConfiguration(configuration, selectedPlane());
  }
  CameraConfiguration getCameraConfigurationFromSelectedPlane() {
    return getCameraConfigurationFromPlane(selectedPlane());
  }
  static QString defaultTitleOfPlane(int64_t plane);

  // Layout and pages.
  VideoViewLayout layout() const { return pages_.layout(); }
  void setLayout(VideoViewLayout layout);
  int planeCountPerOnRowOfCurrentLayout() const { return pages_.planeCountPerOnRowOfCurrentLayout(); }
  int64_t planeCountInCurrentLayout() const { return pages_.planeCountInCurrentLayout(); }
  int64_t layoutOrder() const { return pages_.layoutOrder(); }
  std::vector<int64_t> visiblePlanes() const { return pages_.visiblePlanes(); }
  void toggleFullLayout();
  bool canChangeToPreviousLayout() const { return pages_.canChangeToPreviousLayout(); }
  void changeToPreviousLayout();
  bool canChangeToNextLayout() const { return pages_.canChangeToNextLayout(); }
  void changeToNextLayout() { changeToNextLayoutWithRotation(false, false); }
  void changeToNextLayoutWithRotation(bool rotation, bool ignoreUnboundPlanes);
  const VideoViewPages& pages() const { return pages_; }
  // In the widget's own (logical) coordinates; -1 and an empty rectangle over no plane.
  int64_t planeAtPoint(QPointF point) const { return pages_.planeAtPoint(point, QSizeF(size())); }
  QRectF planeBoundsAtPoint(QPointF point) const { return pages_.planeBoundsAtPoint(point, QSizeF(size())); }

  // Key actions.
  void moveLeft();
  void moveRight();
  void moveUp();
  void moveDown();
  void performDelete();

  // Snapshots and copy.
  bool canPlaneSnapshotTaken(int64_t plane) const;
  // Whether the Edit menu's Copy is enabled.
  bool canCopy() const { return canPlaneSnapshotTaken(selectedPlane()); }
  void copy();
  // Where snapshots go (a private folder by default).
  void setSnapshotFolder(QString folder) { snapshotFolder_ = std::move(folder); }
  QString snapshotFolder() const;
  // The clock of snapshot names (local time).
  void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
  const std::optional<QString>& snapshotName() const { return snapshotName_; }
  bool holdsSnapshot() const { return !planeSnapshot_.isNull(); }

  // The five gradients.
  static Gradient inactiveGradient();
  static Gradient videoLossGradient();
  static Gradient disconnectedGradient();
  static Gradient focusedRingGradient();
  static Gradient unfocusedRingGradient();

  // A plane's image, rendered on the render thread (the GUI thread waits for that one
  // turn): asShown, its tile as last drawn; otherwise the plane alone at its picture's
  // size. None when the plane is not on the shown page or there is no Screen.
  std::optional<RgbaImage> imageOfPlane(int64_t plane, bool asShown);
  // The black tile of a plane that cannot be snapshotted, for its drag.
  std::optional<RgbaImage> dragImageOfPlane(int64_t plane);

  // State for the host and tests.
  bool hasScreen() const { return screen_ != nullptr; }
  // Only with the context lock held (the render thread uses it too).
  VideoViewScreen* screenForTesting() { return screen_.get(); }
  bool isDragging() const { return dragging_; }
  // Renders so far (on the render thread; without a Screen, the GUI's black paints).
  int renderCount() const { return renders_.load() + blackPaints_; }
  // The newest finished frame, at the view's size in device pixels (null before the
  // first): what the next paint shows.
  QImage newestFrame();
  // The pacing period in milliseconds (one display refresh).
  double refreshPeriodMs() const;
  QStringList registeredDraggedTypes() const { return draggedTypes_; }
  const VideoViewPictureSlots& pictureSlots() const { return slots_; }
  // Pictures replaced in their slot before the render thread drew them.
  uint64_t skippedPictures() const { return slots_.skipped(); }
  // Whether the render thread runs (a Screen set up on a context).
  bool rendersOnItsOwnThread() const { return renderThread_ != nullptr; }
  // Of the render thread's turns so far: the longest it held the context lock.
  double longestLockHoldMs() const { return longestLockHoldUs_.load() / 1000.0; }

  // ScreenDelegate: nothing; redraws come from the refresh pacing. Any thread.
  void screenUpdated() override {}

 signals:
  // After the drag that this view started has ended (QDrag::exec returned).
  void planeDragFinished();
  // A frame of the render thread's has been painted into the window.
  void frameShown();

 protected:
  // The render thread, for a measuring subclass: as a turn takes the planes' new
  // pictures (with the context lock held), and once its frame is finished and handed
  // to the GUI thread for showing.
  virtual void renderWillTakePictures() {}
  virtual void renderDidFinish() {}

  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Runs fn with the context current and the Screen present; otherwise nothing.
  template <typename Fn>
  void withScreen(Fn&& fn) {
    VideoViewGLLocker locker(glLock_);
    if (locker.usable() && screen_) fn(*screen_);
  }
  void apply(const VideoViewChange& change);
  void post(const std::string& name, UserInfo userInfo = {});
  void setUpScreen();
  void destroyScreen();
  bool isBound(int64_t plane) const;
  std::function<bool(int64_t)> boundQuery() const;
  void noteTargetSize();

  // The render thread.
  struct ImageRequest;
  void startRenderThread();
  void stopRenderThread();
  void renderLoop();
  void renderTurn(float time);
  int freeFrame();
  void allocateTarget(int width, int height);
  void readBack(int index, int width, int height);
  void answer(ImageRequest& request);
  std::optional<RgbaImage> requestImage(int64_t plane, int kind);
  void deliverPicturesShown();
  // Under the lock.
  void takeSnapshot(int64_t plane);
  void removePreviousTempSnapshotFile();
  void cleanupSnapshot() { planeSnapshot_ = QImage(); }
  QString snapshotTitleOfPlane(int64_t plane) const;
  void startPlaneDrag(QPointF point);
  void updateDropHighlight(const VideoViewDragContents& contents, QPointF point);
  void hideHighlight();
  void deliverDrop(const VideoViewDrop& drop);
  void flushPendingDrops();

  VideoViewScreenFactory screenFactory_;
  // Made and destroyed on the GUI thread while no render thread runs; in between used
  // by both under glLock_.
  std::unique_ptr<VideoViewScreen> screen_;
  VideoViewGLLock glLock_;
  VideoViewPictureSlots slots_;
  PicturesShownHandler picturesShown_;
  VideoViewPages pages_;
  const VideoViewControllerQueries* queries_ = nullptr;
  const VideoViewPreferences* preferences_ = nullptr;
  QStringList draggedTypes_;

  // The set-up is tried once, at the first paint: a wall whose GL did not set up
  // stays black.
  bool setUpTried_ = false;
  bool dragging_ = false;
  bool ownDragRunning_ = false;
  QPointF pressPoint_;
  std::deque<VideoViewDrop> pendingDrops_;

  QImage planeSnapshot_;
  std::optional<QString> snapshotName_;
  // Where the last snapshot's file is (or would be) written.
  QString snapshotPath_;
  // The file of the last copy, which the clipboard offers.
  QString clipboardSnapshotPath_;
  QString snapshotFolder_;
  std::function<QDateTime()> clock_;

  QElapsedTimer sinceStart_;

  // The render side: its context, the off-screen surface it is current on, the thread,
  // the framebuffer it draws into, and three images its frames are read back into.
  std::unique_ptr<QOpenGLContext> renderContext_;
  std::unique_ptr<QOffscreenSurface> renderSurface_;
  std::unique_ptr<QThread> renderThread_;
  unsigned renderFramebuffer_ = 0;
  unsigned renderTexture_ = 0;
  int targetTextureWidth_ = 0, targetTextureHeight_ = 0;
  static constexpr int FrameCount = 3;
  // The render thread writes only a frame that is neither published nor in use; the
  // GUI reads only the one it has marked in use.
  std::array<QImage, FrameCount> frames_{};
  // The newest finished frame and the one the GUI paints from (-1: none).
  std::mutex frameMutex_;
  int published_ = -1;
  int inUse_ = -1;

  std::mutex controlMutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool loopEnded_ = false;
  // A frame was handed to the GUI thread and no paint has taken it yet.
  bool awaitingPaint_ = false;
  static constexpr std::chrono::milliseconds MaxPaintWait{100};
  std::deque<std::shared_ptr<ImageRequest>> requests_;

  std::atomic<int> targetWidth_{0};
  std::atomic<int> targetHeight_{0};
  std::atomic<double> targetRatio_{1.0};
  std::atomic<double> periodMs_{1000.0 / 60.0};
  std::atomic<int> renders_{0};
  std::atomic<bool> updatePosted_{false};
  std::atomic<int64_t> longestLockHoldUs_{0};
  int blackPaints_ = 0;

  // Planes drawn with a new picture since the last hand-over to the main thread.
  std::mutex shownMutex_;
  std::vector<bool> shown_;
  bool shownPosted_ = false;
};

}  // namespace zelvo
