#pragma once
// An error of the address-book store, shaped as the application presents it: a domain
// and code to tell errors apart, a description and a failure reason to show.

#include <QString>

namespace zelvo {

struct StoreError {
  // Errors the application itself raises while building the store.
  static const QString kApplicationDomain;  // "YOUR_ERROR_DOMAIN"
  static constexpr int kFolderIsFileCode = 101;
  static constexpr int kStoreInitializationCode = 9999;

  // Errors of the store layer.
  static const QString kStoreDomain;  // "ZelvoStore"
  enum Code {
    FolderCreationFailed = 1,  // the data folder could not be made or read
    FileCreationFailed,        // the store file could not be created
    NotAStore,                 // the file is not an address book (foreign or corrupt); left as it is
    IncompatibleStore,         // an address book of another model or version; left as it is
    StoreTooLarge,             // more rows or text than an address book can hold; left as it is
    OpenFailed,                // SQLite could not open or read the file
    AlreadyInUse,              // another instance of the application holds the store
    LockFailed,                // the instance lock could not be taken for another reason
    FetchFailed,               // a fetch named no entity or attribute of the model
    SaveFailed,                // the save's transaction failed and was rolled back
    // Not refusals: the store is open and shown, but nothing can be written to it.
    DiskFull,                  // the disk holding it is full; writable again once there is room
    ReadOnlyStore,             // the file, its folder or its disk is read-only
  };

  QString domain;
  int code = 0;
  QString description;    // one sentence, shown as the message
  QString failureReason;  // may be empty; shown below it

  bool isStoreError(Code c) const { return domain == kStoreDomain && code == c; }
  // True for the error a second instance gets: the application says so and exits.
  bool isAlreadyInUse() const { return isStoreError(AlreadyInUse); }

  // The store opened, but changes cannot be kept (DiskFull, ReadOnlyStore).
  bool isReadOnlyNotice() const { return isStoreError(DiskFull) || isStoreError(ReadOnlyStore); }

  static StoreError store(Code c, QString description, QString failureReason = {});
};

}  // namespace zelvo
