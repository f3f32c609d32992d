#include "ViewControllers/Store/AddressBook.h"

#include <algorithm>
#include <set>

#include "Foundation/Log.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/Store/Favorite.h"
#include "ViewControllers/Store/FavoriteCamera.h"
#include "ViewControllers/Store/FavoriteCameraTarget.h"
#include "ViewControllers/Store/ManagedObjectContext.h"
#include "ViewControllers/Store/Site.h"
#include "ViewControllers/Store/SiteCamera.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "ViewControllers/Store/StoreError.h"

namespace zelvo {

namespace {

constexpr int kSiteCameraCount = 16;

bool isYes(const std::optional<bool>& flag) { return flag.value_or(false); }

}  // namespace

const QString AddressBook::kUntitledFavorite = QStringLiteral("Untitled Favorite");

AddressBook::AddressBook(std::shared_ptr<ManagedObjectContext> context,
                         std::function<void(const StoreError&)> presentError)
    : context_(std::move(context)), presentError_(std::move(presentError)) {}

AddressBook::~AddressBook() = default;

bool AddressBook::save() {
  if (!hasStore()) return false;
  StoreError error;
  if (context_->save(&error)) return true;
  // The changes stay pending; the next save, at the latest at quit, tries again.
  if (presentError_) presentError_(error);
  return false;
}

void AddressBook::registerUndo(UndoStep step) {
  if (registerUndo_) registerUndo_(std::move(step));
}

std::shared_ptr<ManagedObject> AddressBook::managedObjectWithID(const std::optional<QUrl>& uri) const {
  if (!hasStore() || !uri) return nullptr;
  return context_->objectWithURI(*uri);
}

// Loading.

std::vector<std::shared_ptr<SiteInfo>> AddressBook::loadSiteInfo() const {
  std::vector<std::shared_ptr<SiteInfo>> sites;
  if (!hasStore()) return sites;
  StoreError error;
  const auto rows = context_->fetch<Site>({}, {}, &error);
  if (!rows) {
    if (presentError_) presentError_(error);
    return sites;
  }
  for (const std::shared_ptr<Site>& site : *rows) {
    if (isYes(site->deleted()) || isYes(site->autoDetect())) continue;
    sites.push_back(SiteInfo::makeSiteInfo(*site));
  }
  return sites;
}

std::shared_ptr<SiteInfo> AddressBook::siteInfoWithID(const QUrl& uri, const FavoriteCameraMap& favorites) const {
  for (const auto& [plane, camera] : favorites) {
    if (camera && camera->siteInfo() && objcEqual(camera->siteInfo()->siteID(), std::optional<QUrl>(uri)))
      return camera->siteInfo();
  }
  const std::shared_ptr<Site> site = std::dynamic_pointer_cast<Site>(managedObjectWithID(uri));
  return site ? SiteInfo::makeSiteInfo(*site) : nullptr;
}

std::shared_ptr<FavoriteTarget> AddressBook::favoriteTarget(const Favorite& favorite) const {
  auto target = FavoriteTarget::create();
  target->setName(favorite.name());
  target->setFavoriteID(favorite.objectURI());
  for (const std::shared_ptr<FavoriteCamera>& camera : favorite.cameras()) {
    const qint64 plane = camera->planeNumber().value_or(-1);
    if (plane < 0 || plane >= kWallPlaneCount) {
      zelvoLog("AddressBook: favourite plane %lld left out: no such plane", static_cast<long long>(plane));
      continue;
    }
    const QUrl uri(camera->siteID().value_or(QString()));
    std::shared_ptr<SiteInfo> site = uri.isValid() ? siteInfoWithID(uri, target->favoriteCameras()) : nullptr;
    if (!site) {
      zelvoLog("AddressBook: favourite plane %lld left out: its site is not in the store", static_cast<long long>(plane));
      continue;
    }
    auto entry = FavoriteCameraTarget::create();
    entry->setCamera(camera->cameraNumber().value_or(0));
    entry->setSiteInfo(site);
    target->favoriteCameras()[plane] = entry;
  }
  return target;
}

std::vector<std::shared_ptr<FavoriteTarget>> AddressBook::loadFavoriteInfo() const {
  std::vector<std::shared_ptr<FavoriteTarget>> favorites;
  if (!hasStore()) return favorites;
  StoreError error;
  const auto rows = context_->fetch<Favorite>({}, {}, &error);
  if (!rows) {
    if (presentError_) presentError_(error);
    return favorites;
  }
  for (const std::shared_ptr<Favorite>& favorite : *rows) favorites.push_back(favoriteTarget(*favorite));
  return favorites;
}

// Sites.

std::shared_ptr<Site> AddressBook::newSite() const {
  if (!hasStore()) return nullptr;
  // The new row joins the store only once the dialog is done: a save while the dialog is
  // open (the sequence of events goes on) must not store a half-filled site.
  return context_->createObject<Site>();
}

std::shared_ptr<SiteInfo> AddressBook::addSite(const std::shared_ptr<Site>& site) {
  if (!hasStore() || !site) return nullptr;
  context_->insertObject(site);
  for (int i = 1; i <= kSiteCameraCount; ++i) {
    const std::shared_ptr<SiteCamera> camera = context_->insertNewObject<SiteCamera>();
    camera->setTitle(QStringLiteral("CAM%1").arg(i));
    camera->setCameraIndex(i);
    camera->setSite(site);
  }
  save();
  const QUrl id = site->objectURI();
  registerUndo({QStringLiteral("Add Site"), [this, id] { setSiteDeleted(id, true); },
                [this, id] { setSiteDeleted(id, false); }});
  std::shared_ptr<SiteInfo> info = SiteInfo::makeSiteInfo(*site);
  if (listener_) listener_->siteAdded(info);
  return info;
}

AddressBook::SiteValues AddressBook::siteValues(const Site& site) {
  SiteValues values;
  values.name = site.name();
  values.address = site.address();
  values.dvrInfo = site.dvrInfo();
  values.user = site.user();
  values.password = site.password();
  values.port = site.port();
  values.index = site.index();
  values.cameraCount = site.cameraCount();
  values.autoLogin = site.autoLogin();
  return values;
}

void AddressBook::setSiteValues(Site& site, const SiteValues& values) {
  site.setName(values.name);
  site.setAddress(values.address);
  site.setDvrInfo(values.dvrInfo);
  site.setUser(values.user);
  site.setPassword(values.password);
  site.setPort(values.port);
  site.setIndex(values.index);
  site.setCameraCount(values.cameraCount);
  site.setAutoLogin(values.autoLogin);
}

void AddressBook::siteEdited(SiteInfo& record, const std::shared_ptr<Site>& row, const SiteValues& before) {
  if (!hasStore() || !row) return;
  record.setName(row->name());
  record.setAddress(row->address());
  record.setPort(row->port());
  record.setDvrInfo(row->dvrInfo());
  record.setAutoLogin(row->autoLogin());
  record.setUser(row->user());
  record.setPassword(row->password());
  updateSite(record);
  const SiteValues after = siteValues(*row);
  if (after == before) return;
  const QUrl id = row->objectURI();
  auto apply = [this, id](const SiteValues& values) {
    const auto site = std::dynamic_pointer_cast<Site>(managedObjectWithID(id));
    if (!site) return;
    setSiteValues(*site, values);
    save();
    if (listener_ && !isYes(site->deleted())) listener_->siteEdited(SiteInfo::makeSiteInfo(*site));
  };
  registerUndo({QStringLiteral("Edit Site"), [apply, before] { apply(before); }, [apply, after] { apply(after); }});
}

bool AddressBook::setSiteDeleted(const QUrl& siteID, bool deleted) {
  const auto site = std::dynamic_pointer_cast<Site>(managedObjectWithID(siteID));
  if (!site) return false;
  site->setDeleted(deleted);
  // Saved at once: a crash must not bring a removed site back.
  save();
  if (listener_) {
    if (deleted) listener_->siteRemoved(siteID);
    else listener_->siteAdded(SiteInfo::makeSiteInfo(*site));
  }
  return true;
}

bool AddressBook::removeSite(const QUrl& siteID) {
  const auto site = std::dynamic_pointer_cast<Site>(managedObjectWithID(siteID));
  if (!site || isYes(site->deleted())) return false;
  setSiteDeleted(siteID, true);
  registerUndo({QStringLiteral("Remove Site"), [this, siteID] { setSiteDeleted(siteID, false); },
                [this, siteID] { setSiteDeleted(siteID, true); }});
  return true;
}

// Favourites.

std::shared_ptr<QUrl> AddressBook::favoriteHandle(const QUrl& favoriteID) {
  if (const auto found = favoriteHandles_.find(favoriteID); found != favoriteHandles_.end())
    if (std::shared_ptr<QUrl> handle = found->second.lock()) return handle;
  auto handle = std::make_shared<QUrl>(favoriteID);
  favoriteHandles_[favoriteID] = handle;
  return handle;
}

void AddressBook::moveFavoriteHandle(const std::shared_ptr<QUrl>& handle, const QUrl& favoriteID) {
  favoriteHandles_.erase(*handle);
  *handle = favoriteID;
  favoriteHandles_[favoriteID] = handle;
  // Handles whose steps are all gone are dropped as the map is touched.
  std::erase_if(favoriteHandles_, [](const auto& entry) { return entry.second.expired(); });
}

void AddressBook::addAutoSite(SiteInfo& site, bool keepTitles) {
  const std::shared_ptr<Site> row = context_->insertNewObject<Site>();
  row->setName(site.name());
  row->setAddress(site.address());
  row->setPort(site.port());
  row->setCameraCount(site.cameraCount());
  row->setAutoDetect(site.autoDetect());
  row->setAutoLogin(site.autoLogin());
  row->setUser(site.user());
  row->setPassword(site.password());
  row->setDvrInfo(QString());
  row->setDeleted(true);
  // A hidden site titles at most the wall's planes: the camera count comes from the
  // recorder.
  const qint64 count = std::min(site.cameraCount().value_or(0), kWallPlaneCount);
  for (qint64 i = 1; i <= count; ++i) {
    const std::shared_ptr<SiteCamera> camera = context_->insertNewObject<SiteCamera>();
    const QString title = keepTitles ? site.cameraTitleAtIndex(i) : QString();
    camera->setTitle(title.isEmpty() ? QStringLiteral("Cam%1").arg(i) : title);
    camera->setCameraIndex(i);
    camera->setSite(row);
  }
  site.setSiteID(row->objectURI());
}

std::shared_ptr<FavoriteTarget> AddressBook::storeFavorite(const QString& name, const std::vector<WallCamera>& wall,
                                                          bool keepTitles) {
  const std::shared_ptr<Favorite> favorite = context_->insertNewObject<Favorite>();
  favorite->setName(name);
  auto target = FavoriteTarget::create();
  target->setName(name);
  for (const WallCamera& plane : wall) {
    if (!plane.site) continue;
    addAutoSite(*plane.site, keepTitles);
    const std::shared_ptr<FavoriteCamera> camera = context_->insertNewObject<FavoriteCamera>();
    camera->setCameraNumber(plane.camera);
    camera->setPlaneNumber(plane.plane);
    camera->setSiteID(plane.site->siteID() ? std::optional<QString>(plane.site->siteID()->toString()) : std::nullopt);
    camera->setFavorite(favorite);
    auto entry = FavoriteCameraTarget::create();
    entry->setCamera(plane.camera);
    entry->setSiteInfo(plane.site);
    target->favoriteCameras()[plane.plane] = entry;
  }
  // One save for the whole favourite: a crash leaves all of it or none.
  save();
  target->setFavoriteID(favorite->objectURI());
  return target;
}

std::optional<AddressBook::FavoriteSnapshot> AddressBook::snapshotFavorite(const QUrl& favoriteID) const {
  const auto favorite = std::dynamic_pointer_cast<Favorite>(managedObjectWithID(favoriteID));
  if (!favorite) return std::nullopt;
  const std::shared_ptr<FavoriteTarget> target = favoriteTarget(*favorite);
  FavoriteSnapshot snapshot;
  snapshot.name = favorite->name().value_or(QString());
  // Planes that shared a record share its copy, as they did on the wall.
  std::map<const SiteInfo*, std::shared_ptr<SiteInfo>> copies;
  for (const auto& [plane, camera] : target->favoriteCameras()) {
    std::shared_ptr<SiteInfo>& copy = copies[camera->siteInfo().get()];
    if (!copy) copy = deepCopy(*camera->siteInfo());
    snapshot.wall.push_back({plane, camera->camera(), copy});
  }
  return snapshot;
}

std::shared_ptr<FavoriteTarget> AddressBook::addFavorite(const std::vector<WallCamera>& wall) {
  if (!hasStore()) return nullptr;
  const QString name = handleDuplicatedName(kUntitledFavorite, Favorite::kEntityName, QUrl());
  // One copy of the wall's record per recorder: the wall's own record keeps its login
  // choice and its stored identity, whatever the favourite stores.
  std::map<const SiteInfo*, std::shared_ptr<SiteInfo>> copies;
  std::vector<WallCamera> stored;
  for (const WallCamera& plane : wall) {
    if (!plane.site || plane.plane < 0 || plane.plane >= kWallPlaneCount) continue;
    std::shared_ptr<SiteInfo>& copy = copies[plane.site.get()];
    if (!copy) {
      copy = deepCopy(*plane.site);
      copy->setAutoLogin(true);
    }
    stored.push_back({plane.plane, plane.camera, copy});
  }
  std::shared_ptr<FavoriteTarget> target = storeFavorite(name, stored, false);
  if (listener_) listener_->favoriteAdded(target, true);
  registerFavoriteRemoval(favoriteHandle(*target->favoriteID()), QStringLiteral("Add Favorite"), false);
  return target;
}

// Adding a favourite is undone by its removal, and a removal by storing it again; the
// snapshot is taken at each removal, so that it holds the name the favourite had then.
void AddressBook::registerFavoriteRemoval(const std::shared_ptr<QUrl>& handle, const QString& actionName,
                                          bool removedNow) {
  auto snapshot = std::make_shared<std::optional<FavoriteSnapshot>>();
  auto remove = [this, handle, snapshot] {
    *snapshot = snapshotFavorite(*handle);
    if (deleteFavorite(*handle) && listener_) listener_->favoriteRemoved(*handle);
  };
  auto restore = [this, handle, snapshot] {
    if (!*snapshot) return;
    std::vector<WallCamera> wall = (*snapshot)->wall;
    for (WallCamera& plane : wall) plane.site = plane.site ? deepCopy(*plane.site) : nullptr;
    std::shared_ptr<FavoriteTarget> target = storeFavorite((*snapshot)->name, wall, true);
    moveFavoriteHandle(handle, *target->favoriteID());
    if (listener_) listener_->favoriteAdded(target, false);
  };
  if (removedNow) {
    remove();
    registerUndo({actionName, restore, remove});
  } else {
    registerUndo({actionName, remove, restore});
  }
}

bool AddressBook::deleteFavorite(const QUrl& favoriteID) {
  const auto favorite = std::dynamic_pointer_cast<Favorite>(managedObjectWithID(favoriteID));
  if (!favorite) return false;
  // The hidden sites made for this favourite go with it; a site another favourite also
  // names, or one the operator sees, stays.
  std::set<QUrl> own;
  for (const std::shared_ptr<FavoriteCamera>& camera : favorite->cameras())
    if (camera->siteID()) own.insert(QUrl(*camera->siteID()));
  if (const auto others = context_->fetch<Favorite>())
    for (const std::shared_ptr<Favorite>& other : *others) {
      if (other == favorite) continue;
      for (const std::shared_ptr<FavoriteCamera>& camera : other->cameras())
        if (camera->siteID()) own.erase(QUrl(*camera->siteID()));
    }
  for (const QUrl& uri : own) {
    const auto site = std::dynamic_pointer_cast<Site>(managedObjectWithID(uri));
    if (site && isYes(site->deleted())) context_->deleteObject(site);
  }
  context_->deleteObject(favorite);
  save();
  return true;
}

bool AddressBook::removeFavorite(const QUrl& favoriteID) {
  if (!std::dynamic_pointer_cast<Favorite>(managedObjectWithID(favoriteID))) return false;
  registerFavoriteRemoval(favoriteHandle(favoriteID), QStringLiteral("Remove Favorite"), true);
  return true;
}

std::optional<QString> AddressBook::renameFavorite(const QUrl& favoriteID, const QString& title) {
  const auto favorite = std::dynamic_pointer_cast<Favorite>(managedObjectWithID(favoriteID));
  if (!favorite) return std::nullopt;
  const QString before = favorite->name().value_or(QString());
  const QString wanted = title.isEmpty() ? before : title;
  const QString name = handleDuplicatedName(wanted, Favorite::kEntityName, favorite->objectURI());
  favorite->setName(name);
  save();
  if (name != before) {
    const std::shared_ptr<QUrl> handle = favoriteHandle(favoriteID);
    auto apply = [this, handle](const QString& value) {
      const auto row = std::dynamic_pointer_cast<Favorite>(managedObjectWithID(*handle));
      if (!row) return;
      row->setName(value);
      save();
      if (listener_) listener_->favoriteRenamed(*handle, value);
    };
    registerUndo({QStringLiteral("Rename Favorite"), [apply, before] { apply(before); },
                  [apply, name] { apply(name); }});
  }
  return name;
}

// Unique names.

bool AddressBook::checkValidateName(const std::vector<std::shared_ptr<ManagedObject>>& rows,
                                    const QUrl& objectID) const {
  for (const std::shared_ptr<ManagedObject>& row : rows) {
    if (row->objectURI() == objectID) continue;
    if (const auto site = std::dynamic_pointer_cast<Site>(row)) {
      if (!isYes(site->deleted()) && !isYes(site->autoDetect())) return true;
    } else if (std::dynamic_pointer_cast<Favorite>(row)) {
      return true;
    }
  }
  return false;
}

bool AddressBook::fetchEntity(const QString& entity, const QString& key, const QString& value,
                              const QUrl& objectID) const {
  if (!hasStore()) return false;
  StoreError error;
  const auto rows = context_->executeFetchRequest(FetchRequest::where(entity, key, value), &error);
  if (!rows) {
    // Counted as no clash: the name check must not stop the operator.
    if (presentError_) presentError_(error);
    return false;
  }
  return checkValidateName(*rows, objectID);
}

QString AddressBook::handleDuplicatedName(const QString& name, const QString& entity, const QUrl& objectID) const {
  if (!fetchEntity(entity, QStringLiteral("name"), name, objectID)) return name;
  for (int n = 2;; ++n) {
    const QString candidate = QStringLiteral("%1(%2)").arg(name).arg(n);
    if (!fetchEntity(entity, QStringLiteral("name"), candidate, objectID)) return candidate;
  }
}

bool AddressBook::hasSameSiteName(const QString& name, const QUrl& objectID) const {
  return fetchEntity(Site::kEntityName, QStringLiteral("name"), name, objectID);
}

// What recorders report.

void AddressBook::updateSite(const SiteInfo& site) {
  const std::shared_ptr<Site> row = std::dynamic_pointer_cast<Site>(managedObjectWithID(site.siteID()));
  if (!row) return;
  row->setCameraCount(site.cameraCount());
  for (const std::shared_ptr<SiteCamera>& camera : row->cameras()) {
    const QString title = site.cameraTitleAtIndex(camera->cameraIndex().value_or(0));
    // A recorder that reports no title for a camera leaves the stored one.
    if (!title.isEmpty()) camera->setTitle(title);
  }
  if (context_->hasChanges()) save();
}

}  // namespace zelvo
