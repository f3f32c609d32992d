#pragma once
// What one channel has recorded: every stretch merged across sections, and the
// stretches of each section apart.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Network/DateTime.h"
#include "Network/Interval.h"
#include "Network/Playback/Timeline.h"

namespace zelvo {

class TimeTrack {
 public:
  // Into the merged timeline, then into the section's own.
  void merge(const Interval& interval, uint32_t ofSection, uint32_t withScale);
  // The section's timeline, made empty on first use.
  Timeline& timelineOfSection(uint32_t section);

  // Adds every section whose timeline overlaps the interval.
  void getSectionsByInterval(const Interval& interval, std::set<uint32_t>& result) const;
  // Without repeats, ascending.
  std::vector<uint32_t> sectionsByInterval(const Interval& interval) const;
  // The recorded instant within the range nearest to t: t itself when it is
  // recorded, else the nearest edge of a recorded stretch of the range (the earlier
  // one on a tie); none when nothing in the range is recorded.
  std::optional<DateTime> nearestDateTime(const DateTime& t, const Interval& onInterval) const;

  const Timeline& mergedTimeline() const { return mergedTimeline_; }
  const std::map<uint32_t, Timeline>& timelines() const { return timelines_; }
  std::string description() const;  // "merged : <timeline>, <sections>"

 private:
  Timeline mergedTimeline_;
  std::map<uint32_t, Timeline> timelines_;
};

}  // namespace zelvo
