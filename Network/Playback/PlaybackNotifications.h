#pragma once
// The notifications the playback client offers a playback view, with their
// user-info keys. All are posted on the main thread with the client as the object.

namespace zelvo {

inline constexpr char PlaybackPlayRequestedNotification[] = "PlaybackPlayRequestedNotification";
inline constexpr char PlaybackStartedNotification[] = "PlaybackStartedNotification";
inline constexpr char PlaybackMediaFrameReceivedNotification[] = "PlaybackMediaFrameReceivedNotification";
inline constexpr char PlaybackPausedWithReasonNotification[] = "PlaybackPausedWithReasonNotification";
inline constexpr char PlaybackRecordingCalendarReceivedNotification[] =
    "PlaybackRecordingCalendarReceivedNotification";
inline constexpr char PlaybackRecordingTimeSliceListReceivedNotification[] =
    "PlaybackRecordingTimeSliceListReceivedNotification";
inline constexpr char PlaybackRecordingSectionListReceivedNotification[] =
    "PlaybackRecordingSectionListReceivedNotification";
inline constexpr char PlaybackEventCalendarReceivedNotification[] = "PlaybackEventCalendarReceivedNotification";
inline constexpr char PlaybackEventListReceivedNotification[] = "PlaybackEventListReceivedNotification";

// PlayRequest (a std::shared_ptr<const PlayRequest>)
inline constexpr char PlaybackPlayRequestKey[] = "PlaybackPlayRequestKey";
// std::shared_ptr<const MediaFrame>
inline constexpr char PlaybackMediaFrameKey[] = "PlaybackMediaFrameKey";
// MediaPosition
inline constexpr char PlaybackMediaPositionKey[] = "PlaybackMediaPositionKey";
// bool
inline constexpr char PlaybackVisibleKey[] = "PlaybackVisibleKey";
// int
inline constexpr char PlaybackPauseReasonKey[] = "PlaybackPauseReasonKey";
// std::vector<Date>
inline constexpr char PlaybackCalendarKey[] = "PlaybackCalendarKey";
// std::shared_ptr<const TimeSliceList>
inline constexpr char PlaybackTimeSliceListKey[] = "PlaybackTimeSliceListKey";
// std::shared_ptr<const SectionList>
inline constexpr char PlaybackSectionListKey[] = "PlaybackSectionListKey";
// std::shared_ptr<const EventList>
inline constexpr char PlaybackEventListKey[] = "PlaybackEventListKey";

}  // namespace zelvo
