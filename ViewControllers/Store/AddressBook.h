#pragma once
// The address book: the sites and favourites of the store, and what may be done to them.
// Adds, edits and removes sites, stores a wall as a favourite, renames and removes
// favourites, keeps names unique and writes what recorders report back into the store.
// Each change the operator makes is handed to the undo registrar as one step that can be
// taken back and done again; the listener hears every change, also those undo and redo
// make, so that what shows the book can follow. No widgets: the main window asks the
// questions (dialogs, the remove alert) and calls in here. Main thread only.

#include <QString>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "ViewControllers/Store/FavoriteTarget.h"

namespace zelvo {

class Favorite;
class ManagedObject;
class ManagedObjectContext;
class Site;
class SiteInfo;
struct StoreError;

class AddressBook {
 public:
  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void siteAdded(const std::shared_ptr<SiteInfo>& site) = 0;
    virtual void siteEdited(const std::shared_ptr<SiteInfo>& site) = 0;
    virtual void siteRemoved(const QUrl& siteID) = 0;
    // New: the operator has just stored it (it starts its rename); not new: it came back.
    virtual void favoriteAdded(const std::shared_ptr<FavoriteTarget>& favorite, bool isNew) = 0;
    virtual void favoriteRenamed(const QUrl& favoriteID, const QString& name) = 0;
    virtual void favoriteRemoved(const QUrl& favoriteID) = 0;
  };

  // One change, as undo takes it back; its name says what it was ("Add Site").
  struct UndoStep {
    QString actionName;
    std::function<void()> undo;
    std::function<void()> redo;
  };

  // A bound plane of the wall: the camera on it and the record of its recorder.
  struct WallCamera {
    qint64 plane = 0;
    qint64 camera = 0;
    std::shared_ptr<SiteInfo> site;
  };

  // The values of a site the site dialog may change.
  struct SiteValues {
    std::optional<QString> name, address, dvrInfo, user, password;
    std::optional<qint64> port, index, cameraCount;
    std::optional<bool> autoLogin;
    bool operator==(const SiteValues&) const = default;
  };

  static const QString kUntitledFavorite;
  // The planes of the wall: a favourite's plane numbers and a hidden site's cameras stay
  // below it, whatever a recorder or a stored file says.
  static constexpr qint64 kWallPlaneCount = 64;

  // Without a context every operation does nothing; store errors go to the presenter.
  AddressBook(std::shared_ptr<ManagedObjectContext> context, std::function<void(const StoreError&)> presentError);
  ~AddressBook();
  AddressBook(const AddressBook&) = delete;
  AddressBook& operator=(const AddressBook&) = delete;

  void setListener(Listener* listener) { listener_ = listener; }
  void setUndoRegistrar(std::function<void(UndoStep)> registrar) { registerUndo_ = std::move(registrar); }

  bool hasStore() const { return context_ != nullptr; }
  const std::shared_ptr<ManagedObjectContext>& context() const { return context_; }

  // The operator's sites (neither removed nor made for a favourite) and every favourite.
  std::vector<std::shared_ptr<SiteInfo>> loadSiteInfo() const;
  std::vector<std::shared_ptr<FavoriteTarget>> loadFavoriteInfo() const;

  // The stored object a URI names, or null.
  std::shared_ptr<ManagedObject> managedObjectWithID(const std::optional<QUrl>& uri) const;

  // A new site for the dialog to fill: not in the book (saves ignore it) until addSite.
  std::shared_ptr<Site> newSite() const;
  // The filled site joins the book with its sixteen cameras and is saved.
  std::shared_ptr<SiteInfo> addSite(const std::shared_ptr<Site>& site);

  static SiteValues siteValues(const Site& site);
  // The dialog has changed the row from `before`: the record takes the row's values, the
  // cameras' count and titles go to the row, and a change becomes one undo step.
  void siteEdited(SiteInfo& record, const std::shared_ptr<Site>& row, const SiteValues& before);

  // A site is only flagged, so that favourites' records stay resolvable; saved at once.
  bool removeSite(const QUrl& siteID);
  // The favourite goes with the hidden sites only it used; saved at once.
  bool removeFavorite(const QUrl& favoriteID);

  // Stores the wall under the first free "Untitled Favorite" name: one hidden site for
  // each plane, logging in by itself. The wall's records are copied, never changed.
  std::shared_ptr<FavoriteTarget> addFavorite(const std::vector<WallCamera>& wall);
  // The title made unique among favourites; an empty one keeps the stored name. Answers
  // the name stored, or nothing when there is no such favourite.
  std::optional<QString> renameFavorite(const QUrl& favoriteID, const QString& title);

  // Another live site has this name (the row `objectID` itself does not count).
  bool hasSameSiteName(const QString& name, const QUrl& objectID) const;
  QString handleDuplicatedName(const QString& name, const QString& entity, const QUrl& objectID) const;

  // A recorder's camera count and titles go to its stored site.
  void updateSite(const SiteInfo& site);

  bool save();

 private:
  std::shared_ptr<FavoriteTarget> favoriteTarget(const Favorite& favorite) const;
  std::shared_ptr<SiteInfo> siteInfoWithID(const QUrl& uri, const FavoriteCameraMap& favorites) const;
  bool fetchEntity(const QString& entity, const QString& key, const QString& value, const QUrl& objectID) const;
  bool checkValidateName(const std::vector<std::shared_ptr<ManagedObject>>& rows, const QUrl& objectID) const;
  void addAutoSite(SiteInfo& site, bool keepTitles);
  std::shared_ptr<FavoriteTarget> storeFavorite(const QString& name, const std::vector<WallCamera>& wall,
                                                bool keepTitles);
  struct FavoriteSnapshot {
    QString name;
    std::vector<WallCamera> wall;
  };
  std::optional<FavoriteSnapshot> snapshotFavorite(const QUrl& favoriteID) const;
  bool deleteFavorite(const QUrl& favoriteID);
  // A favourite's URI changes when undo or redo stores it again: the steps hold a handle
  // that follows it.
  std::shared_ptr<QUrl> favoriteHandle(const QUrl& favoriteID);
  void moveFavoriteHandle(const std::shared_ptr<QUrl>& handle, const QUrl& favoriteID);
  void registerFavoriteRemoval(const std::shared_ptr<QUrl>& handle, const QString& actionName, bool removedNow);
  void setSiteValues(Site& site, const SiteValues& values);
  bool setSiteDeleted(const QUrl& siteID, bool deleted);
  void registerUndo(UndoStep step);

  std::shared_ptr<ManagedObjectContext> context_;
  std::function<void(const StoreError&)> presentError_;
  std::function<void(UndoStep)> registerUndo_;
  Listener* listener_ = nullptr;
  std::map<QUrl, std::weak_ptr<QUrl>> favoriteHandles_;
};

}  // namespace zelvo
