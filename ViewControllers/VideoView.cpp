// Before Qt's GL headers, which would take the GL headers without their prototypes.
#include "openglkit/OpenGL.h"

#include "ViewControllers/VideoView.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDrag>
#include <QFile>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QUrl>

extern "C" {
#include <libavutil/frame.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Foundation/QueuedHandOff.h"
#include "Foundation/NotificationCenter.h"
#include "ViewControllers/Wall/PlaneSnapshotFile.h"
#include "ViewControllers/Wall/SnapshotMimeData.h"
#include "openglkit/FrameBuffer.h"
#include "openglkit/OpenGL.h"
#include "openglkit/Texture.h"

namespace zelvo {

namespace {

constexpr int StartLayout = 3;

Rgba grey(float white) { return {white, white, white, 1.0f}; }

}  // namespace

Gradient VideoView::inactiveGradient() { return {grey(0.69f), grey(0.36f)}; }
Gradient VideoView::videoLossGradient() { return {{0.14f, 0.48f, 0.88f, 1.0f}, {0.11f, 0.27f, 0.83f, 1.0f}}; }
Gradient VideoView::disconnectedGradient() { return {grey(0.24f), grey(0.05f)}; }
Gradient VideoView::focusedRingGradient() { return {{0.98f, 0.87f, 0.47f, 1.0f}, {0.95f, 0.67f, 0.19f, 1.0f}}; }
Gradient VideoView::unfocusedRingGradient() { return {{0.73f, 0.78f, 0.85f, 1.0f}, {0.73f, 0.78f, 0.85f, 1.0f}}; }

QSurfaceFormat VideoView::defaultPixelFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  return format;
}

struct VideoView::ImageRequest {
  int plane = 0;
  enum Kind { Own, Shown, Drag } kind = Own;
  std::promise<std::optional<RgbaImage>> result;
};

VideoView::VideoView(QWidget* parent)
    : QWidget(parent),
      screenFactory_(makeKitVideoViewScreen),
      glLock_([this] { return screen_ != nullptr; }),
      slots_(static_cast<int>(VideoViewPlaneCount)),
      clock_([] { return QDateTime::currentDateTime(); }),
      shown_(static_cast<size_t>(VideoViewPlaneCount), false) {
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  // Every paint covers the whole view with a frame (or black).
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // The view's own drag types; the controller adds its own.
  draggedTypes_ = {QString::fromLatin1(PasteBoardTypeConnectionTarget), QString::fromLatin1(PasteBoardTypePlaneDragged)};
  sinceStart_.start();
}

VideoView::~VideoView() { destroyScreen(); }

void VideoView::setScreenFactory(VideoViewScreenFactory factory) {
  ZELVO_PRECONDITION(factory != nullptr && !setUpTried_);
  screenFactory_ = std::move(factory);
}

void VideoView::destroyScreen() {
  stopRenderThread();
  if (screen_ || renderContext_) {
    if (renderContext_ && renderSurface_ && renderContext_->makeCurrent(renderSurface_.get())) {
      if (renderFramebuffer_) glDeleteFramebuffers(1, &renderFramebuffer_);
      if (renderTexture_) glDeleteTextures(1, &renderTexture_);
      FrameBuffer::setDefaultFramebuffer(0);
      screen_.reset();
      renderContext_->doneCurrent();
    } else {
      // Without a context nothing GL can be freed any more; the objects go with it.
      (void)screen_.release();
    }
    renderFramebuffer_ = renderTexture_ = 0;
    targetTextureWidth_ = targetTextureHeight_ = 0;
    renderContext_.reset();
    renderSurface_.reset();
  }
  std::lock_guard lock(frameMutex_);
  published_ = inUse_ = -1;
  frames_ = {};
}

void VideoView::registerForDraggedTypes(const QStringList& types) {
  for (const QString& type : types)
    if (!draggedTypes_.contains(type)) draggedTypes_.append(type);
}

// --- GL set-up ---

void VideoView::noteTargetSize() {
  const double ratio = devicePixelRatioF();
  targetRatio_ = ratio;
  targetWidth_ = static_cast<int>(width() * ratio);
  targetHeight_ = static_cast<int>(height() * ratio);
}

void VideoView::setUpScreen() {
  setUpTried_ = true;
  noteTargetSize();
  // The render thread's context, set up here (the surface must be made on the GUI
  // thread) and then handed to that thread.
  auto surface = std::make_unique<QOffscreenSurface>();
  surface->setFormat(defaultPixelFormat());
  surface->create();
  auto renderContext = std::make_unique<QOpenGLContext>();
  renderContext->setFormat(defaultPixelFormat());
  std::unique_ptr<VideoViewScreen> screen;
  if (surface->isValid() && renderContext->create() && renderContext->makeCurrent(surface.get())) {
    FrameBuffer::setDefaultFramebuffer(0);
    screen = screenFactory_(static_cast<int>(VideoViewPlaneCount), this);
    if (screen && screen->init(static_cast<float>(targetWidth_.load()), static_cast<float>(targetHeight_.load()))) {
      glGenFramebuffers(1, &renderFramebuffer_);
    } else {
      screen.reset();
    }
    renderContext->doneCurrent();
  }
  if (!screen) {
    zelvoLog("VideoView: the wall's screen did not set up; the view stays black");
    update();
    return;
  }
  screen_ = std::move(screen);
  renderContext_ = std::move(renderContext);
  renderSurface_ = std::move(surface);
  setSelectedPlane(0);
  setLayout(StartLayout);
  bool keep = false;
  if (preferences_) {
    const QVariant value = preferences_->preferenceValueForKey(PreferenceAspectRatioKey);
    bool ok = false;
    keep = value.isValid() && value.toInt(&ok) == 1 && ok;
  }
  withScreen([&](VideoViewScreen& s) {
    s.setKeepAspectRatio(keep);
    s.setSelectionGradient(hasFocus() ? focusedRingGradient() : unfocusedRingGradient());
    // The page may have been chosen before the set-up: show what the view holds.
    s.setLayout(static_cast<int>(pages_.selectedPlane()), pages_.planeCountPerOnRowOfCurrentLayout());
  });
  startRenderThread();
}

double VideoView::refreshPeriodMs() const {
  const QScreen* display = screen();
  const double rate = display ? display->refreshRate() : 0.0;
  return 1000.0 / (rate >= 1.0 ? rate : 60.0);
}

void VideoView::resizeEvent(QResizeEvent* event) {
  noteTargetSize();
  QWidget::resizeEvent(event);
}

// --- the render thread ---

void VideoView::startRenderThread() {
  ZELVO_PRECONDITION(renderContext_ && screen_ && !renderThread_);
  {
    std::lock_guard lock(controlMutex_);
    stop_ = false;
    loopEnded_ = false;
  }
  periodMs_ = refreshPeriodMs();
  renderThread_.reset(QThread::create([this] {
    renderLoop();
    // Told with the mutex held: once the GUI sees it, the view may go at once.
    std::lock_guard lock(controlMutex_);
    loopEnded_ = true;
    wake_.notify_all();
  }));
  renderThread_->setObjectName(QStringLiteral("wall render"));
  renderContext_->moveToThread(renderThread_.get());
  renderThread_->start();
}

void VideoView::stopRenderThread() {
  if (!renderThread_) return;
  {
    std::lock_guard lock(controlMutex_);
    stop_ = true;
  }
  wake_.notify_all();
  renderThread_->wait();
  {
    // Qt's wait is not seen by the race detector: the loop's last word, under our own
    // mutex, is what orders its last use of the context before what follows here.
    std::unique_lock lock(controlMutex_);
    wake_.wait(lock, [&] { return loopEnded_; });
  }
  renderThread_.reset();
  // Requests that came too late have their answer: none.
  std::deque<std::shared_ptr<ImageRequest>> left;
  {
    std::lock_guard lock(controlMutex_);
    left.swap(requests_);
  }
  for (auto& request : left) request->result.set_value(std::nullopt);
}

void VideoView::renderLoop() {
  if (!renderContext_->makeCurrent(renderSurface_.get())) {
    zelvoLog("VideoView: the render thread could not use its context; the wall stays as it is");
    renderContext_->moveToThread(QCoreApplication::instance()->thread());
    return;
  }
  using Clock = std::chrono::steady_clock;
  Clock::time_point next = Clock::now();
  for (;;) {
    {
      std::unique_lock lock(controlMutex_);
      wake_.wait_until(lock, next, [&] { return stop_ || !requests_.empty(); });
      if (stop_) break;
      // A frame that nobody sees is drawing for nothing, and software drawing takes
      // cores the decoders need: the next frame waits until the GUI thread has taken
      // the last one to paint, or for MaxPaintWait when that thread is busy elsewhere or
      // the view is hidden (then the newest pictures are drawn anyway, for the paint to
      // come). It is drawn while that one is painted: waiting for the paint to end too
      // cost a fifth of the frames.
      if (requests_.empty() && awaitingPaint_)
        wake_.wait_for(lock, MaxPaintWait, [&] { return stop_ || !requests_.empty() || !awaitingPaint_; });
      if (stop_) break;
      awaitingPaint_ = false;
    }
    const Clock::time_point start = Clock::now();
    renderTurn(static_cast<float>(sinceStart_.nsecsElapsed() / 1e9));
    // Once per refresh; a turn that took longer is followed by the next at once.
    next = start + std::chrono::microseconds(static_cast<int64_t>(periodMs_.load() * 1000.0));
  }
  glFinish();
  renderContext_->doneCurrent();
  // Back to the GUI thread, which frees what the context holds.
  renderContext_->moveToThread(QCoreApplication::instance()->thread());
}

int VideoView::freeFrame() {
  std::lock_guard lock(frameMutex_);
  for (int i = 0; i < FrameCount; ++i)
    if (i != published_ && i != inUse_) return i;
  return -1;
}

void VideoView::allocateTarget(int width, int height) {
  if (renderTexture_ && targetTextureWidth_ == width && targetTextureHeight_ == height) return;
  if (!renderTexture_) glGenTextures(1, &renderTexture_);
  // Unit 4 holds the Screen's render target for its whole life: bind elsewhere.
  Texture::activeTexture(GL_TEXTURE6);
  glBindTexture(GL_TEXTURE_2D, renderTexture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  targetTextureWidth_ = width;
  targetTextureHeight_ = height;
}

void VideoView::readBack(int index, int width, int height) {
  QImage& image = frames_[static_cast<size_t>(index)];
  if (image.width() != width || image.height() != height) image = QImage(width, height, QImage::Format_RGB32);
  if (image.isNull()) return;  // no memory for it: a black frame rather than none
  glBindFramebuffer(GL_READ_FRAMEBUFFER, renderFramebuffer_);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  // Little-endian BGRA is the image's 0xAARRGGBB, row after row; GL's rows go up.
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, image.bits());
  image = std::move(image).mirrored(false, true);
  image.setDevicePixelRatio(targetRatio_.load());
}

void VideoView::renderTurn(float time) {
  const int index = freeFrame();
  if (index < 0) return;
  std::deque<std::shared_ptr<ImageRequest>> requests;
  {
    std::lock_guard lock(controlMutex_);
    requests.swap(requests_);
  }

  std::vector<VideoViewPictureSlots::Taken> pictures;
  int width = 1, height = 1;
  {
    std::lock_guard lock(glLock_.mutex());
    const auto held = std::chrono::steady_clock::now();
    width = std::max(1, targetWidth_.load());
    height = std::max(1, targetHeight_.load());
    if (screen_->viewWidth() != static_cast<float>(width) || screen_->viewHeight() != static_cast<float>(height))
      screen_->reshape(static_cast<float>(width), static_cast<float>(height));
    allocateTarget(width, height);
    // Taken under the lock: a clear on the GUI thread drops a plane's picture and
    // clears the plane at once, so a picture put before it is never drawn after it.
    renderWillTakePictures();
    pictures = slots_.take();
    for (const VideoViewPictureSlots::Taken& taken : pictures) {
      const AVFrame* picture = taken.picture.frame.get();
      screen_->setVideoFrame(taken.plane, taken.picture.width, taken.picture.height, picture->linesize[0],
                             picture->data[0], 1.0f, taken.picture.verticalScale, picture->data[1], picture->data[2]);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, renderFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, renderTexture_, 0);
    FrameBuffer::setDefaultFramebuffer(renderFramebuffer_);
    screen_->renderIfNeeded(time);
    for (auto& request : requests) answer(*request);
    const int64_t us =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - held).count();
    if (us > longestLockHoldUs_.load()) longestLockHoldUs_ = us;
  }
  // The drawing finishes here, with the lock released: the read waits for it.
  readBack(index, width, height);
  const bool anyShown = !pictures.empty();
  {
    std::lock_guard lock(frameMutex_);
    published_ = index;
  }
  {
    std::lock_guard lock(controlMutex_);
    awaitingPaint_ = true;
  }
  ++renders_;
  renderDidFinish();
  if (!updatePosted_.exchange(true))
    invokeOnThreadOf(this, [this] {
      updatePosted_ = false;
      update();
    });
  if (anyShown) {
    bool post = false;
    {
      std::lock_guard lock(shownMutex_);
      for (const auto& taken : pictures) shown_[static_cast<size_t>(taken.plane)] = true;
      post = !shownPosted_;
      shownPosted_ = true;
    }
    if (post) invokeOnThreadOf(this, [this] { deliverPicturesShown(); });
  }
  // The pictures' buffers go back to their decoders here, after the drawing is done.
  pictures.clear();
}

