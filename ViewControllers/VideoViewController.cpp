#include "ViewControllers/VideoViewController.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Foundation/MainThread.h"
#include "Network/SystemInfoSyncOption.h"
#include "Network/SyncOptionType.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/Wall/VideoViewDropRules.h"

namespace zelvo {

namespace {

VideoViewController* sharedInstance = nullptr;

const CameraInfo* findCameraInfo(const CameraInfoArray& cameras, int64_t camera) {
  if (!cameras) return nullptr;
  for (const CameraInfo& info : *cameras)
    if (info.number() == camera) return &info;
  return nullptr;
}

// A camera whose sound may be played: its video is on and it is not covert.
bool soundPlayable(const CameraInfo* info) { return info && info->status() == 1 && info->covertLevel() == 1; }

std::shared_ptr<SiteInfo> siteOf(const std::any& attachment) {
  if (auto* site = std::any_cast<std::shared_ptr<SiteInfo>>(&attachment)) return *site;
  return nullptr;
}

// An absent user or password is sent as "", so it matches "".
bool sameText(const std::optional<QString>& a, const std::optional<QString>& b) {
  return a.value_or(QString()) == b.value_or(QString());
}

// An empty identifier is no identifier: it matches nothing.
bool sameSiteID(const std::optional<QUrl>& a, const std::optional<QUrl>& b) {
  return a && b && !a->isEmpty() && !b->isEmpty() && *a == *b;
}

unsigned portOf(const SiteInfo& site) {
  qint64 port = site.port().value_or(0);
  // Out of range: 0, which the client refuses with its own reason.
  return port < 0 || port > 0xFFFFFFFFll ? 0u : static_cast<unsigned>(port);
}

}  // namespace

// Where a frame's picture or sound goes, read by the client's network thread and by
// the decoding queues without the main thread: the main thread keeps here what they
// need of the mapping table (each plane's client and camera), of the client records
// (each client's decoder count) and of the view (the selected plane). A plane's
// generation changes with every change of its binding, so a picture decoded for a
// binding that has gone meanwhile finds a generation other than the one it was sent
// off with, and is dropped. The view (which outlives the controller) is reached only
// while the routes are open: the controller closes them before it goes. Clients are
// only compared by address here: a client is unbound from every plane and forgotten
// before its record (which holds it) goes, so no address can stand for a later one.
struct VideoViewController::PictureRoutes {
  explicit PictureRoutes(VideoViewPort* v) : view(v) {}

  struct Target {
    int64_t plane;
    uint64_t generation;
  };

  // Main thread.
  void bound(int64_t plane, const LiveClientPort* client, int64_t camera) {
    std::lock_guard lock(mutex);
    if (changedLocked(plane)) bindings[static_cast<size_t>(plane)] = {client, camera};
  }
  void unbound(int64_t plane) {
    std::lock_guard lock(mutex);
    if (changedLocked(plane)) bindings[static_cast<size_t>(plane)] = {};
  }
  // 0 forgets the client.
  void setDecoderCount(const LiveClientPort* client, int64_t count) {
    std::lock_guard lock(mutex);
    if (count > 0)
      decoderCounts[client] = count;
    else
      decoderCounts.erase(client);
  }
  void setSelectedPlane(int64_t plane) {
    std::lock_guard lock(mutex);
    selectedPlane = plane;
  }
  void close() {
    std::lock_guard lock(mutex);
    view = nullptr;
  }
  std::optional<DateTime> frameTime(int64_t plane) {
    std::lock_guard lock(mutex);
    if (plane < 0 || plane >= MaxPlaneCount) return std::nullopt;
    return frameTimes[static_cast<size_t>(plane)];
  }

  // Any thread. The planes showing the client's camera, in plane order, as bound now;
  // none for a camera without a decoder slot (a channel from the wire is not trusted).
  std::vector<Target> videoTargets(const LiveClientPort* client, int64_t camera) {
    std::vector<Target> result;
    std::lock_guard lock(mutex);
    auto count = decoderCounts.find(client);
    if (camera < 0 || count == decoderCounts.end() || camera >= count->second) return result;
    for (size_t plane = 0; plane < bindings.size(); ++plane)
      if (bindings[plane].client == client && bindings[plane].camera == camera)
        result.push_back({static_cast<int64_t>(plane), generations[plane]});
    return result;
  }
  // The selected plane's camera when it is the client's and the sound is related to it
  // (a camera beyond 31 has no bit in the frame's mask).
  std::optional<int64_t> selectedCameraForSound(const LiveClientPort* client, const MediaFrame& frame) {
    std::lock_guard lock(mutex);
    if (selectedPlane < 0 || selectedPlane >= MaxPlaneCount) return std::nullopt;
    const Binding& binding = bindings[static_cast<size_t>(selectedPlane)];
    if (!client || binding.client != client || binding.camera < 0 || binding.camera >= 32 ||
        !frame.relatedChannelMask().isSet(static_cast<int>(binding.camera)))
      return std::nullopt;
    return binding.camera;
  }

