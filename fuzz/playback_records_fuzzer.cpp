// The readers of the playback records, driven by the input: the first byte picks
// the record, the rest is the received payload. A bad count or a short payload
// must throw ReadError and nothing else; whatever is read must build a time table
// and answer its queries without a crash, a hang or an outsized allocation.
#include <cstdint>
#include <memory>

#include "Network/Packet.h"
#include "Network/Playback/Calendar.h"
#include "Network/Playback/EventList.h"
#include "Network/Playback/MediaPosition.h"
#include "Network/Playback/SectionList.h"
#include "Network/Playback/TimeSliceList.h"
#include "Network/Playback/TimeTable.h"

namespace {

void exerciseTable(const zelvo::TimeSliceList& list, int scale) {
  zelvo::TimeTable table(list, scale);
  for (const zelvo::TimeSlice& slice : list.timeSlices()) {
    table.sectionsByInterval(slice.interval());
    for (uint32_t channel = 0; channel < 33; channel += 8) {
      table.nearestDateTime(slice.interval().from(), slice.interval(), channel);
      table.nearestDateTime(slice.interval().to(), zelvo::Interval::intervalWholePeriod(), channel);
    }
  }
  list.date();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  auto packet = zelvo::Packet::create(static_cast<int64_t>(size - 1) + 1, 8);
  if (!packet) return 0;
  packet->pushBytes(data + 1, static_cast<int64_t>(size - 1), 0);
  packet->resetWithLimit(static_cast<int64_t>(size - 1));
  try {
    switch (selector % 5) {
      case 0: {
        zelvo::MediaPosition position;
        packet->popObject(position);
        position.description();
        break;
      }
      case 1: {
        zelvo::Calendar calendar;
        packet->popObject(calendar);
        break;
      }
      case 2: {
        zelvo::TimeSliceList list;
        packet->popObject(list);
        exerciseTable(list, selector >> 3);
        break;
      }
      case 3: {
        zelvo::SectionList list;
        packet->popObject(list);
        break;
      }
      case 4: {
        zelvo::EventList list;
        packet->popObject(list);
        for (const auto& event : list.events()) event.type();
        break;
      }
    }
  } catch (const zelvo::ReadError&) {
  }
  return 0;
}
