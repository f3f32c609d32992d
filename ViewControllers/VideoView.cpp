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
#include <QOpenGLContext>
#include <QPixmap>
#include <QScreen>
#include <QUrl>

extern "C" {
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cmath>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Foundation/NotificationCenter.h"
#include "ViewControllers/Wall/PlaneSnapshotFile.h"
#include "ViewControllers/Wall/SnapshotMimeData.h"
#include "openglkit/FrameBuffer.h"
#include "openglkit/OpenGL.h"

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
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setSwapInterval(1);
  return format;
}

VideoView::VideoView(QWidget* parent, VideoViewScreenFactory screenFactory)
    : QOpenGLWidget(parent),
      screenFactory_(std::move(screenFactory)),
      glLock_(VideoViewGLLock::Host{
          [this] { return context() && QOpenGLContext::currentContext() == context(); },
          [this] {
            if (!isValid()) return false;
            makeCurrent();
            return true;
          },
          [this] { doneCurrent(); },
          [this] { FrameBuffer::setDefaultFramebuffer(defaultFramebufferObject()); }}),
      clock_([] { return QDateTime::currentDateTime(); }) {
  ZELVO_PRECONDITION(screenFactory_ != nullptr);
  setFormat(defaultPixelFormat());
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  // The view's own drag types; the controller adds its own.
  draggedTypes_ = {QString::fromLatin1(PasteBoardTypeConnectionTarget), QString::fromLatin1(PasteBoardTypePlaneDragged)};
  frameTimer_.setSingleShot(true);
  frameTimer_.setTimerType(Qt::PreciseTimer);
  connect(&frameTimer_, &QTimer::timeout, this, [this] { update(); });
  sinceStart_.start();
}

VideoView::~VideoView() {
  frameTimer_.stop();
  // The base class destroys the context after this: nothing of ours may hear of it.
  QObject::disconnect(contextConnection_);
  destroyScreen();
}

void VideoView::destroyScreen() {
  if (!screen_) return;
  if (isValid()) {
    makeCurrent();
    FrameBuffer::setDefaultFramebuffer(defaultFramebufferObject());
    screen_.reset();
    doneCurrent();
  } else {
    // Without a context nothing GL can be freed any more; the objects go with it.
    (void)screen_.release();
  }
}

void VideoView::registerForDraggedTypes(const QStringList& types) {
  for (const QString& type : types)
    if (!draggedTypes_.contains(type)) draggedTypes_.append(type);
}

// --- GL set-up and rendering ---

void VideoView::initializeGL() {
  if (screen_) return;
  // Qt recreates the context when the widget moves to another window: the old one goes
  // with every texture, and so must the screen.
  QObject::disconnect(contextConnection_);
  contextConnection_ =
      connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { destroyScreen(); }, Qt::DirectConnection);
  FrameBuffer::setDefaultFramebuffer(defaultFramebufferObject());
  std::unique_ptr<VideoViewScreen> screen = screenFactory_(static_cast<int>(VideoViewPlaneCount), this);
  const double ratio = devicePixelRatioF();
  if (!screen || !screen->init(static_cast<float>(width() * ratio), static_cast<float>(height() * ratio))) {
    zelvoLog("VideoView: the wall's screen did not set up; the view stays black");
    screen.reset();
    return;
  }
  screen_ = std::move(screen);
  // A context made again (the widget moved to another window) keeps the operator's page.
  if (!prepared_) {
    prepared_ = true;
    setSelectedPlane(0);
    setLayout(StartLayout);
  }
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
  connect(this, &QOpenGLWidget::frameSwapped, this, &VideoView::scheduleNextFrame, Qt::UniqueConnection);
  update();
}

double VideoView::refreshPeriodMs() const {
  const QScreen* display = screen();
  const double rate = display ? display->refreshRate() : 0.0;
  return 1000.0 / (rate >= 1.0 ? rate : 60.0);
}

