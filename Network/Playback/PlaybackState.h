#pragma once
// One state of the client's view of the recorder's player. A state reacts to the
// triggers below by asking its context to act and to change state; the defaults
// are the reactions every state shares (connected: Initial; disconnected:
// Disconnected; everything else: nothing).
//
// States run only on the playback client's queue.

#include <memory>
#include <string>

#include "Network/Playback/PlaybackStateContext.h"

namespace zelvo {

class MediaFrame;
class MediaPosition;
class PlayRequest;

// The keys of the machine-level states.
inline constexpr char PlaybackStateDisconnectedKey[] = "PlaybackStateDisconnectedKey";
inline constexpr char PlaybackStateInitialKey[] = "PlaybackStateInitialKey";
inline constexpr char PlaybackStatePlayingKey[] = "PlaybackStatePlayingKey";
inline constexpr char PlaybackStateStoppedByUserKey[] = "PlaybackStateStoppedByUserKey";
inline constexpr char PlaybackStateStoppedAtTheEndKey[] = "PlaybackStateStoppedAtTheEndKey";
inline constexpr char PlaybackStateWaitingForStopKey[] = "PlaybackStateWaitingForStopKey";
inline constexpr char PlaybackStateWaitingForNextResponseKey[] = "PlaybackStateWaitingForNextResponseKey";

class PlaybackState {
 public:
  explicit PlaybackState(PlaybackStateContext* context) : context_(context) {}
  virtual ~PlaybackState() = default;
  PlaybackState(const PlaybackState&) = delete;
  PlaybackState& operator=(const PlaybackState&) = delete;

  virtual void triggerConnected();
  virtual void triggerDisconnected();
  virtual void triggerPlayRequest(const std::shared_ptr<PlayRequest>& request);
  virtual void triggerStopRequest();
  virtual void triggerPlayerStopped(int reason, const std::shared_ptr<PlayRequest>& withLastRequest);
  virtual void triggerMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame,
                                         const MediaPosition& atPosition, bool visible,
                                         const std::shared_ptr<PlayRequest>& forPlayRequest);
  virtual void triggerAllMediaDispatched();

  PlaybackStateContext* context() const { return context_; }

 private:
  PlaybackStateContext* context_;  // not owned; null for the machine itself
};

}  // namespace zelvo
