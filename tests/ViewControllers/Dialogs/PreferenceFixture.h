#pragma once
// Preferences on real files: a private folder holding the user's "Info.plist", helpers
// to write and read it, and a way to make the folder unwritable.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <QTemporaryDir>

#include "ViewControllers/Dialogs/PreferenceFile.h"
#include "ViewControllers/Store/PropertyList.h"

namespace zelvo::test {

inline const QString& SequenceKey = PreferenceSequenceIntervalKey;
inline const QString& FlagKey = PreferenceAutoReconnectFlagKey;
inline const QString& IntervalKey = PreferenceAutoReconnectIntervalKey;
inline const QString& AspectKey = PreferenceAspectRatioKey;

// Keys another program put in the file, one of each kind: every write keeps them.
inline PropertyListValue foreignValues() {
  PropertyListValue root = PropertyListValue::dictionary();
  root.setValue("CFBundleName", PropertyListValue::string("Zelvo"));
  root.setValue("Window Scale", PropertyListValue::real(1.25));
  root.setValue("Shown Once", PropertyListValue::boolean(true));
  root.setValue("Installed", PropertyListValue::date("2026-12-10T19:45:00Z"));
  root.setValue("Token", PropertyListValue::data(QByteArray("\x01\x02", 2)));
  root.setValue("Recent", PropertyListValue::array({PropertyListValue::integer(3), PropertyListValue::string("x")}));
  PropertyListValue nested = PropertyListValue::dictionary();
  nested.setValue("depth", PropertyListValue::integer(2));
  root.setValue("Nested", nested);
  return root;
}

class PreferenceFolder {
 public:
  PreferenceFolder() {
    // Readable by all, so that a test that runs as another user can still read it.
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
  }
  QString folder() const { return dir_.path() + "/config"; }
  QString userPath() const { return folder() + "/Info.plist"; }
  PreferenceFile file() const { return PreferenceFile(userPath()); }

  void writeBytes(const QByteArray& bytes) const {
    QDir().mkpath(folder());
    QFile file(userPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }
  void write(const PropertyListValue& root) const { writeBytes(xmlFromPropertyList(root)); }
  QByteArray bytes() const {
    QFile file(userPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // The user's file as it is on disk; an empty dictionary when it does not read.
  PropertyListValue onDisk() const { return readPropertyListFile(userPath()).value_or(PropertyListValue()); }

 private:
  QTemporaryDir dir_;
};

// The folder refuses new files while this lives. Permission bits do not stop root, so
// a test run as root also takes the identity of "nobody" meanwhile.
class UnwritableFolder {
 public:
  explicit UnwritableFolder(QString folder) : folder_(std::move(folder)) {
    ::chmod(QFile::encodeName(folder_).constData(), 0555);
    if (::geteuid() == 0) switched_ = ::seteuid(65534) == 0;
  }
  ~UnwritableFolder() {
    // The rest of the run must not go on as another user.
    if (switched_ && ::seteuid(0) != 0) std::abort();
    ::chmod(QFile::encodeName(folder_).constData(), 0755);
  }
  UnwritableFolder(const UnwritableFolder&) = delete;
  UnwritableFolder& operator=(const UnwritableFolder&) = delete;

  // Whether a new file in the folder is really refused here.
  bool holds() const {
    QFile probe(folder_ + "/probe");
    if (!probe.open(QIODevice::WriteOnly)) return true;
    probe.remove();
    return false;
  }

 private:
  QString folder_;
  bool switched_ = false;
};

}  // namespace zelvo::test
