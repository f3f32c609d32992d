#pragma once
// The days that hold recordings (or events): the answer to a calendar request.
// Wire form: i32 count, then count dates; a count of 0 or less reads no dates.
// Read only.

#include <vector>

#include "Network/Date.h"
#include "Network/ISerializable.h"

namespace zelvo {

class Calendar : public ISerializable {
 public:
  const std::vector<Date>& dates() const { return dates_; }

  // A count larger than the bytes that remain fails the read (ReadError) and
  // changes nothing; bytes after the announced dates are left unread.
  void readFrom(ByteBuffer& buffer) override;
  void writeTo(ByteBuffer& buffer) const override;

 private:
  std::vector<Date> dates_;
};

}  // namespace zelvo
