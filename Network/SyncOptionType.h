#pragma once
// The type numbers of the sync reply's options, one name each, for the client that reads
// them and for the emulator that sends them.

namespace zelvo {

enum SyncOptionType : int {
  SyncOptionTypeProfileList = 1,
  SyncOptionTypeProductInfo = 2,
  SyncOptionTypeOEM = 3,
  SyncOptionTypeEncryptionKey = 4,
  SyncOptionTypeSystemInfo = 5,
  SyncOptionTypeHTTPStreaming = 11,
  SyncOptionTypeMobileStreaming = 14,
};

}  // namespace zelvo
