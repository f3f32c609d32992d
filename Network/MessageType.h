#pragma once
// Every message type of the recorder protocol. The high byte groups them:
// 0x00 connection, 0x01 live, 0x02 playback, 0x03 remote setup.
// "to" = sent to the recorder, "from" = received from it.

#include <cstdint>

namespace zelvo {

enum MessageType : uint16_t {
  // connection
  MessageTypeSync = 1,           // both
  MessageTypeLoginRequest = 2,   // to
  MessageTypeLoginResponse = 3,  // from
  MessageTypeAlive = 7,          // both: keep-alive, answered with an empty type 7
  MessageTypeBusy = 8,           // from: all channels busy, no payload is read

  // live
  MessageTypeLiveMediaFrame = 257,             // from
  MessageTypeCameraInfo = 258,                 // from
  MessageTypeVideoChannelMask = 259,           // to
  MessageTypePTZ = 260,                        // both: PTZ commands and presets
  MessageTypeEventInfo = 262,                  // from
  MessageTypeAlarmCommand = 263,               // both
  MessageTypeAudioChannelMask = 267,           // to
  MessageTypeHTTPStreamingChannelMask = 269,   // to
  MessageTypeHTTPStreamingReady = 270,         // from
  MessageTypeHTTPStreamingFailed = 271,        // from
  MessageTypeLiveError = 4351,                 // from (0x10FF)

  // playback
  MessageTypeRecordingCalendar = 513,       // both
  MessageTypeRecordingTimeSliceList = 514,  // both
  MessageTypeEventList = 515,               // both
  MessageTypeRecordingSectionList = 516,    // both
  MessageTypePlaybackMediaFrame = 517,      // from
  MessageTypePlayRequest = 518,             // to
  MessageTypePause = 519,                   // both: pause (to), paused with a reason (from)
  MessageTypeEventCalendar = 521,           // both
  MessageTypeEventListContinue = 522,       // to
  MessageTypeJump = 523,                    // to: jump to position or to event
  MessageTypeJumpToNearPosition = 524,      // to
  MessageTypePlaybackInterval = 525,        // to

  // remote setup
  MessageTypeSetupBusy = 771,   // from
  MessageTypeOSDImage = 773,    // from
  MessageTypeSetupInput = 774,  // to: mouse or key input
  MessageTypeOSDSize = 775,     // from
};

}  // namespace zelvo
