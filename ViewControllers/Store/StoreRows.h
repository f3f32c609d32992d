#pragma once
// What the coordinator and the context hand each other: the rows read when the store
// opened, and the rows one save writes. Inside the store layer only.

#include <QString>
#include <QVariant>
#include <map>
#include <vector>

#include <memory>

#include "ViewControllers/Store/ManagedObjectModel.h"

namespace zelvo {

// One row: attribute values in the model's order (null for empty), and per relationship
// the key of the to-one destination (0 for none, and always 0 for to-many ones).
struct StoredRow {
  qint64 primaryKey = 0;
  std::vector<QVariant> values;
  std::vector<qint64> toOne;
};

struct StoreContents {
  std::map<QString, std::vector<StoredRow>> rows;  // per entity, in key order
  std::map<QString, qint64> maximumPrimaryKey;     // per entity: the largest key ever given
};

struct StoreSaveRequest {
  struct Write {
    const EntityDescription* entity = nullptr;
    StoredRow row;
  };
  std::vector<Write> inserts;
  std::vector<Write> updates;
  std::vector<std::pair<const EntityDescription*, qint64>> deletes;
  std::map<QString, qint64> maximumPrimaryKey;
};

class ManagedObject;
class PersistentStoreCoordinator;

// What a context's objects share with it: they outlive it only as plain records.
struct ManagedObjectContextState {
  std::shared_ptr<const ManagedObjectModel> model;
  PersistentStoreCoordinator* coordinator = nullptr;
  // Per entity, by key: every inserted object, deleted ones until the save that removes them.
  std::map<QString, std::map<qint64, std::shared_ptr<ManagedObject>>> objects;
  // Per entity: the largest key given so far, in this run or any saved one.
  std::map<QString, qint64> maximumPrimaryKey;
};

}  // namespace zelvo
