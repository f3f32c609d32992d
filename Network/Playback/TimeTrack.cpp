#include "Network/Playback/TimeTrack.h"

#include "Network/Playback/Description.h"

namespace zelvo {

void TimeTrack::merge(const Interval& interval, uint32_t ofSection, uint32_t withScale) {
  mergedTimeline_.merge(interval, withScale);
  timelineOfSection(ofSection).merge(interval, withScale);
}

Timeline& TimeTrack::timelineOfSection(uint32_t section) { return timelines_[section]; }

void TimeTrack::getSectionsByInterval(const Interval& interval, std::set<uint32_t>& result) const {
  for (const auto& [section, timeline] : timelines_)
    if (timeline.intersectWithInterval(interval)) result.insert(section);
}

std::vector<uint32_t> TimeTrack::sectionsByInterval(const Interval& interval) const {
  std::set<uint32_t> sections;
  getSectionsByInterval(interval, sections);
  return {sections.begin(), sections.end()};
}

std::optional<DateTime> TimeTrack::nearestDateTime(const DateTime& t, const Interval& onInterval) const {
  std::optional<DateTime> best;
  int64_t bestDistance = 0;
  const int64_t at = Timeline::secondsSinceEpoch(t);
  for (const Interval& slice : mergedTimeline_.slices()) {
    std::optional<Interval> recorded = Timeline::intersection(slice, onInterval);
    if (!recorded) continue;
    if (Timeline::contains(*recorded, t)) return t;
    const bool before = at < Timeline::secondsSinceEpoch(recorded->from());
    const DateTime& edge = before ? recorded->from() : recorded->to();
    int64_t distance = before ? Timeline::secondsSinceEpoch(edge) - at : at - Timeline::secondsSinceEpoch(edge);
    if (!best || distance < bestDistance || (distance == bestDistance && Timeline::compare(edge, *best) < 0)) {
      best = edge;
      bestDistance = distance;
    }
  }
  return best;
}

std::string TimeTrack::description() const {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const auto& [section, timeline] : timelines_) entries.emplace_back(std::to_string(section), timeline.description());
  return "merged : " + mergedTimeline_.description() + ", " + describeDictionary(entries);
}

}  // namespace zelvo
