#pragma once
// A stored arrangement of the video wall. Deleting it deletes its cameras.

#include <optional>

#include "ViewControllers/Store/ManagedObject.h"

namespace zelvo {

class FavoriteCamera;

class Favorite : public ManagedObject {
 public:
  static const QString kEntityName;  // "Favorite"

  std::optional<QString> name() const;
  std::optional<QString> favoriteInfo() const;
  std::vector<std::shared_ptr<FavoriteCamera>> cameras() const;

  void setName(std::optional<QString> value);
  void setFavoriteInfo(std::optional<QString> value);

 public:
  using ManagedObject::ManagedObject;
};

}  // namespace zelvo