void VideoView::scheduleNextFrame() {
  // Swaps are not paced everywhere: wait for what is left of this refresh period.
  const double left = refreshPeriodMs() - static_cast<double>(sinceFrame_.nsecsElapsed()) / 1e6;
  frameTimer_.start(std::max(0, static_cast<int>(std::ceil(left))));
}

void VideoView::reshape() {
  const double ratio = devicePixelRatioF();
  const float w = static_cast<float>(width() * ratio);
  const float h = static_cast<float>(height() * ratio);
  if (screen_->viewWidth() != w || screen_->viewHeight() != h) screen_->reshape(w, h);
}

void VideoView::paintGL() {
  sinceFrame_.start();
  ++renders_;
  VideoViewGLLocker locker(glLock_);
  if (!screen_) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return;
  }
  reshape();
  screen_->renderIfNeeded(static_cast<float>(sinceStart_.nsecsElapsed() / 1e9));
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
      s.clearPlane(p);
      if (withGradient) s.clearPlaneWithGradient(p, disconnectedGradient());
      if (includingTitle) s.setTitle(p, defaultTitleOfPlane(plane).toStdString());
      s.hidePtzIcon(p);
    }
  });
}

void VideoView::clearAllPlanes() {
  withScreen([](VideoViewScreen& s) { s.clearAllPlanes(); });
}

void VideoView::setVideoFrame(const DecodedVideoFrame& frame, int64_t plane, float verticalScale) {
  ZELVO_PRECONDITION(0 <= plane && plane < VideoViewPlaneCount);
  if (!frame.gotPicture || !frame.picture) return;
  const AVFrame* picture = frame.picture;
  withScreen([&](VideoViewScreen& s) {
    s.setVideoFrame(static_cast<int>(plane), frame.width, frame.height, picture->linesize[0], picture->data[0], 1.0f,
                    verticalScale, picture->data[1], picture->data[2]);
  });
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
  QOpenGLWidget::focusInEvent(event);
}

void VideoView::focusOutEvent(QFocusEvent* event) {
  withScreen([](VideoViewScreen& s) { s.setSelectionGradient(unfocusedRingGradient()); });
  QOpenGLWidget::focusOutEvent(event);
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
    default: QOpenGLWidget::keyPressEvent(event); return;
  }
  event->accept();
}

void VideoView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QOpenGLWidget::mousePressEvent(event);
  dragging_ = true;
  pressPoint_ = event->position();
  const int64_t plane = planeAtPoint(event->position());
  if (plane >= 0) setSelectedPlane(plane);
}

void VideoView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QOpenGLWidget::mouseDoubleClickEvent(event);
  dragging_ = true;
  pressPoint_ = event->position();
  if (planeAtPoint(event->position()) >= 0) toggleFullLayout();
}

void VideoView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
  QOpenGLWidget::mouseReleaseEvent(event);
}

void VideoView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return QOpenGLWidget::mouseMoveEvent(event);
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
  if (screen_)
    if (std::optional<RgbaImage> image = screen_->imageOfPlane(static_cast<int>(plane), false))
      planeSnapshot_ = imageFromRgba(*image);
  snapshotName_ = snapshotFilename(snapshotTitleOfPlane(plane), clock_());
  const QString folder = snapshotFolder();
  snapshotPath_ = folder.isEmpty() ? QString() : QDir(folder).filePath(*snapshotName_);
}

void VideoView::copy() {
  const int64_t plane = selectedPlane();
  if (!canPlaneSnapshotTaken(plane)) return;
  cleanupSnapshot();
  bool taken = false;
  withScreen([&](VideoViewScreen&) {
    takeSnapshot(plane);
    taken = true;
  });
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
  withScreen([&](VideoViewScreen& s) {
    std::optional<RgbaImage> tile;
    if (snapshottable) {
      tile = s.imageOfPlane(static_cast<int>(plane), true);
      takeSnapshot(plane);
    } else {
      tile = s.dragImageOfPlane(static_cast<int>(plane));
    }
    if (tile) image = imageFromRgba(*tile);
  });

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