  // A decoding queue. The client is only asked whether it is down, and only while a
  // plane still binds it (its record, which holds it, outlives its bindings).
  void deliver(const std::vector<Target>& to, const LiveClientPort* client, const DecodedVideoFrame& picture,
               const DateTime& time) {
    const float scale = verticalScaleForPicture(picture.width, picture.height);
    std::lock_guard lock(mutex);
    if (!view) return;
    bool checked = false;
    for (const Target& target : to) {
      const auto index = static_cast<size_t>(target.plane);
      if (generations[index] != target.generation) continue;
      if (!checked) {
        if (client->isDisconnected()) return;
        checked = true;
      }
      view->setVideoFrame(picture, target.plane, scale);
      frameTimes[index] = time;
    }
  }

  struct Binding {
    const LiveClientPort* client = nullptr;
    int64_t camera = -1;
  };

  bool changedLocked(int64_t plane) {
    if (plane < 0 || plane >= MaxPlaneCount) return false;
    ++generations[static_cast<size_t>(plane)];
    frameTimes[static_cast<size_t>(plane)].reset();
    return true;
  }

  std::mutex mutex;
  VideoViewPort* view;
  std::array<uint64_t, MaxPlaneCount> generations{};
  std::array<std::optional<DateTime>, MaxPlaneCount> frameTimes{};
  std::array<Binding, MaxPlaneCount> bindings{};
  std::map<const LiveClientPort*, int64_t> decoderCounts;
  int64_t selectedPlane = -1;
};

struct VideoViewController::ClientRecord {
  // Its frames go nowhere once the record has gone (the handler reaches the controller).
  ~ClientRecord() {
    if (client) client->setMediaFrameHandler({});
  }
  std::shared_ptr<LiveClientPort> client;
  std::vector<Observation> observations;
  // The text of the last login refusal, until the client connects again.
  std::optional<std::string> loginRefusal;
};

namespace {

// Refusals that a retry with the same user and password cannot change: retrying
// them only counts failed logins at the recorder, which may lock the account.
bool isLoginRefusal(int reason) {
  return reason == NetworkDisconnectionReasonUnknownUser || reason == NetworkDisconnectionReasonInvalidPassword ||
         reason == NetworkDisconnectionReasonPermissionDenied;
}

}  // namespace

VideoViewController::Collaborators VideoViewController::Collaborators::shared() {
  return Collaborators{&sharedLiveClientFactory(), &sharedWallDecoders(), &sharedWallAudio(),
                       &mainThreadTimerFactory()};
}

VideoViewController::VideoViewController(VideoViewPort& view, Collaborators collaborators, QObject* parent)
    : QObject(parent),
      view_(view),
      collaborators_(collaborators),
      hops_(std::make_shared<HopCancellation>()),
      routes_(std::make_shared<PictureRoutes>(&view)) {
  ZELVO_PRECONDITION(collaborators_.clients && collaborators_.decoders && collaborators_.audio &&
                     collaborators_.timers);
  view_.setPicturesShownHandler([this](const std::vector<int64_t>& planes) { picturesShown(planes); });
}

VideoViewController::~VideoViewController() {
  // First of all: no client's network thread comes in any more (a frame being routed
  // now is waited for), a decoding queue waiting in a hop to us returns now, and no
  // hop queued to the main thread runs into a controller that is going.
  for (const auto& record : records_) record->client->setMediaFrameHandler({});
  hops_->cancel();
  routes_->close();
  view_.setPicturesShownHandler({});
  viewObservations_.clear();
  if (autoReconnecter_) autoReconnecter_->stop();
  for (const auto& record : records_) collaborators_.decoders->unregisterDecodersForNetworkClient(*record->client);
  records_.clear();
  if (table_) table_->setDelegate(nullptr);
  if (sharedInstance == this) sharedInstance = nullptr;
}

VideoViewController* VideoViewController::sharedController() { return sharedInstance; }

void VideoViewController::awake() {
  ZELVO_PRECONDITION(table_ == nullptr);
  NotificationCenter& center = NotificationCenter::defaultCenter();
  const void* view = view_.notificationObject();
  viewObservations_.emplace_back(center, VideoViewConnectionTargetDroppedNotification, view,
                                 [this](const Notification& n) { videoViewConnectionTargetDropped(n); });
  viewObservations_.emplace_back(center, VideoViewSelectedPlaneChangedNotification, view,
                                 [this](const Notification&) { videoViewSelectedPlaneChanged(); });
  viewObservations_.emplace_back(center, VideoViewLayoutChangedNotification, view,
                                 [this](const Notification&) { videoViewLayoutChanged(); });
  viewObservations_.emplace_back(center, VideoViewPlaneDraggedNotification, view,
                                 [this](const Notification& n) { videoViewPlaneDragged(n); });
  viewObservations_.emplace_back(center, VideoViewDeleteRequestedNotification, view,
                                 [this](const Notification&) { videoViewDeleteRequested(); });
  view_.registerForDraggedTypes({QString::fromLatin1(SitePasteBoard)});
  table_ = std::make_unique<CameraMappingTable>(MaxPlaneCount);
  table_->setDelegate(this);
  routes_->setSelectedPlane(view_.selectedPlane());
  collaborators_.audio->initialize();
  sharedInstance = this;
  autoReconnecter_ = std::make_unique<AutoReconnecter>(*collaborators_.timers);
  initWithPreference();
}

void VideoViewController::initWithPreference() {
  ZELVO_PRECONDITION(autoReconnecter_ != nullptr);
  auto value = [this](const QString& key) { return preferences_ ? preferences_->preferenceValueForKey(key) : QVariant(); };
  autoReconnect_ = value(PreferenceAutoReconnectFlagKey).toInt() == 1;
  setReconnectInterval(value(PreferenceAutoReconnectIntervalKey).toDouble());
  if (autoReconnect_) autoReconnecter_->start();
  keepAspectRatio_ = value(PreferenceAspectRatioKey).toInt() == 1;
}

const CameraMappingTable::Slots& VideoViewController::cameraMappingTable() const {
  static const CameraMappingTable::Slots none;
  return table_ ? table_->mappingTable() : none;
}

void VideoViewController::setAutoReconnect(bool on) {
  autoReconnect_ = on;
  if (!autoReconnecter_) return;
  // A running reconnecter keeps its timer: the main window hands the flag over on every
  // announcement of the reconnection preference (the interval field announces one each
  // time it loses the focus, as when the operator moves to another window), and a fresh
  // timer put the first retry of a connection just lost a whole period further off,
  // again at each announcement. A changed period restarts it (setReconnectInterval).
  if (on) {
    if (!autoReconnecter_->isRunning()) autoReconnecter_->start();
  } else {
    autoReconnecter_->stop();
  }
}

void VideoViewController::setReconnectInterval(double seconds) {
  if (!(seconds > 0) || !std::isfinite(seconds)) {
    zelvoLog("Reconnection interval %g refused; keeping %g s", seconds, reconnectInterval_);
    return;
  }
  reconnectInterval_ = seconds;
  if (autoReconnecter_) autoReconnecter_->setInterval(seconds);
}

void VideoViewController::setKeepAspectRatio(bool keep) {
  keepAspectRatio_ = keep;
  view_.setKeepAspectRatio(keep);
}

// ---- Connecting

std::shared_ptr<LiveClientPort> VideoViewController::alreadyConnectedNetworkClientBySite(const SiteInfo& site) const {
  if (!table_) return nullptr;
  for (const auto& client : table_->allNetworkClients()) {
    for (const std::any& attachment : client->attachments()) {
      std::shared_ptr<SiteInfo> attached = siteOf(attachment);
      if (!attached) continue;
      if (!objcEqual(attached->address(), site.address()) || !objcEqual(attached->port(), site.port())) continue;
      if (site.autoDetect().value_or(false) ||
          (sameText(attached->user(), site.user()) && sameText(attached->password(), site.password())))
        return client;
    }
  }
  return nullptr;
}

std::shared_ptr<LiveClientPort> VideoViewController::liveClientForSite(const std::shared_ptr<SiteInfo>& site) {
  if (auto client = alreadyConnectedNetworkClientBySite(*site)) return client;
  std::shared_ptr<LiveClientPort> client = collaborators_.clients->makeLiveClient();
  registerObserverToLiveClient(client);
  return client;
}

void VideoViewController::attach(const std::shared_ptr<SiteInfo>& site, LiveClientPort& client) {
  std::vector<std::any> attachments = client.attachments();
  for (const std::any& attachment : attachments) {
    std::shared_ptr<SiteInfo> attached = siteOf(attachment);
    if (attached && sameSiteID(attached->siteID(), site->siteID())) return;
  }
  attachments.emplace_back(site);
  client.setAttachments(std::move(attachments));
}

void VideoViewController::updateSiteInfo(SiteInfo& site, const LiveClientPort& client) {
  std::shared_ptr<const SyncInfo> peer = client.peerInfo();
  auto system = peer ? peer->syncOption<SystemInfoSyncOption>(SyncOptionTypeSystemInfo) : nullptr;
  if (!system) {
    zelvoLog("Recorder gave no system information: the site's counts stay as they are");
    return;
  }
  site.setCameraCount(system->videoInCount());
  site.setAlarmCount(system->alarmCount());
  site.setSensorCount(system->sensorCount());
  site.setAudioCount(system->audioInCount());
}

void VideoViewController::connectClientToSite(LiveClientPort& client, const SiteInfo& site) {
  client.connectToHost(site.address().value_or(QString()).toStdString(), portOf(site),
                       site.user().value_or(QString()).toStdString(),
                       site.password().value_or(QString()).toStdString());
}

void VideoViewController::connectToSite(const std::shared_ptr<SiteInfo>& site, int64_t plane) {
  ZELVO_PRECONDITION(site != nullptr);
  ZELVO_PRECONDITION(table_ != nullptr);
  ZELVO_PRECONDITION(isPlane(plane));
  const std::shared_ptr<LiveClientPort> known = alreadyConnectedNetworkClientBySite(*site);
  // A connected recorder tells the count itself; otherwise nothing would be shown.
  if (camerasOfSiteTarget(*site).count < 1 && !(known && known->isConnected())) {
    // Nothing would be shown: no question, no connection.
    zelvoLog("Site \"%s\" dropped on plane %lld has no camera count: no plane to show it on, nothing connected",
             qPrintable(site->name().value_or(QString())), static_cast<long long>(plane));
    return;
  }
  if (mainWindow_ && !mainWindow_->requestLoginInfoForSiteInfo(site)) return;
  std::shared_ptr<LiveClientPort> client = liveClientForSite(site);
  attach(site, *client);
  if (client->isConnected()) {
    updateSiteInfo(*site, *client);
    if (mainWindow_) mainWindow_->updateSiteFromSiteInfo(site, client->cameraInfoArray());
  }
  const SiteTargetCameras cameras = camerasOfSiteTarget(*site);
  const int64_t first = cameras.first;
  const int64_t count = cameras.count;
  int64_t bound = 0;
  for (int64_t k = 0; k < count && plane + k < MaxPlaneCount; ++k, ++bound) table_->bindPlane(plane + k, first + k, client);
  if (bound == 0) {
    // No item holds the client, so nothing would ever disconnect it: leave it unconnected.
    releaseClientIfGone(client);
    return;
  }
  if (client->isDisconnected()) connectClientToSite(*client, *site);
}

void VideoViewController::connectToFavorite(const FavoriteTarget& favorite) {
  ZELVO_PRECONDITION(table_ != nullptr);
  table_->unbindAllPlanes();
  // std::map: ascending plane order.
  for (const auto& [plane, target] : favorite.favoriteCameras()) {
    if (!target || !target->siteInfo()) {
      zelvoLog("Favourite plane %lld names no site: left empty", static_cast<long long>(plane));
      continue;
    }
    if (!isPlane(plane) || target->camera() < 0) continue;
    const std::shared_ptr<SiteInfo>& site = target->siteInfo();
    std::shared_ptr<LiveClientPort> client = liveClientForSite(site);
    attach(site, *client);
    bool namedBefore = table_->containsNetworkClient(client.get());
    table_->bindPlane(plane, target->camera(), client);
    if (!namedBefore) connectClientToSite(*client, *site);
  }
}

void VideoViewController::reconnectSelectedPlane() {
  std::shared_ptr<LiveClientPort> client = networkClientForSelectedPlane();
  if (!client) return;
  std::shared_ptr<SiteInfo> site = siteInfoForSelectedPlane();
  if (site) connectClientToSite(*client, *site);
}

void VideoViewController::closeSelectedPlane() {
  if (table_ && isPlane(view_.selectedPlane())) table_->unbindPlane(view_.selectedPlane());
}

void VideoViewController::unbindAllPlanes() {
  if (table_) table_->unbindAllPlanes();
}

void VideoViewController::disconnectAllNetworkClients() { unbindAllPlanes(); }

void VideoViewController::disconnectAllNetworkClientsExcept(const LiveClientPort* client) {
  if (!table_) return;
  for (const auto& other : table_->allNetworkClients())
    if (other.get() != client) other->disconnect();
}

// ---- Queries

bool VideoViewController::isPlane(int64_t plane) const {
  return table_ && 0 <= plane && plane < table_->maxPlaneCount();
}

std::shared_ptr<LiveClientPort> VideoViewController::networkClientForPlane(int64_t plane) const {
  return isPlane(plane) ? table_->networkClientByPlane(plane) : nullptr;
}

std::shared_ptr<LiveClientPort> VideoViewController::networkClientForSelectedPlane() const {
  return networkClientForPlane(view_.selectedPlane());
}

bool VideoViewController::hasNetworkClientForPlane(int64_t plane) const { return networkClientForPlane(plane) != nullptr; }

std::optional<CameraInfo> VideoViewController::cameraInfoForPlane(int64_t plane) const {
  std::shared_ptr<LiveClientPort> client = networkClientForPlane(plane);
  if (!client) return std::nullopt;
  const CameraInfoArray cameras = client->cameraInfoArray();
  if (const CameraInfo* info = findCameraInfo(cameras, table_->cameraByPlane(plane))) return *info;
  return std::nullopt;
}

int64_t VideoViewController::cameraForPlane(int64_t plane) const {
  return isPlane(plane) ? table_->cameraByPlane(plane) : -1;
}

int64_t VideoViewController::cameraForSelectedPlane() const { return cameraForPlane(view_.selectedPlane()); }

std::vector<std::shared_ptr<SiteInfo>> VideoViewController::allSiteInfosForPlane(int64_t plane) const {
  std::vector<std::shared_ptr<SiteInfo>> sites;
  std::shared_ptr<LiveClientPort> client = networkClientForPlane(plane);
  if (!client) return sites;
  for (const std::any& attachment : client->attachments())
    if (auto site = siteOf(attachment)) sites.push_back(std::move(site));
  return sites;
}

std::vector<std::shared_ptr<SiteInfo>> VideoViewController::allSiteInfosForSelectedPlane() const {
  return allSiteInfosForPlane(view_.selectedPlane());
}

std::shared_ptr<SiteInfo> VideoViewController::siteInfoForPlane(int64_t plane) const {
  std::shared_ptr<LiveClientPort> client = networkClientForPlane(plane);
  if (!client) return nullptr;
  std::vector<std::shared_ptr<SiteInfo>> sites = allSiteInfosForPlane(plane);
  if (sites.empty()) {
    zelvoLog("The client of plane %lld has no site attached", static_cast<long long>(plane));
    return nullptr;
  }
  return sites.back();
}

std::shared_ptr<SiteInfo> VideoViewController::siteInfoForSelectedPlane() const {
  return siteInfoForPlane(view_.selectedPlane());
}

int64_t VideoViewController::boundNetworkClientCount() const {
  return table_ ? static_cast<int64_t>(table_->allNetworkClients().size()) : 0;
}

// ---- Clients

VideoViewController::ClientRecord* VideoViewController::recordOf(const LiveClientPort* client) const {
  for (const auto& record : records_)
    if (record->client.get() == client) return record.get();
  return nullptr;
}

void VideoViewController::registerObserverToLiveClient(const std::shared_ptr<LiveClientPort>& client) {
  auto record = std::make_unique<ClientRecord>();
  record->client = client;
  auto observe = [&](const std::string& name, auto handler) {
    // The handler holds its client: the client lives at least as long as it is observed.
    record->observations.push_back(
        client->addObserver(name, [client, handler](const Notification& n) { handler(client, n); }));
  };
  observe(NetworkWillConnectNotification,
          [this](const std::shared_ptr<LiveClientPort>& c, const Notification&) { liveClientWillConnect(c); });
  observe(NetworkLoginSucceedNotification,
          [this](const std::shared_ptr<LiveClientPort>& c, const Notification&) { liveClientLoginSucceed(c); });
  observe(NetworkDisconnectedNotification,
          [this](const std::shared_ptr<LiveClientPort>& c, const Notification& n) { liveClientDisconnected(c, n); });
  observe(LiveCameraInfoUpdatedNotification, [this](const std::shared_ptr<LiveClientPort>& c, const Notification& n) {
    liveClientCameraInfoUpdated(c, n);
  });
  observe(LiveEventReceivedNotification, [this](const std::shared_ptr<LiveClientPort>& c, const Notification&) {
    notifySelectedNetworkClient(c.get(), -1, VideoViewControllerNetworkClientStateEventReceived);
  });
  observe(LiveSystemEventReceivedNotification, [this](const std::shared_ptr<LiveClientPort>& c, const Notification&) {
    notifySelectedNetworkClient(c.get(), -1, VideoViewControllerNetworkClientStateSystemEventReceived);
  });
  observe(LiveAlarmStatusUpdatedNotification, [this](const std::shared_ptr<LiveClientPort>& c, const Notification&) {
    notifySelectedNetworkClient(c.get(), -1, VideoViewControllerNetworkClientStateAlarmStatusUpdated);
  });
  observe(LivePTZPresetLabelsReceivedNotification,
          [this](const std::shared_ptr<LiveClientPort>& c, const Notification& n) {
            liveClientPTZPresetLabelsReceived(c, n);
          });
  // Media frames stay on the client's network thread, so a busy main thread never holds
  // up any recorder's stream. The record clears the handler before it lets the client
  // go, and the controller before it goes, so neither address is ever reached stale.
  client->setMediaFrameHandler(
      [this, weak = std::weak_ptr<LiveClientPort>(client)](const std::shared_ptr<const MediaFrame>& frame) {
        if (std::shared_ptr<LiveClientPort> held = weak.lock()) mediaFrameReceived(frame, held);
      });
  records_.push_back(std::move(record));
}

void VideoViewController::releaseClientIfGone(const std::shared_ptr<LiveClientPort>& client) {
  if (!client || (table_ && table_->containsNetworkClient(client.get())) || !client->isDisconnected()) return;
  // Its decoders went with its last disconnection; the observations and its frame
  // handler (and with them the last holds on the client) go now, before the client can.
  routes_->setDecoderCount(client.get(), 0);
  std::erase_if(records_, [&](const auto& record) { return record->client == client; });
}

void VideoViewController::registerClientToAutoReconnect(const std::shared_ptr<LiveClientPort>& client) {
  if (!autoReconnecter_ || !table_ || !table_->containsNetworkClient(client.get())) return;
  autoReconnecter_->registerClient(client->networkClient());
}

void VideoViewController::unregisterClientToAutoReconnect(const std::shared_ptr<LiveClientPort>& client) {
  if (autoReconnecter_) autoReconnecter_->unregisterClient(client->networkClient());
}

void VideoViewController::liveClientWillConnect(const std::shared_ptr<LiveClientPort>& client) {
  // A connect after a refusal (the operator's, or the reconnecter's after the site was
  // edited) starts afresh: the refusal's text leaves the planes.
  ClientRecord* record = recordOf(client.get());
  if (record && record->loginRefusal) {
    record->loginRefusal.reset();
    if (table_) view_.clearPlanes(table_->planesByNetworkClient(client.get()), true, true);
  }
  notifySelectedNetworkClient(client.get(), -1, VideoViewControllerNetworkClientStateWillConnect);
  unregisterClientToAutoReconnect(client);
}

void VideoViewController::liveClientLoginSucceed(const std::shared_ptr<LiveClientPort>& client) {
  std::shared_ptr<const SyncInfo> peer = client->peerInfo();
  auto system = peer ? peer->syncOption<SystemInfoSyncOption>(SyncOptionTypeSystemInfo) : nullptr;
  if (recordOf(client.get())) {
    if (system) {
      // The decoders first: a frame admitted by the count finds its decoder.
      collaborators_.decoders->registerDecodersForNetworkClient(*client, system->videoInCount());
      routes_->setDecoderCount(client.get(), std::clamp<int64_t>(system->videoInCount(), 0, 32));
    } else {
      zelvoLog("Recorder gave no system information: no decoders, so no pictures");
      routes_->setDecoderCount(client.get(), 0);
    }
  }
  if (!table_) return;
  sendVideoChannelMaskToLiveClient(client);
  int64_t selected = view_.selectedPlane();
  if (isPlane(selected) && table_->networkClientByPlane(selected) == client)
    client->sendAudioChannelMask(convertNumbersToBitMask32({table_->cameraByPlane(selected)}));
  view_.clearPlanes(table_->planesByNetworkClient(client.get()), false, false);
  notifySelectedNetworkClient(client.get(), -1, VideoViewControllerNetworkClientStateLoginSucceed);
}

void VideoViewController::liveClientDisconnected(const std::shared_ptr<LiveClientPort>& client,
                                                 const Notification& notification) {
  const int* reason = notification.get<int>(NetworkDisconnectionReasonKey);
  const bool refused = reason && isLoginRefusal(*reason);
  ClientRecord* record = recordOf(client.get());
  routes_->setDecoderCount(client.get(), 0);
  if (record) {
    if (refused)
      record->loginRefusal = NetworkDisconnectionReasonDescription(*reason);
    else
      record->loginRefusal.reset();
  }
  // Before the state is posted, so that the strip reads the refusal.
  notifySelectedNetworkClient(client.get(), -1, VideoViewControllerNetworkClientStateDisconnected);
  collaborators_.decoders->unregisterDecodersForNetworkClient(*client);
  if (table_) {
    std::vector<int64_t> planes = table_->planesByNetworkClient(client.get());
    if (!planes.empty()) {
      view_.clearPlanes(planes, true, false);
      if (refused && record) {
        // The planes say why; only the operator (a connect, or an edited site) tries again.
        zelvoLog("Login refused (%s): no automatic reconnection until the site is connected again or edited",
                 record->loginRefusal->c_str());
        CameraInfo refusal;
        refusal.setTitle(*record->loginRefusal);
        for (int64_t plane : planes) view_.updatePlane(plane, refusal, 0);
        unregisterClientToAutoReconnect(client);
      } else {
        registerClientToAutoReconnect(client);
      }
    }
  }
  releaseClientIfGone(client);
}

std::optional<std::string> VideoViewController::loginRefusalForNetworkClient(const LiveClientPort* client) const {
  const ClientRecord* record = recordOf(client);
  return record ? record->loginRefusal : std::nullopt;
}

std::optional<std::string> VideoViewController::loginRefusalForSelectedPlane() const {
  std::shared_ptr<LiveClientPort> client = networkClientForSelectedPlane();
  return client ? loginRefusalForNetworkClient(client.get()) : std::nullopt;
}

void VideoViewController::siteEdited(const SiteInfo& edited) {
  if (!edited.siteID()) return;
  for (const auto& record : records_) {
    bool attached = false;
    for (const std::any& attachment : record->client->attachments()) {
      std::shared_ptr<SiteInfo> site = siteOf(attachment);
      if (!site || !sameSiteID(site->siteID(), edited.siteID())) continue;
      attached = true;
      // What the next connect of this client sends.
      site->setName(edited.name());
      site->setAddress(edited.address());
      site->setPort(edited.port());
      site->setUser(edited.user());
      site->setPassword(edited.password());
    }
    if (!attached || !record->loginRefusal) continue;
    // Edited after a refusal: the reconnecter tries the new values at its next tick.
    if (record->client->isDisconnected()) registerClientToAutoReconnect(record->client);
  }
}

void VideoViewController::liveClientCameraInfoUpdated(const std::shared_ptr<LiveClientPort>& client,
                                                      const Notification& notification) {
  const CameraInfoArray* cameras = notification.get<CameraInfoArray>(LiveCameraInfoArrayKey);
  if (table_ && cameras && *cameras) {
    if (const int64_t* device = notification.get<int64_t>(LiveDeviceIDKey)) {
      const int* type = notification.get<int>(LiveCameraInfoUpdatedTypeKey);
      if (const CameraInfo* info = findCameraInfo(*cameras, *device)) {
        for (int64_t plane : table_->planesByCamera(info->number(), client.get()))
          view_.updatePlane(plane, *info, type ? *type : 0);
      }
    } else {
      // An empty list keeps the wall as it is: a recorder that has not filled its
      // table yet would otherwise lose every plane, and be disconnected.
      if (!(*cameras)->empty())
        table_->unbindPlanesThatExceedsCamera(static_cast<int64_t>((*cameras)->size()) - 1, client);
      for (const CameraInfo& info : **cameras)
        for (int64_t plane : table_->planesByCamera(info.number(), client.get())) view_.updatePlane(plane, info);
    }
  }
  notifySelectedNetworkClient(client.get(), -1, VideoViewControllerNetworkClientStateCameraInfoUpdated);
}

void VideoViewController::liveClientPTZPresetLabelsReceived(const std::shared_ptr<LiveClientPort>& client,
                                                            const Notification& notification) {
  const int64_t* camera = notification.get<int64_t>(LiveDeviceIDKey);
  if (!camera) return;
  notifySelectedNetworkClient(client.get(), *camera, VideoViewControllerNetworkClientStatePTZPresetLabelsReceived);
}

// ---- Table delegate

void VideoViewController::cameraMappingTableBoundPlane(CameraMappingTable&, int64_t plane, int64_t camera,
                                                       const std::shared_ptr<LiveClientPort>& client) {
  routes_->bound(plane, client.get(), camera);
  bool connected = client->isConnected();
  view_.clearPlane(plane, !connected, false);
  if (connected) {
    sendVideoChannelMaskToLiveClient(client);
    // Held: the network thread may publish a new table meanwhile.
    const CameraInfoArray cameras = client->cameraInfoArray();
    if (const CameraInfo* info = findCameraInfo(cameras, camera)) view_.updatePlane(plane, *info);
  }
  postPlane(VideoViewControllerPlaneBoundNotification, plane);
  if (plane == view_.selectedPlane()) {
    if (connected) client->sendAudioChannelMask(convertNumbersToBitMask32({camera}));
    collaborators_.audio->stop();
    postState(VideoViewControllerNetworkClientStateBound);
  }
}

void VideoViewController::cameraMappingTableUnboundPlane(CameraMappingTable&, int64_t plane, int64_t,
                                                         const std::shared_ptr<LiveClientPort>& client) {
  routes_->unbound(plane);
  view_.clearPlane(plane, false, true);
  view_.resetCameraConfiguration(plane);
  bool connected = client->isConnected();
  if (connected) sendVideoChannelMaskToLiveClient(client);
  postPlane(VideoViewControllerPlaneUnboundNotification, plane);
  if (plane == view_.selectedPlane()) {
    collaborators_.audio->stop();
    if (connected) client->sendAudioChannelMask(BitMask32::zero());
    postState(VideoViewControllerNetworkClientStateUnbound);
  }
}

void VideoViewController::cameraMappingTableUnboundNetworkClient(CameraMappingTable&,
                                                                 const std::shared_ptr<LiveClientPort>& client) {
  client->disconnect();
  unregisterClientToAutoReconnect(client);
  // A client that is down already sends no further notice; one that is up is
  // released after its disconnection notice.
  releaseClientIfGone(client);
}

// ---- View notifications

void VideoViewController::videoViewConnectionTargetDropped(const Notification& notification) {
  const int64_t* plane = notification.get<int64_t>(VideoViewPlaneKey);
  const QByteArray* data = notification.get<QByteArray>(VideoViewConnectionTargetDataKey);
  if (!plane || !data || !isPlane(*plane)) return;
  std::shared_ptr<ConnectionTarget> target = unarchiveConnectionTarget(*data);
  if (!target) {
    zelvoLog("Dropped connection target could not be read: ignored");
    return;
  }
  if (target->type() == ConnectionTargetTypeFavorite) {
    if (auto favorite = std::dynamic_pointer_cast<FavoriteTarget>(target)) connectToFavorite(*favorite);
  } else if (auto site = std::dynamic_pointer_cast<SiteInfo>(target)) {
    connectToSite(site, *plane);
  }
  view_.setSelectedPlane(*plane);
}

void VideoViewController::videoViewSelectedPlaneChanged() {
  int64_t selected = view_.selectedPlane();
  routes_->setSelectedPlane(selected);
  std::shared_ptr<const CameraMappingTableItem> item = isPlane(selected) ? table_->itemByPlane(selected) : nullptr;
  if (item && item->networkClient->isConnected()) {
    for (const auto& client : table_->allNetworkClients())
      client->sendAudioChannelMask(client == item->networkClient ? convertNumbersToBitMask32({item->camera})
                                                                 : BitMask32::zero());
  }
  collaborators_.audio->stop();
}

void VideoViewController::videoViewLayoutChanged() { sendVideoChannelMaskToAllLiveClients(); }

void VideoViewController::videoViewPlaneDragged(const Notification& notification) {
  const int64_t* source = notification.get<int64_t>(VideoViewPlaneSourceKey);
  const int64_t* target = notification.get<int64_t>(VideoViewPlaneTargetKey);
  if (!source || !target || *source == *target || !isPlane(*source) || !isPlane(*target)) return;
  std::shared_ptr<const CameraMappingTableItem> item = table_->itemByPlane(*source);
  if (!item) return;
  CameraConfiguration configuration = view_.getCameraConfigurationFromPlane(*source);
  table_->bindPlane(*target, item->camera, item->networkClient);
  table_->unbindPlane(*source);
  view_.setSelectedPlane(*target);
  view_.setCameraConfiguration(configuration, *target);
}

void VideoViewController::videoViewDeleteRequested() { closeSelectedPlane(); }

// ---- Masks and media

BitMask32 VideoViewController::convertNumbersToBitMask32(const std::vector<int64_t>& cameras) {
  BitMask32 mask;
  for (int64_t camera : cameras)
    if (0 <= camera && camera < 32) mask.set(static_cast<int>(camera));
  return mask;
}

void VideoViewController::sendVideoChannelMaskToLiveClient(const std::shared_ptr<LiveClientPort>& client) {
  if (!table_) return;
  collaborators_.decoders->resetForNetworkClient(*client);
  int64_t last = table_->maxPlaneCount() - 1;
  int64_t first = std::clamp<int64_t>(view_.firstPlaneInCurrentLayout(), 0, last);
  int64_t end = std::clamp<int64_t>(view_.lastPlaneInCurrentLayout(), 0, last);
  client->sendVideoChannelMask(convertNumbersToBitMask32(table_->camerasInNetworkClient(client.get(), first, end)));
}

void VideoViewController::sendVideoChannelMaskToAllLiveClients() {
  if (!table_) return;
  for (const auto& client : table_->allNetworkClients()) sendVideoChannelMaskToLiveClient(client);
}

float VideoViewController::verticalScaleForPicture(int width, int height) {
  return width >= MinFieldWidth && height < MaxFieldHeight ? 2.0f : 1.0f;
}

bool VideoViewController::isVideoFrame(const MediaFrame& frame, const LiveClientPort* client, int64_t plane) const {
  if (!isPlane(plane)) return false;
  auto item = table_->itemByPlane(plane);
  return item && item->networkClient.get() == client && item->camera == frame.channel();
}

bool VideoViewController::isAudioFrame(const MediaFrame& frame, const LiveClientPort* client, int64_t plane) const {
  if (!isPlane(plane)) return false;
  auto item = table_->itemByPlane(plane);
  // A camera beyond 31 has no bit in the frame's mask.
  return item && item->networkClient.get() == client && 0 <= item->camera && item->camera < 32 &&
         frame.relatedChannelMask().isSet(static_cast<int>(item->camera));
}

bool VideoViewController::shouldPlayAudioFrame(const MediaFrame& frame, const LiveClientPort* client) const {
  int64_t selected = view_.selectedPlane();
  if (!client || !isAudioFrame(frame, client, selected)) return false;
  return soundPlayable(findCameraInfo(client->cameraInfoArray(), table_->cameraByPlane(selected)));
}

void VideoViewController::mediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame,
                                             const std::shared_ptr<LiveClientPort>& client) {
  if (!frame) return;
  if (frame->type() == MediaFrameTypeVideo)
    handleVideoFrame(frame, client);
  else if (frame->type() == MediaFrameTypeAudio)
    handleAudioFrame(frame, client);
}

