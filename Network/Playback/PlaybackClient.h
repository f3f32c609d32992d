#pragma once
// The recorder connection for recorded video: the recording and event calendars,
// the time slices and sections of a day, paged event lists, and play, pause,
// step, jump and channel changes on the recorded stream, whose frames it paces
// and posts. Calendar and list requests go through the request coordinator, play
// and stop through the state machine, frames through the media dispatcher.
//
// Threads: the client runs on a network thread of its own, so that back-pressure
// from the dispatcher (five frames in flight) stalls only this connection. The
// state machine runs only on the playback queue; frames (517), pauses (519) and
// the login hook enter that queue synchronously from the network thread. The
// public operations may be called from any thread and never block.

#include <atomic>
#include <memory>
#include <mutex>

#include "Foundation/MainThread.h"
#include "Foundation/SerialQueue.h"
#include "Network/BitMask32.h"
#include "Network/Date.h"
#include "Network/Interval.h"
#include "Network/NetworkClient.h"
#include "Network/Playback/EventListRequest.h"
#include "Network/Playback/MediaDispatcher.h"
#include "Network/Playback/PacingClock.h"
#include "Network/Playback/PlayRequest.h"
#include "Network/Playback/PlaybackClientDelegate.h"
#include "Network/Playback/PlaybackNotifications.h"
#include "Network/Playback/PlaybackRequestCoordinator.h"
#include "Network/Playback/PlaybackStateMachine.h"

namespace zelvo {

class PlaybackClient : public NetworkClient,
                       private PlaybackStateMachineContext,
                       private MediaDispatcherContext,
                       private PlaybackRequestCoordinatorDelegate {
 public:
  static constexpr int SupportingProfile = 2;

  // The process-wide client, on a network thread of its own; never destroyed.
  static const std::shared_ptr<PlaybackClient>& sharedClient();
  // A client of its own (tests): on thread, or on a new network thread when null;
  // frames paced by clock, or by the steady clock when null.
  static std::shared_ptr<PlaybackClient> create(std::shared_ptr<NetworkThread> thread = nullptr,
                                                std::shared_ptr<PacingClock> clock = nullptr);
  PlaybackClient(std::shared_ptr<NetworkThread> thread, std::shared_ptr<PacingClock> clock);
  ~PlaybackClient() override;

  // Play and stop: queued on the playback queue, after the dispatcher was told to
  // stop (so a frame hand-over that blocks the queue is released at once).
  void play(std::shared_ptr<PlayRequest> request);
  void updateChannelMask(const BitMask32& mask, bool withAudio);
  void pause();

  // Calendars and lists: refused with a log line unless logged in.
  void requestRecordingCalendar();  // 1970-01-01 to 2100-12-31
  void requestRecordingCalendar(const Date& from, const Date& to);
  void requestRecordingTimeSliceList(const Date& date, const BitMask32& ofChannel);
  void requestRecordingSectionList(const Interval& interval, const BitMask32& ofChannel);
  void requestEventCalendar();  // 1970-01-01 to 2100-12-31
  void requestEventCalendar(const Date& from, const Date& to);
  void requestEventList(const EventListRequest& request);
  // The value is the caller's; the client gives it no meaning.
  void requestEventListContinue(uint32_t value, bool withDirection);
  void flushCache();

  PlaybackClientDelegate* playbackDelegate() const;

  // 3 from the recorder is passed on as 10; every other reason unchanged.
  static int parsePauseReason(int reason) { return reason == 3 ? 10 : reason; }

  // The machine as the last work on the playback queue left it; any thread
  // (published under a lock, never waiting for the queue).
  std::string stateKey() const;
  bool isPlaying() const;
  std::shared_ptr<PlayRequest> lastPlayRequest() const;
  MediaDispatcher& mediaDispatcher() { return *mediaDispatcher_; }
  // Runs task on the playback queue and waits. Never from the main thread: the
  // queue may be waiting for it to deliver a notification.
  void syncOnPlaybackQueue(const std::function<void()>& task);

 protected:
  int supportingProfile() const override { return SupportingProfile; }
  void loginSucceed() override;
  void analyzePacket(const std::shared_ptr<Packet>& packet) override;
  bool cleanup() override;

 private:
  // Message handlers (network thread).
  void handleRecordingCalendarMessage(Packet& packet);
  void handleRecordingTimeSliceListMessage(Packet& packet);
  void handleEventListMessage(Packet& packet);
  void handleRecordingSectionListMessage(Packet& packet);
  void handleMediaFrameMessage(Packet& packet);
  void handlePauseMessage(Packet& packet);
  void handleEventCalendarMessage(Packet& packet);

  // Senders (playback queue).
  void requestPlay(const std::shared_ptr<PlayRequest>& request);
  void sendPlayRequest(const PlayRequest& request);
  void handleUpdateChannelMaskPlayRequest(const std::shared_ptr<PlayRequest>& update);
  void requestPause(const MediaPosition& position);
  void requestJumpToPosition(const MediaPosition& position, uint64_t ofMediaID);
  void requestJumpToEvent(const MediaPosition& position, const BitMask32& withChannel);
  void requestJumpToNearPosition(const MediaPosition& position, const DateTime& atDateTime, int withDirection,
                                 const BitMask32& ofChannel);
  bool send(const std::shared_ptr<Packet>& packet);
  bool mayRequest(const char* what) const;

  void post(const std::string& name, UserInfo userInfo);
  // Runs work on the state machine (playback queue), then publishes its state.
  void runMachine(const std::function<void()>& work);

  // PlaybackStateMachineContext (playback queue).
  void contextPlayRequested(const std::shared_ptr<PlayRequest>& request) override;
  void contextStopRequested() override;
  void contextPlaybackStarted(const std::shared_ptr<PlayRequest>& request,
                              const std::shared_ptr<const MediaFrame>& withFrame, const MediaPosition& atPosition,
                              bool visible) override;
  void contextPlaybackStopped(int reason, const std::shared_ptr<PlayRequest>& forPlayRequest,
                              bool withAllMediaDispatchedNotification) override;
  void contextMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame, const MediaPosition& atPosition,
                                 bool visible, const std::shared_ptr<PlayRequest>& forPlayRequest) override;
  void contextNeedToBeSureAllMediaDispatched() override;

