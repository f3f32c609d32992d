#pragma once
// One alarm output of a recorder: its channel, whether it is enabled and switched
// on, and its title. 36 bytes on the wire.

#include <cstdint>
#include <string>

namespace zelvo {

class ByteBuffer;

class AlarmCommand {
 public:
  static constexpr int64_t Size = 36;
  static constexpr int64_t TitleFieldSize = 32;

  // Reads the 36 bytes at the cursor; fewer remaining throws ReadError with the
  // cursor unmoved.
  explicit AlarmCommand(ByteBuffer& buffer);
  AlarmCommand(int64_t channel, bool enable, bool on, std::string title)
      : channel_(channel), enable_(enable), on_(on), title_(std::move(title)) {}

  int64_t channel() const { return channel_; }
  bool enable() const { return enable_; }
  bool on() const { return on_; }
  const std::string& title() const { return title_; }

  // "ALARM%d" with channel + 1 when the title is only spaces and tabs.
  std::string titleWithDefaultValue() const;

  friend bool operator==(const AlarmCommand&, const AlarmCommand&) = default;

 private:
  int64_t channel_ = 0;
  bool enable_ = false;
  bool on_ = false;
  std::string title_;
};

}  // namespace zelvo