void VideoView::answer(ImageRequest& request) {
  std::optional<RgbaImage> image;
  switch (request.kind) {
    case ImageRequest::Own: image = screen_->imageOfPlane(request.plane, false); break;
    case ImageRequest::Shown: image = screen_->imageOfPlane(request.plane, true); break;
    case ImageRequest::Drag: image = screen_->dragImageOfPlane(request.plane); break;
  }
  request.result.set_value(std::move(image));
}

std::optional<RgbaImage> VideoView::imageOfPlane(int64_t plane, bool asShown) {
  return requestImage(plane, asShown ? ImageRequest::Shown : ImageRequest::Own);
}

std::optional<RgbaImage> VideoView::dragImageOfPlane(int64_t plane) { return requestImage(plane, ImageRequest::Drag); }

std::optional<RgbaImage> VideoView::requestImage(int64_t plane, int kind) {
  ZELVO_PRECONDITION(0 <= plane && plane < VideoViewPlaneCount);
  // The render thread takes the context lock to answer: a caller holding it would wait
  // for ever.
  ZELVO_ASSERT(glLock_.depth() == 0, "an image asked for with the context locked");
  if (!renderThread_) return std::nullopt;
  auto request = std::make_shared<ImageRequest>();
  request->plane = static_cast<int>(plane);
  request->kind = static_cast<ImageRequest::Kind>(kind);
  std::future<std::optional<RgbaImage>> result = request->result.get_future();
  {
    std::lock_guard lock(controlMutex_);
    requests_.push_back(request);
  }
  wake_.notify_all();
  // One turn of the render thread; a wall that cannot draw within this gives none.
  if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    zelvoLog("VideoView: no image of plane %lld from the render thread", static_cast<long long>(plane));
    return std::nullopt;
  }
  return result.get();
}

