#pragma once
// The hub of the video wall: turns drops of sites, cameras and favourites into
// recorder connections and plane bindings, reacts to every change of the mapping
// table, listens to each live client it makes, asks each recorder for exactly the
// cameras the shown page needs (and the selected camera's sound), and routes the
// frames: pictures through the camera's decoding queue to every plane showing it,
// sound of the selected camera to the player behind that camera's pictures.
//
// Main thread only, apart from the clients' media-frame handlers and the decoding
// queues' completion handlers. A frame goes from its client's network thread to its
// camera's decoding queue, and the picture from there straight to the view's slots of
// the planes bound to its camera: nothing on the way hops to the main thread or waits
// for it, so a busy main thread holds up no recorder. The selected camera's frame-shown
// state and the trimming of its sound run on the main thread when the view has drawn
// its picture, at most once per render. The selected camera's sound goes through its
// decoding queue and on to the main thread without a wait. The selection is learnt
// from the view's selection notification. Once the controller goes away no client and
// no queue reaches it.
//
// Each client is observed from its making until it has left the wall and its last
// disconnection notice has been handled; the observations hold the client, so an
// observation never outlives its client and never meets a new client made at the
// same address.

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Network/DateTime.h"
#include "ViewControllers/Wall/AutoReconnecter.h"
#include "ViewControllers/Wall/CameraMappingTable.h"
#include "ViewControllers/Store/FavoriteTarget.h"
#include "ViewControllers/Wall/LiveClientPort.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "ViewControllers/Wall/VideoViewControllerQueries.h"
#include "ViewControllers/Wall/VideoViewPort.h"
#include "ViewControllers/Wall/WallControllerPorts.h"
#include "ViewControllers/Wall/WallMediaPorts.h"

