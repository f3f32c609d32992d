#include "Network/Playback/TimeTable.h"

#include "Network/BitMask32.h"
#include "Network/Playback/Description.h"

namespace zelvo {

TimeTable::TimeTable(const TimeSliceList& timeSliceList, int inScale) {
  if (inScale >= 2) scale_ = inScale;
  fillWithTimeSlices(timeSliceList);
}

void TimeTable::fillWithTimeSlices(const TimeSliceList& timeSliceList) {
  timeTracks_.clear();
  for (const TimeSlice& slice : timeSliceList.timeSlices())
    for (int channel = 0; channel < BitMask32::BitCount; ++channel)
      if (slice.channelMask().isSet(channel))
        timeTracks_[channel].merge(slice.interval(), slice.sectionID(), static_cast<uint32_t>(scale_));
}

const TimeTrack* TimeTable::timeTrackForChannel(int channel) const {
  auto it = timeTracks_.find(channel);
  return it == timeTracks_.end() ? nullptr : &it->second;
}

void TimeTable::getSectionsByInterval(const Interval& interval, std::set<uint32_t>& result) const {
  for (const auto& [channel, track] : timeTracks_) track.getSectionsByInterval(interval, result);
}

std::vector<uint32_t> TimeTable::sectionsByInterval(const Interval& interval) const {
  std::set<uint32_t> sections;
  getSectionsByInterval(interval, sections);
  return {sections.begin(), sections.end()};
}

std::optional<std::vector<uint32_t>> TimeTable::sectionsByInterval(const Interval& interval,
                                                                   uint32_t ofChannel) const {
  if (ofChannel >= static_cast<uint32_t>(BitMask32::BitCount)) return std::nullopt;
  const TimeTrack* track = timeTrackForChannel(static_cast<int>(ofChannel));
  if (!track) return std::nullopt;
  return track->sectionsByInterval(interval);
}

std::optional<DateTime> TimeTable::nearestDateTime(const DateTime& t, const Interval& onInterval,
                                                   uint32_t ofChannel) const {
  if (ofChannel >= static_cast<uint32_t>(BitMask32::BitCount)) return std::nullopt;
  const TimeTrack* track = timeTrackForChannel(static_cast<int>(ofChannel));
  if (!track) return std::nullopt;
  return track->nearestDateTime(t, onInterval);
}

std::string TimeTable::description() const {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const auto& [channel, track] : timeTracks_) entries.emplace_back(std::to_string(channel), track.description());
  return describeDictionary(entries);
}

}  // namespace zelvo