void VideoView::deliverPicturesShown() {
  std::vector<int64_t> planes;
  {
    std::lock_guard lock(shownMutex_);
    shownPosted_ = false;
    for (size_t i = 0; i < shown_.size(); ++i)
      if (shown_[i]) {
        planes.push_back(static_cast<int64_t>(i));
        shown_[i] = false;
      }
  }
  if (!planes.empty() && picturesShown_) picturesShown_(planes);
}

QImage VideoView::newestFrame() {
  std::lock_guard lock(frameMutex_);
  if (published_ < 0) return {};
  // A deep copy: the render thread writes into this frame again later.
  return frames_[static_cast<size_t>(published_)].copy();
}

void VideoView::paintEvent(QPaintEvent*) {
  // At the first paint, not at the show: showing a window's first widget may start
  // helpers of Qt's own (the accessibility bridge launching a session bus forks), and
  // a process that forks must not have the render thread and the driver's threads yet.
  if (!setUpTried_) setUpScreen();
  noteTargetSize();
  QPainter painter(this);
  int index = -1;
  if (renderThread_) {
    {
      std::lock_guard lock(frameMutex_);
      inUse_ = published_;
      index = inUse_;
    }
    // Taken: the render thread may draw the next one into the third image meanwhile.
    {
      std::lock_guard lock(controlMutex_);
      awaitingPaint_ = false;
    }
    wake_.notify_all();
  } else {
    ++blackPaints_;
  }
  if (index < 0) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  // Only this thread reads a frame while it is in use here.
  const QImage& frame = frames_[static_cast<size_t>(index)];
  if (frame.width() == targetWidth_.load() && frame.height() == targetHeight_.load()) {
    painter.drawImage(QPointF(0, 0), frame);
  } else {
    // Resized since that frame: the next one has the new size.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(rect()), frame);
  }
  painter.end();
  {
    std::lock_guard lock(frameMutex_);
    inUse_ = -1;
  }
  emit frameShown();
}