  // MediaDispatcherContext (dispatch queue).
  void allMediaDispatched() override;

  // PlaybackRequestCoordinatorDelegate (coordination queue).
  bool sendRecordingCalendarRequest(const Date& from, const Date& to) override;
  bool sendRecordingTimeSliceListRequest(const Date& date, const BitMask32& channel) override;
  bool sendRecordingSectionListRequest(const Interval& interval, const BitMask32& channel) override;
  bool sendEventCalendarRequest(const Date& from, const Date& to) override;
  bool sendEventListRequest(const EventListRequest& request) override;
  bool sendEventListContinueRequest(uint32_t value, bool direction) override;
  void notifyRecordingCalendarReceived(const std::vector<Date>& dates) override;
  void notifyRecordingTimeSliceListReceived(const std::shared_ptr<const TimeSliceList>& list) override;
  void notifyRecordingSectionListReceived(const std::shared_ptr<const SectionList>& list) override;
  void notifyEventCalendarReceived(const std::vector<Date>& dates) override;
  void notifyEventListReceived(const std::shared_ptr<const EventList>& list) override;

  // Set once the coordinator was reset for this login; cleared by every teardown.
  // Requests made outside are refused: their answers could not be told apart.
  std::atomic<bool> acceptingRequests_{false};
  mutable std::mutex publishedMutex_;
  std::string publishedStateKey_;
  std::shared_ptr<PlayRequest> publishedLastPlayRequest_;
  // Set when the client goes away: the dispatcher's last reports queue nothing more.
  std::mutex closingMutex_;
  bool closing_ = false;
  std::unique_ptr<PlaybackRequestCoordinator> requestCoordinator_;
  std::unique_ptr<PlaybackStateMachine> stateMachine_;
  std::unique_ptr<MediaDispatcher> mediaDispatcher_;
  std::unique_ptr<SerialQueue> playbackQueue_;
  // Cancelled when the client goes away, so no queue of it waits on the main thread then.
  std::shared_ptr<HopCancellation> hopCancellation_ = std::make_shared<HopCancellation>();
};

}  // namespace zelvo