void VideoViewController::handleVideoFrame(const std::shared_ptr<const MediaFrame>& frame,
                                           const std::shared_ptr<LiveClientPort>& client) {
  // The planes as bound now; a binding that changes before the picture is decoded
  // drops it (see PictureRoutes).
  std::vector<PictureRoutes::Target> targets = routes_->videoTargets(client.get(), frame->channel());
  if (targets.empty()) return;
  // The decoding queue hands its picture to the planes' slots and goes on at once: no
  // hop to the main thread, no wait for drawing. The frame-shown state and the sound's
  // trimming follow from the view's renders (picturesShown).
  collaborators_.decoders->asyncDecodeMediaFrame(
      *frame, *client,
      [routes = routes_, targets = std::move(targets), frame, client = client.get()](DecodedVideoFrame picture) {
        if (!picture.gotPicture) {
          zelvoLog("DECODER ERROR");
          return;
        }
        routes->deliver(targets, client, picture, frame->dateTime());
      });
}

void VideoViewController::picturesShown(const std::vector<int64_t>& planes) {
  const int64_t selected = view_.selectedPlane();
  if (!table_ || !isPlane(selected) || std::find(planes.begin(), planes.end(), selected) == planes.end()) return;
  std::shared_ptr<const CameraMappingTableItem> item = table_->itemByPlane(selected);
  if (!item || !item->networkClient || item->networkClient->isDisconnected()) return;
  const std::optional<DateTime> time = routes_->frameTime(selected);
  if (!time) return;
  notifySelectedNetworkClient(item->networkClient.get(), item->camera,
                              VideoViewControllerNetworkClientStateVideoFrameShown, VideoViewControllerVideoFrameTimeKey,
                              *time);
  collaborators_.audio->discardDelayedData();
}