// --- notifications ---

void VideoView::post(const std::string& name, UserInfo userInfo) {
  ZELVO_ASSERT(glLock_.depth() == 0, "a notification posted with the context locked");
  NotificationCenter::defaultCenter().post(name, notificationObject(), std::move(userInfo));
}

void VideoView::apply(const VideoViewChange& change) {
  if (change.screenLayout)
    withScreen([&](VideoViewScreen& s) {
      s.setLayout(static_cast<int>(pages_.selectedPlane()), pages_.planeCountPerOnRowOfCurrentLayout());
    });
  if (change.selectedPlaneChanged) post(VideoViewSelectedPlaneChangedNotification);
  if (change.layoutChanged) post(VideoViewLayoutChangedNotification);
}

// --- layout and selection ---

void VideoView::setSelectedPlane(int64_t plane) { apply(pages_.setSelectedPlane(plane)); }
void VideoView::setLayout(VideoViewLayout layout) { apply(pages_.setLayout(layout)); }
void VideoView::toggleFullLayout() { apply(pages_.toggleFullLayout()); }
void VideoView::changeToPreviousLayout() { apply(pages_.changeToPreviousLayout()); }
void VideoView::changeToNextLayoutWithRotation(bool rotation, bool ignoreUnboundPlanes) {
  apply(pages_.changeToNextLayout(rotation, ignoreUnboundPlanes, boundQuery()));
}
void VideoView::moveLeft() { apply(pages_.moveLeft()); }
void VideoView::moveRight() { apply(pages_.moveRight()); }
void VideoView::moveUp() { apply(pages_.moveUp()); }
void VideoView::moveDown() { apply(pages_.moveDown()); }
void VideoView::performDelete() { post(VideoViewDeleteRequestedNotification); }