namespace zelvo {

class HopCancellation;

// Posted with the controller as object: VideoViewControllerNetworkClientStateKey (int,
// a VideoViewControllerNetworkClientState), and for state 9 VideoViewControllerVideoFrameTimeKey
// (DateTime, the shown frame's time).
inline const std::string VideoViewControllerSelectedNetworkClientStateChangedNotification =
    "VideoViewControllerSelectedNetworkClientStateChangedNotification";
// VideoViewControllerPlaneKey (int64_t).
inline const std::string VideoViewControllerPlaneBoundNotification = "VideoViewControllerPlaneBoundNotification";
inline const std::string VideoViewControllerPlaneUnboundNotification = "VideoViewControllerPlaneUnboundNotification";
inline const std::string VideoViewControllerNetworkClientStateKey = "VideoViewControllerNetworkClientStateKey";
inline const std::string VideoViewControllerVideoFrameTimeKey = "VideoViewControllerVideoFrameTimeKey";
inline const std::string VideoViewControllerPlaneKey = "VideoViewControllerPlaneKey";

enum VideoViewControllerNetworkClientState : int {
  VideoViewControllerNetworkClientStateBound = 0,
  VideoViewControllerNetworkClientStateUnbound = 1,
  VideoViewControllerNetworkClientStateWillConnect = 2,
  VideoViewControllerNetworkClientStateLoginSucceed = 3,
  VideoViewControllerNetworkClientStateDisconnected = 4,
  VideoViewControllerNetworkClientStateCameraInfoUpdated = 5,
  VideoViewControllerNetworkClientStateAlarmStatusUpdated = 6,
  VideoViewControllerNetworkClientStateEventReceived = 7,
  VideoViewControllerNetworkClientStateSystemEventReceived = 8,
  VideoViewControllerNetworkClientStateVideoFrameShown = 9,
  VideoViewControllerNetworkClientStatePTZPresetLabelsReceived = 10,
};

class VideoViewController : public QObject,
                            public VideoViewControllerQueries,
                            private CameraMappingTableDelegate {
  Q_OBJECT

 public:
  static constexpr int64_t MaxPlaneCount = 64;
  // Vertical scale 2.0 for pictures at least this wide and under MaxFieldHeight high.
  static constexpr int MinFieldWidth = 501;
  static constexpr int MaxFieldHeight = 300;

  struct Collaborators {
    LiveClientFactory* clients = nullptr;
    WallDecoderPort* decoders = nullptr;
    WallAudioPort* audio = nullptr;
    TimerFactory* timers = nullptr;
    // The process's: real clients, the shared decoder group and player, Qt timers.
    static Collaborators shared();
  };

  // The view must outlive the controller.
  explicit VideoViewController(VideoViewPort& view, Collaborators collaborators = Collaborators::shared(),
                               QObject* parent = nullptr);
  ~VideoViewController() override;

  // The instance that awoke last (null before, and after it went away).
  static VideoViewController* sharedController();

  // Wired by the main window; without them a connect is not asked about and the
  // stored sites are not updated, and the preferences read as missing.
  void setMainWindow(WallMainWindowPort* mainWindow) { mainWindow_ = mainWindow; }
  void setPreferences(WallPreferencesPort* preferences) { preferences_ = preferences; }

  // Once, after the view exists and before it is first shown: observes the view,
  // makes the mapping table and the reconnecter, reads the preferences.
  void awake();
  void initWithPreference();

  VideoViewPort& videoView() const { return view_; }
  // The table's slots (read-only); empty before awake().
  const CameraMappingTable::Slots& cameraMappingTable() const;
  AutoReconnecter* autoReconnecter() const { return autoReconnecter_.get(); }

  bool autoReconnect() const { return autoReconnect_; }
  void setAutoReconnect(bool on);
  double reconnectInterval() const { return reconnectInterval_; }
  // A period that is not a positive number is refused (a zero period would retry
  // every recorder without pause).
  void setReconnectInterval(double seconds);
  bool keepAspectRatio() const { return keepAspectRatio_; }
  void setKeepAspectRatio(bool keep);

  // Connecting.
  void connectToSite(const std::shared_ptr<SiteInfo>& site, int64_t plane);
  void connectToFavorite(const FavoriteTarget& favorite);
  void reconnectSelectedPlane();
  // The operator changed a site: clients it is attached to connect with the new
  // address, port, user and password from now on; one whose login was refused goes
  // back to automatic reconnection.
  void siteEdited(const SiteInfo& edited);
  void closeSelectedPlane();
  void unbindAllPlanes();
  void disconnectAllNetworkClients();
  void disconnectAllNetworkClientsExcept(const LiveClientPort* client);

  // Queries (the table at the moment of the call).
  std::shared_ptr<LiveClientPort> networkClientForPlane(int64_t plane) const;
  std::shared_ptr<LiveClientPort> networkClientForSelectedPlane() const;
  bool hasNetworkClientForPlane(int64_t plane) const override;
  int64_t cameraForPlane(int64_t plane) const override;
  int64_t cameraForSelectedPlane() const;
  std::shared_ptr<SiteInfo> siteInfoForPlane(int64_t plane) const override;
  std::optional<CameraInfo> cameraInfoForPlane(int64_t plane) const override;
  std::shared_ptr<SiteInfo> siteInfoForSelectedPlane() const;
  // The text of the login refusal ("Unknown user.", "Invalid password", "Permission
  // denied.") that ended the client's last connection; none after any other end, and
  // once the client connects again. Such a client is not reconnected automatically.
  std::optional<std::string> loginRefusalForNetworkClient(const LiveClientPort* client) const;
  std::optional<std::string> loginRefusalForSelectedPlane() const;
  std::vector<std::shared_ptr<SiteInfo>> allSiteInfosForPlane(int64_t plane) const;
  std::vector<std::shared_ptr<SiteInfo>> allSiteInfosForSelectedPlane() const;
  int64_t boundNetworkClientCount() const;
  // A client on the wall that serves the site (same address and port, and same user
  // and password unless the site was found by discovery), connected or not.
  std::shared_ptr<LiveClientPort> alreadyConnectedNetworkClientBySite(const SiteInfo& site) const;

  // Masks and media.
  // Cameras 32 and above have no bit: they are left out.
  static BitMask32 convertNumbersToBitMask32(const std::vector<int64_t>& cameras);
  void sendVideoChannelMaskToLiveClient(const std::shared_ptr<LiveClientPort>& client);
  void sendVideoChannelMaskToAllLiveClients();
  // Any thread (the client's network thread, through its media-frame handler): they
  // read only what the main thread keeps for them (PictureRoutes) and hand the frame
  // to its camera's decoding queue.
  void handleVideoFrame(const std::shared_ptr<const MediaFrame>& frame, const std::shared_ptr<LiveClientPort>& client);
  void handleAudioFrame(const std::shared_ptr<const MediaFrame>& frame, const std::shared_ptr<LiveClientPort>& client);
  bool isVideoFrame(const MediaFrame& frame, const LiveClientPort* client, int64_t plane) const;
  bool isAudioFrame(const MediaFrame& frame, const LiveClientPort* client, int64_t plane) const;
  bool shouldPlayAudioFrame(const MediaFrame& frame, const LiveClientPort* client) const;
  static float verticalScaleForPicture(int width, int height);

  // Clients observed now (on the wall, or leaving it and not yet disconnected).
  size_t observedClientCount() const { return records_.size(); }

 private:
  struct ClientRecord;
  struct PictureRoutes;

  // Table delegate.
  void cameraMappingTableBoundPlane(CameraMappingTable& table, int64_t plane, int64_t camera,
                                    const std::shared_ptr<LiveClientPort>& client) override;
  void cameraMappingTableUnboundPlane(CameraMappingTable& table, int64_t plane, int64_t camera,
                                      const std::shared_ptr<LiveClientPort>& client) override;
  void cameraMappingTableUnboundNetworkClient(CameraMappingTable& table,
                                              const std::shared_ptr<LiveClientPort>& client) override;

  // View notifications.
  void videoViewConnectionTargetDropped(const Notification& notification);
  void videoViewSelectedPlaneChanged();
  void videoViewLayoutChanged();
  void videoViewPlaneDragged(const Notification& notification);
  void videoViewDeleteRequested();

  // Client notifications; each handler holds its client.
  void liveClientWillConnect(const std::shared_ptr<LiveClientPort>& client);
  void liveClientLoginSucceed(const std::shared_ptr<LiveClientPort>& client);
  void liveClientDisconnected(const std::shared_ptr<LiveClientPort>& client, const Notification& notification);
  void liveClientCameraInfoUpdated(const std::shared_ptr<LiveClientPort>& client, const Notification& notification);
  // The client's media-frame handler, on its network thread.
  void mediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame, const std::shared_ptr<LiveClientPort>& client);
  void liveClientPTZPresetLabelsReceived(const std::shared_ptr<LiveClientPort>& client,
                                         const Notification& notification);

