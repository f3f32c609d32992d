#pragma once
// What the video wall is asked to connect to: a site (or one of its cameras) or a favourite.
// Targets travel between the tree, the pasteboard and the wall only as archives
// (ConnectionTargetArchive.h); a decoded target is a fresh, independent record.

#include <QStringList>

namespace zelvo {

// The drag and clipboard format of an archived target.
inline constexpr char PasteBoardTypeConnectionTarget[] = "PasteBoardTypeConnectionTarget";

enum ConnectionTargetType : int {
  ConnectionTargetTypeSite = 0,
  ConnectionTargetTypeFavorite = 2,
};

class ConnectionTarget {
 public:
  explicit ConnectionTarget(int type) : type_(type) {}
  virtual ~ConnectionTarget() = default;
  ConnectionTarget(const ConnectionTarget&) = delete;
  ConnectionTarget& operator=(const ConnectionTarget&) = delete;

  int type() const { return type_; }
  // The archive keys of the class, in the order they are written and read.
  virtual QStringList mutableKeys() const = 0;

 private:
  const int type_;
};

}  // namespace zelvo