bool VideoView::isBound(int64_t plane) const { return queries_ && queries_->hasNetworkClientForPlane(plane); }

std::function<bool(int64_t)> VideoView::boundQuery() const {
  return [this](int64_t plane) { return isBound(plane); };
}

// --- painting ---

QString VideoView::defaultTitleOfPlane(int64_t plane) { return QString::number(plane + 1); }

void VideoView::updatePlane(int64_t plane, const CameraInfo& info, int typeUpdated, bool force) {
  ZELVO_PRECONDITION(0 <= plane && plane < VideoViewPlaneCount);
  const int p = static_cast<int>(plane);
  withScreen([&](VideoViewScreen& s) {
    if (force || typeUpdated == CameraInfoTypeStatus || typeUpdated == CameraInfoTypeCovertLevel) {
      if (info.status() == CameraStatusInactive || info.covertLevel() != CameraCovertLevelNone)
        s.clearPlaneWithGradient(p, inactiveGradient());
      else if (info.status() == CameraStatusVideoLoss)
        s.clearPlaneWithGradient(p, videoLossGradient());
      else if (info.status() == CameraStatusNormal)
        s.clearPlane(p);
    }
    s.setTitle(p, info.titleWithDefaultValue());
    if (info.isPtzAvaliable())
      s.showPtzIcon(p);
    else
      s.hidePtzIcon(p);
  });
}

