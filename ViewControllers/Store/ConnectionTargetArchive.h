#pragma once
// Archives of connection targets: one CBOR map per record, tagged with its class and
// keyed by the record's archive keys, null for an empty value. The bytes are only ever
// read back by this program, but a drop can bring anything: a damaged, truncated or
// foreign archive decodes to no record, and a wrong-typed value to an empty field.

#include <QByteArray>
#include <memory>

#include "ViewControllers/Store/ConnectionTarget.h"
#include "ViewControllers/Store/FavoriteTarget.h"
#include "ViewControllers/Store/SiteInfo.h"

namespace zelvo {

// Larger bytes are no archive of ours (a favourite of every plane, each with a long
// title list, stays far below): they are refused before any parsing.
inline constexpr qsizetype MaxConnectionTargetArchiveSize = 4 * 1024 * 1024;
// A favourite's planes are those of the wall; entries for other plane numbers are
// left out when an archive is read.
inline constexpr qint64 ArchivedFavoritePlaneCount = 64;

QByteArray archivedDataWithRootObject(const ConnectionTarget& target);
// A SiteInfo or FavoriteTarget, or null when the bytes are not such an archive.
std::shared_ptr<ConnectionTarget> unarchiveConnectionTarget(const QByteArray& data);
// The same, only when the archive holds that class.
std::shared_ptr<SiteInfo> unarchiveSiteInfo(const QByteArray& data);
std::shared_ptr<FavoriteTarget> unarchiveFavoriteTarget(const QByteArray& data);
// The archive of camera n of the site archived in siteArchive (n 0: the whole site);
// empty when siteArchive is no site.
QByteArray cameraTargetArchive(const QByteArray& siteArchive, qint64 n);
// An independent copy of a record (the archive round trip): changing the copy, its
// title map included, leaves the original as it was.
std::shared_ptr<SiteInfo> deepCopy(const SiteInfo& site);

}  // namespace zelvo
