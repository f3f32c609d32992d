#pragma once
// What a time-slice list says is recorded, channel by channel: for drawing a
// recording time bar or asking which stretches and sections hold recordings.
// Stretches closer than the scale (seconds, at least 1) are fused.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Network/Playback/TimeSliceList.h"
#include "Network/Playback/TimeTrack.h"

namespace zelvo {

class TimeTable {
 public:
  TimeTable() = default;
  // A scale below 2 keeps the tolerance of 1 second.
  TimeTable(const TimeSliceList& timeSliceList, int inScale);

  // Starts afresh: every slice's interval into the track of each of its channels,
  // under its section.
  void fillWithTimeSlices(const TimeSliceList& timeSliceList);

  // None for a channel with no recording.
  const TimeTrack* timeTrackForChannel(int channel) const;
  void getSectionsByInterval(const Interval& interval, std::set<uint32_t>& result) const;
  // Over every channel, without repeats, ascending.
  std::vector<uint32_t> sectionsByInterval(const Interval& interval) const;
  // None when the channel has no track.
  std::optional<std::vector<uint32_t>> sectionsByInterval(const Interval& interval, uint32_t ofChannel) const;
  std::optional<DateTime> nearestDateTime(const DateTime& t, const Interval& onInterval, uint32_t ofChannel) const;

  const std::map<int, TimeTrack>& timeTracks() const { return timeTracks_; }
  int scale() const { return scale_; }
  std::string description() const;

 private:
  std::map<int, TimeTrack> timeTracks_;
  int scale_ = 1;
};

}  // namespace zelvo