void VideoView::clearPlanes(const std::vector<int64_t>& planes, bool withGradient, bool includingTitle) {
  for (int64_t plane : planes) ZELVO_PRECONDITION(0 <= plane && plane < VideoViewPlaneCount);
  withScreen([&](VideoViewScreen& s) {
    for (int64_t plane : planes) {
      const int p = static_cast<int>(plane);
      slots_.drop(p);
      s.clearPlane(p);
      if (withGradient) s.clearPlaneWithGradient(p, disconnectedGradient());
      if (includingTitle) s.setTitle(p, defaultTitleOfPlane(plane).toStdString());
      s.hidePtzIcon(p);
    }
  });
}

void VideoView::clearAllPlanes() {
  withScreen([this](VideoViewScreen& s) {
    slots_.dropAll();
    s.clearAllPlanes();
  });
}

void VideoView::setVideoFrame(const DecodedVideoFrame& frame, int64_t plane, float verticalScale) {
  ZELVO_PRECONDITION(0 <= plane && plane < VideoViewPlaneCount);
  slots_.put(static_cast<int>(plane), frame, verticalScale);
}

void VideoView::setCameraConfiguration(const CameraConfiguration& configuration, int64_t plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < VideoViewPlaneCount);
  withScreen([&](VideoViewScreen& s) { s.setCameraConfiguration(static_cast<int>(plane), configuration); });
}

CameraConfiguration VideoView::getCameraConfigurationFromPlane(int64_t plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < VideoViewPlaneCount);
  CameraConfiguration configuration;
  withScreen([&](VideoViewScreen& s) { configuration = s.getCameraConfiguration(static_cast<int>(plane)); });
  return configuration;
}

void VideoView::setKeepAspectRatio(bool keep) {
  withScreen([&](VideoViewScreen& s) { s.setKeepAspectRatio(keep); });
}

// --- focus, keys and mouse ---

void VideoView::focusInEvent(QFocusEvent* event) {
  withScreen([](VideoViewScreen& s) { s.setSelectionGradient(focusedRingGradient()); });
  QWidget::focusInEvent(event);
}

void VideoView::focusOutEvent(QFocusEvent* event) {
  withScreen([](VideoViewScreen& s) { s.setSelectionGradient(unfocusedRingGradient()); });
  QWidget::focusOutEvent(event);
}

void VideoView::keyPressEvent(QKeyEvent* event) {
  if (dragging_) {
    event->accept();
    return;
  }
  switch (event->key()) {
    case Qt::Key_Left: moveLeft(); break;
    case Qt::Key_Right: moveRight(); break;
    case Qt::Key_Up: moveUp(); break;
    case Qt::Key_Down: moveDown(); break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: toggleFullLayout(); break;
    case Qt::Key_Backspace: performDelete(); break;
    default: QWidget::keyPressEvent(event); return;
  }
  event->accept();
}

void VideoView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  dragging_ = true;
  pressPoint_ = event->position();
  const int64_t plane = planeAtPoint(event->position());
  if (plane >= 0) setSelectedPlane(plane);
}

void VideoView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  dragging_ = true;
  pressPoint_ = event->position();
  if (planeAtPoint(event->position()) >= 0) toggleFullLayout();
}

void VideoView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}

void VideoView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  if ((event->position() - pressPoint_).manhattanLength() < QApplication::startDragDistance()) return;
  startPlaneDrag(pressPoint_);
}

// --- snapshots ---

QString VideoView::snapshotFolder() const {
  return snapshotFolder_.isEmpty() ? zelvo::snapshotFolder() : snapshotFolder_;
}

bool VideoView::canPlaneSnapshotTaken(int64_t plane) const {
  if (!queries_ || plane < 0 || plane >= VideoViewPlaneCount || !queries_->hasNetworkClientForPlane(plane))
    return false;
  const std::optional<CameraInfo> info = queries_->cameraInfoForPlane(plane);
  return info && info->status() == CameraStatusNormal && info->covertLevel() == CameraCovertLevelNone;
}