void VideoViewController::handleAudioFrame(const std::shared_ptr<const MediaFrame>& frame,
                                           const std::shared_ptr<LiveClientPort>& client) {
  const std::optional<int64_t> camera = routes_->selectedCameraForSound(client.get(), *frame);
  if (!camera) return;
  // The camera's status, as the main thread checks it again before playing: sound that
  // would not be played takes no place in the camera's bounded queue.
  if (!soundPlayable(findCameraInfo(client->cameraInfoArray(), *camera))) return;
  CodecInfo codec;
  if (!frame->getCodecInfo(&codec)) return;
  // Behind the camera's queued pictures, so the sound never runs ahead of them.
  bool queued = collaborators_.decoders->dispatchAsyncOnQueueForCamera(
      *camera, *client, [this, hops = hops_, frame, weak = std::weak_ptr<LiveClientPort>(client), codec] {
        // Handed on without a wait: the queue goes on with the camera's next picture.
        auto play = [this, hops, frame, weak, codec] {
          if (hops->isCancelled()) return;
          auto client = weak.lock();
          if (client && shouldPlayAudioFrame(*frame, client.get()))
            collaborators_.audio->play(frame->data(), static_cast<int>(frame->mediaDataSize()), codec);
        };
        if (isMainThread())
          play();
        else
          runOnMain(std::move(play));
      });
  if (!queued) zelvoLog("No decoding queue for the selected camera: audio frame dropped");
}

// ---- Posting

void VideoViewController::notifySelectedNetworkClient(const LiveClientPort* client, int64_t camera, int state,
                                                      const std::string& key, std::any object) {
  int64_t selected = view_.selectedPlane();
  if (!isPlane(selected)) return;
  auto item = table_->itemByPlane(selected);
  if (!item || item->networkClient.get() != client) return;
  if (camera >= 0 && item->camera != camera) return;
  postState(state, key, std::move(object));
}

void VideoViewController::postState(int state, const std::string& key, std::any object) {
  UserInfo info{{VideoViewControllerNetworkClientStateKey, state}};
  if (!key.empty() && object.has_value()) info[key] = std::move(object);
  NotificationCenter::defaultCenter().post(VideoViewControllerSelectedNetworkClientStateChangedNotification, this,
                                           std::move(info));
}

void VideoViewController::postPlane(const std::string& name, int64_t plane) {
  NotificationCenter::defaultCenter().post(name, this, UserInfo{{VideoViewControllerPlaneKey, plane}});
}

}  // namespace zelvo
