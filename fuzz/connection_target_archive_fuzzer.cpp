// Connection target archives from hostile bytes (a drop can bring anything): the
// reader gives a record or nothing, never a crash, a hang or an unbounded
// allocation. A record that comes back must survive the uses the wall and the tree
// make of it, and its own archive must read back to the same archive.
#include <cstdint>
#include <cstdlib>

#include "ViewControllers/Store/ConnectionTargetArchive.h"

using namespace zelvo;

namespace {

void useSite(const SiteInfo& site) {
  if (site.type() != ConnectionTargetTypeSite) std::abort();
  (void)site.cameraTitleAtIndex(site.index().value_or(0));
  (void)site.cameraTitleAtIndex(1);
  (void)site.siteID().value_or(QUrl()).toString();
  (void)site.address().value_or(QString()).toStdString();
  (void)site.name().value_or(QString()).size();
}

// The archive of a decoded record reads back, and says the same again. False when
// it is too large to be read back at all.
bool checkStable(const ConnectionTarget& target) {
  const QByteArray once = archivedDataWithRootObject(target);
  if (once.isEmpty()) std::abort();
  // Empty fields are written out in full, so a record read from bytes near the
  // size limit may archive past it.
  if (once.size() > MaxConnectionTargetArchiveSize) return false;
  auto again = unarchiveConnectionTarget(once);
  if (!again || again->type() != target.type()) std::abort();
  if (archivedDataWithRootObject(*again) != once) std::abort();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  auto target = unarchiveConnectionTarget(bytes);
  if (!target) {
    if (unarchiveSiteInfo(bytes) || unarchiveFavoriteTarget(bytes)) std::abort();
    if (!cameraTargetArchive(bytes, 1).isEmpty()) std::abort();
    return 0;
  }

  if (auto site = std::dynamic_pointer_cast<SiteInfo>(target)) {
    useSite(*site);
    // What the tree does for a camera row, and what storing a favourite does.
    if (checkStable(*site)) {
      auto camera = unarchiveSiteInfo(cameraTargetArchive(bytes, 3));
      if (!camera || camera->index() != 3) std::abort();
    }
    auto copy = deepCopy(*site);
    if (!copy || archivedDataWithRootObject(*copy) != archivedDataWithRootObject(*site)) std::abort();
    return 0;
  }

  auto favorite = std::dynamic_pointer_cast<FavoriteTarget>(target);
  if (!favorite || favorite->type() != ConnectionTargetTypeFavorite) std::abort();
  for (const auto& [plane, camera] : favorite->favoriteCameras()) {
    if (plane < 0 || plane >= ArchivedFavoritePlaneCount || !camera) std::abort();
    if (camera->siteInfo()) useSite(*camera->siteInfo());
  }
  checkStable(*favorite);
  if (!cameraTargetArchive(bytes, 1).isEmpty()) std::abort();
  return 0;
}