QString VideoView::snapshotTitleOfPlane(int64_t plane) const {
  if (!queries_) return {};
  const std::shared_ptr<SiteInfo> site = queries_->siteInfoForPlane(plane);
  if (!site) return {};
  return site->cameraTitleAtIndex(queries_->cameraForPlane(plane) + 1);
}

void VideoView::removePreviousTempSnapshotFile() {
  if (!snapshotName_) return;
  if (!snapshotPath_.isEmpty()) QFile::remove(snapshotPath_);
  snapshotName_.reset();
  snapshotPath_.clear();
}

void VideoView::takeSnapshot(int64_t plane) {
  removePreviousTempSnapshotFile();
  planeSnapshot_ = QImage();
  if (std::optional<RgbaImage> image = imageOfPlane(plane, false)) planeSnapshot_ = imageFromRgba(*image);
  snapshotName_ = snapshotFilename(snapshotTitleOfPlane(plane), clock_());
  const QString folder = snapshotFolder();
  snapshotPath_ = folder.isEmpty() ? QString() : QDir(folder).filePath(*snapshotName_);
}

void VideoView::copy() {
  const int64_t plane = selectedPlane();
  if (!canPlaneSnapshotTaken(plane)) return;
  cleanupSnapshot();
  const bool taken = hasScreen();
  if (taken) takeSnapshot(plane);
  if (!taken || planeSnapshot_.isNull()) {
    zelvoLog("VideoView: plane %lld gave no snapshot to copy", static_cast<long long>(plane));
    cleanupSnapshot();
    return;
  }
  // The clipboard keeps its own picture and name: what the wall does next cannot change
  // what a paste gets. Its file lies apart from the drag snapshots for the same reason.
  QString folder = snapshotFolder();
  if (!folder.isEmpty()) {
    QDir dir(folder);
    if (dir.mkpath(QStringLiteral("copy"))) {
      QFile::setPermissions(dir.filePath(QStringLiteral("copy")),
                            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
      folder = dir.filePath(QStringLiteral("copy"));
    } else {
      folder.clear();
    }
  }
  auto* data = new SnapshotMimeData(planeSnapshot_, folder, *snapshotName_);
  // The file the clipboard offers is the clipboard's: no later drag may take it back, only
  // the next copy, which replaces what the clipboard offers (and whose file, named in the
  // same second, must not be the old one).
  if (!clipboardSnapshotPath_.isEmpty()) QFile::remove(clipboardSnapshotPath_);
  clipboardSnapshotPath_ = data->filePath();
  if (!clipboardSnapshotPath_.isEmpty()) QFile::remove(clipboardSnapshotPath_);
  cleanupSnapshot();
  QGuiApplication::clipboard()->setMimeData(data);
}

// --- drag source ---

void VideoView::startPlaneDrag(QPointF point) {
  const int64_t plane = planeAtPoint(point);
  if (plane < 0) return;
  const QRectF cell = planeBoundsAtPoint(point);
  const bool snapshottable = canPlaneSnapshotTaken(plane);
  QImage image;
  if (hasScreen()) {
    std::optional<RgbaImage> tile;
    if (snapshottable) {
      tile = imageOfPlane(plane, true);
      takeSnapshot(plane);
    } else {
      tile = dragImageOfPlane(plane);
    }
    if (tile) image = imageFromRgba(*tile);
  }

  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(PasteBoardTypePlaneDragged), planeDraggedData(plane));
  // No promised files here: the snapshot is written now, and a file manager copies it.
  if (snapshottable && !planeSnapshot_.isNull() && !snapshotPath_.isEmpty() &&
      writeSnapshotJpeg(planeSnapshot_, snapshotPath_))
    data->setUrls({QUrl::fromLocalFile(snapshotPath_)});

  QDrag drag(this);
  drag.setMimeData(data);
  if (!image.isNull()) {
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    drag.setPixmap(pixmap);
    drag.setHotSpot((point - cell.topLeft()).toPoint());
  }
  ownDragRunning_ = true;
  drag.exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
  ownDragRunning_ = false;
  // The drag loop took the button's release.
  hideHighlight();
  cleanupSnapshot();
  dragging_ = false;
  flushPendingDrops();
  emit planeDragFinished();
}