  std::shared_ptr<LiveClientPort> liveClientForSite(const std::shared_ptr<SiteInfo>& site);
  void attach(const std::shared_ptr<SiteInfo>& site, LiveClientPort& client);
  void updateSiteInfo(SiteInfo& site, const LiveClientPort& client);
  void registerObserverToLiveClient(const std::shared_ptr<LiveClientPort>& client);
  // Ends the observation of a client that has left the wall and is disconnected.
  void releaseClientIfGone(const std::shared_ptr<LiveClientPort>& client);
  void registerClientToAutoReconnect(const std::shared_ptr<LiveClientPort>& client);
  void unregisterClientToAutoReconnect(const std::shared_ptr<LiveClientPort>& client);
  void connectClientToSite(LiveClientPort& client, const SiteInfo& site);
  // The view drew new pictures of these planes.
  void picturesShown(const std::vector<int64_t>& planes);
  ClientRecord* recordOf(const LiveClientPort* client) const;
  bool isPlane(int64_t plane) const;

  void notifySelectedNetworkClient(const LiveClientPort* client, int64_t camera, int state,
                                   const std::string& key = {}, std::any object = {});
  void postState(int state, const std::string& key = {}, std::any object = {});
  void postPlane(const std::string& name, int64_t plane);

  VideoViewPort& view_;
  Collaborators collaborators_;
  WallMainWindowPort* mainWindow_ = nullptr;
  WallPreferencesPort* preferences_ = nullptr;
  std::unique_ptr<CameraMappingTable> table_;
  std::unique_ptr<AutoReconnecter> autoReconnecter_;
  bool autoReconnect_ = false;
  double reconnectInterval_ = AutoReconnecter::DefaultInterval;
  bool keepAspectRatio_ = false;
  std::vector<Observation> viewObservations_;
  std::vector<std::unique_ptr<ClientRecord>> records_;
  // Given up in the destructor, before anything else goes.
  const std::shared_ptr<HopCancellation> hops_;
  const std::shared_ptr<PictureRoutes> routes_;
};

}  // namespace zelvo