// --- drop target ---

void VideoView::hideHighlight() {
  withScreen([](VideoViewScreen& s) { s.hideHighlight(); });
}

void VideoView::updateDropHighlight(const VideoViewDragContents& contents, QPointF point) {
  const std::vector<int64_t> planes = dropHighlight(contents, planeAtPoint(point), firstPlaneInCurrentLayout(),
                                                    lastPlaneInCurrentLayout(), boundQuery());
  withScreen([&](VideoViewScreen& s) {
    s.hideHighlight();
    for (int64_t plane : planes) s.showHighlight(static_cast<int>(plane));
  });
}

void VideoView::dragEnterEvent(QDragEnterEvent* event) {
  const VideoViewDragContents contents = VideoViewDragContents::of(event->mimeData(), event->source() != nullptr);
  const Qt::DropActions actions = dragOperationSupported(event->possibleActions(), contents);
  if (!contents.connectionTarget && event->mimeData() &&
      event->mimeData()->hasFormat(QString::fromLatin1(PasteBoardTypeConnectionTarget)))
    zelvoLog("VideoView: a favourite or an unreadable target from another application is refused");
  if (!actions) {
    event->ignore();
    return;
  }
  event->setDropAction(actions & Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction);
  event->accept();
  updateDropHighlight(contents, event->position());
}

void VideoView::dragMoveEvent(QDragMoveEvent* event) {
  const VideoViewDragContents contents = VideoViewDragContents::of(event->mimeData(), event->source() != nullptr);
  updateDropHighlight(contents, event->position());
  const Qt::DropActions actions = dragOperationSupported(event->possibleActions(), contents);
  // No answer rectangle: the highlight must follow every move.
  if (!actions || !prepareForDragOperation(contents, planeAtPoint(event->position()), boundQuery())) {
    event->ignore();
    return;
  }
  event->setDropAction(actions & Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction);
  event->accept();
}

void VideoView::dragLeaveEvent(QDragLeaveEvent* event) {
  hideHighlight();
  event->accept();
}

void VideoView::dropEvent(QDropEvent* event) {
  const VideoViewDragContents contents = VideoViewDragContents::of(event->mimeData(), event->source() != nullptr);
  const Qt::DropActions actions = dragOperationSupported(event->possibleActions(), contents);
  const VideoViewDrop drop = actions ? performDragOperation(contents, planeAtPoint(event->position()), boundQuery())
                                     : VideoViewDrop{};
  hideHighlight();
  if (drop.kind == VideoViewDrop::None) {
    event->ignore();
    return;
  }
  event->setDropAction(actions & Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction);
  event->accept();
  if (drop.kind == VideoViewDrop::ConnectionTarget) {
    setFocus(Qt::OtherFocusReason);
    activateWindow();
  }
  // Told after the drop event and the drag loop have returned: the controller may ask
  // for a login, which must not run inside the drag.
  pendingDrops_.push_back(drop);
  if (!ownDragRunning_) QMetaObject::invokeMethod(this, [this] { flushPendingDrops(); }, Qt::QueuedConnection);
}

void VideoView::flushPendingDrops() {
  if (ownDragRunning_) return;
  while (!pendingDrops_.empty()) {
    const VideoViewDrop drop = pendingDrops_.front();
    pendingDrops_.pop_front();
    deliverDrop(drop);
  }
}

void VideoView::deliverDrop(const VideoViewDrop& drop) {
  if (drop.kind == VideoViewDrop::ConnectionTarget)
    post(VideoViewConnectionTargetDroppedNotification,
         {{VideoViewPlaneKey, std::any(drop.plane)}, {VideoViewConnectionTargetDataKey, std::any(drop.data)}});
  else if (drop.kind == VideoViewDrop::PlaneDragged)
    post(VideoViewPlaneDraggedNotification,
         {{VideoViewPlaneSourceKey, std::any(drop.source)}, {VideoViewPlaneTargetKey, std::any(drop.plane)}});
}

}  // namespace zelvo
