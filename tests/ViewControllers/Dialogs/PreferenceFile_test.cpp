#include "ViewControllers/Dialogs/PreferenceFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>
#include <cmath>
#include <limits>

#include "support/Wait.h"
#include "tests/ViewControllers/Dialogs/PreferenceFixture.h"

namespace zelvo {
namespace {

using test::AspectKey;
using test::FlagKey;
using test::IntervalKey;
using test::SequenceKey;

TEST(PreferenceDefaults, HoldTheFourKeysInRange) {
  test::PreferenceFolder folder;
  const PreferenceFile file = folder.file();
  const PropertyListValue& defaults = file.shippedDefaults();
  ASSERT_EQ(defaults.keys(), (QStringList{SequenceKey, FlagKey, IntervalKey, AspectKey}));
  for (const QString& key : {SequenceKey, IntervalKey}) {
    ASSERT_EQ(defaults.value(key)->type(), PropertyListValue::Type::Integer) << key.toStdString();
    EXPECT_GE(defaults.value(key)->integer(), PreferenceFile::MinimumInterval) << key.toStdString();
    EXPECT_LE(defaults.value(key)->integer(), PreferenceFile::MaximumInterval) << key.toStdString();
  }
  for (const QString& key : {FlagKey, AspectKey}) {
    ASSERT_EQ(defaults.value(key)->type(), PropertyListValue::Type::Integer) << key.toStdString();
    EXPECT_TRUE(defaults.value(key)->integer() == 0 || defaults.value(key)->integer() == 1) << key.toStdString();
  }
  // The values of the first start: sequence 10 s, reconnection on every 10 s, aspect kept.
  EXPECT_EQ(defaults.value(SequenceKey)->integer(), 10);
  EXPECT_EQ(defaults.value(FlagKey)->integer(), 1);
  EXPECT_EQ(defaults.value(IntervalKey)->integer(), 10);
  EXPECT_EQ(defaults.value(AspectKey)->integer(), 1);
}

TEST(PreferenceDefaults, UserFileLivesInTheApplicationsConfigurationFolder) {
  QStandardPaths::setTestModeEnabled(true);
  EXPECT_EQ(PreferenceFile::defaultUserPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/Info.plist");
  QStandardPaths::setTestModeEnabled(false);
}

TEST(PreferenceFileRead, MissingFileReadsAsTheShippedDefaultsWithoutComplaint) {
  test::PreferenceFolder folder;
  test::LogCapture log;
  const PreferenceFile file = folder.file();
  EXPECT_EQ(file.sequenceInterval(), 10);
  EXPECT_TRUE(file.autoReconnectFlag());
  EXPECT_EQ(file.autoReconnectInterval(), 10.0);
  EXPECT_TRUE(file.aspectRatio());
  for (const QString& key : {SequenceKey, FlagKey, IntervalKey, AspectKey})
    EXPECT_TRUE(file.valueForKey(key) == *file.shippedDefaults().value(key)) << key.toStdString();
  EXPECT_FALSE(file.valueForKey("No Such Key"));
  EXPECT_TRUE(log.lines().empty());
  EXPECT_FALSE(QFile::exists(folder.userPath())) << "reading writes nothing";
}

struct UnreadableCase {
  const char* name;
  QByteArray bytes;
};

class PreferenceFileUnreadable : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(PreferenceFileUnreadable, ReadsAsTheShippedDefaultsAndIsLogged) {
  test::PreferenceFolder folder;
  folder.writeBytes(GetParam().bytes);
  test::LogCapture log;
  const PreferenceFile file = folder.file();
  EXPECT_EQ(file.sequenceInterval(), 10);
  EXPECT_TRUE(file.autoReconnectFlag());
  EXPECT_EQ(file.autoReconnectInterval(), 10.0);
  EXPECT_TRUE(file.aspectRatio());
  EXPECT_TRUE(file.valueForKey(SequenceKey) == PropertyListValue::integer(10));
  EXPECT_TRUE(log.contains("Cannot read the preferences"));
}

INSTANTIATE_TEST_SUITE_P(
    Contents, PreferenceFileUnreadable,
    ::testing::Values(
        UnreadableCase{"Empty", ""}, UnreadableCase{"Garbage", "\x89PNG\r\n\x1a\n garbage"},
        UnreadableCase{"Truncated", "<?xml version=\"1.0\"?><plist><dict><key>Preference Sequence Interval</key><int"},
        UnreadableCase{"ArrayAtTheRoot", "<plist><array><integer>30</integer></array></plist>"},
        UnreadableCase{"IniFile", "[General]\nPreference%20Sequence%20Interval=30\n"},
        UnreadableCase{"EntityBomb",
                       "<!DOCTYPE plist [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;\">]>"
                       "<plist><dict><key>Preference Sequence Interval</key><string>&b;</string></dict></plist>"}),
    [](const ::testing::TestParamInfo<UnreadableCase>& info) { return std::string(info.param.name); });

TEST(PreferenceFileRead, AFolderInPlaceOfTheFileReadsAsTheDefaults) {
  test::PreferenceFolder folder;
  ASSERT_TRUE(QDir().mkpath(folder.userPath()));
  EXPECT_EQ(folder.file().sequenceInterval(), 10);
  EXPECT_EQ(folder.file().autoReconnectInterval(), 10.0);
}

struct IntervalCase {
  const char* name;
  PropertyListValue stored;
  int sequence;      // read as an integer
  double reconnect;  // read as float seconds
};

// Both interval keys hold the stored value; the readers clamp it, or take the
// shipped default (10) when it is no number.
class PreferenceIntervals : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(PreferenceIntervals, ReadClampedToFiveToSixtyOrAsTheDefault) {
  test::PreferenceFolder folder;
  PropertyListValue root = test::foreignValues();
  root.setValue(SequenceKey, GetParam().stored);
  root.setValue(IntervalKey, GetParam().stored);
  folder.write(root);
  const PreferenceFile file = folder.file();
  EXPECT_EQ(file.sequenceInterval(), GetParam().sequence);
  EXPECT_DOUBLE_EQ(file.autoReconnectInterval(), GetParam().reconnect);
  EXPECT_TRUE(file.valueForKey(SequenceKey) == GetParam().stored) << "the raw value is kept as stored";
}

const double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Values, PreferenceIntervals,
    ::testing::Values(IntervalCase{"Zero", PropertyListValue::integer(0), 5, 5.0},
                      IntervalCase{"Three", PropertyListValue::integer(3), 5, 5.0},
                      IntervalCase{"Negative", PropertyListValue::integer(-7), 5, 5.0},
                      IntervalCase{"Five", PropertyListValue::integer(5), 5, 5.0},
                      IntervalCase{"Thirty", PropertyListValue::integer(30), 30, 30.0},
                      IntervalCase{"Sixty", PropertyListValue::integer(60), 60, 60.0},
                      IntervalCase{"SixtyOne", PropertyListValue::integer(61), 60, 60.0},
                      IntervalCase{"Huge", PropertyListValue::integer(std::numeric_limits<qint64>::max()), 60, 60.0},
                      IntervalCase{"RealFiveNine", PropertyListValue::real(5.9), 5, 5.9},
                      IntervalCase{"RealFourNine", PropertyListValue::real(4.9), 5, 5.0},
                      IntervalCase{"RealNaN", PropertyListValue::real(std::nan("")), 10, 10.0},
                      IntervalCase{"RealInfinite", PropertyListValue::real(inf), 10, 10.0},
                      IntervalCase{"Text", PropertyListValue::string("20"), 10, 10.0},
                      IntervalCase{"Boolean", PropertyListValue::boolean(true), 10, 10.0},
                      IntervalCase{"Date", PropertyListValue::date("2026-01-01T00:00:00Z"), 10, 10.0},
                      IntervalCase{"Array", PropertyListValue::array({PropertyListValue::integer(20)}), 10, 10.0}),
    [](const ::testing::TestParamInfo<IntervalCase>& info) { return std::string(info.param.name); });

struct FlagCase {
  const char* name;
  PropertyListValue stored;
  bool on;
};

// Both flags hold the stored value: on exactly when its integer is 1; no number reads
// as the shipped default (on).
class PreferenceFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(PreferenceFlags, OnExactlyWhenTheIntegerIsOne) {
  test::PreferenceFolder folder;
  PropertyListValue root = PropertyListValue::dictionary();
  root.setValue(FlagKey, GetParam().stored);
  root.setValue(AspectKey, GetParam().stored);
  folder.write(root);
  EXPECT_EQ(folder.file().autoReconnectFlag(), GetParam().on);
  EXPECT_EQ(folder.file().aspectRatio(), GetParam().on);
}

INSTANTIATE_TEST_SUITE_P(Values, PreferenceFlags,
                         ::testing::Values(FlagCase{"One", PropertyListValue::integer(1), true},
                                           FlagCase{"Zero", PropertyListValue::integer(0), false},
                                           FlagCase{"Two", PropertyListValue::integer(2), false},
                                           FlagCase{"MinusOne", PropertyListValue::integer(-1), false},
                                           FlagCase{"RealOneAndAHalf", PropertyListValue::real(1.5), true},
                                           FlagCase{"RealHalf", PropertyListValue::real(0.5), false},
                                           FlagCase{"True", PropertyListValue::boolean(true), true},
                                           FlagCase{"False", PropertyListValue::boolean(false), false},
                                           FlagCase{"Text", PropertyListValue::string("0"), true},
                                           FlagCase{"RealNaN", PropertyListValue::real(std::nan("")), true}),
                         [](const ::testing::TestParamInfo<FlagCase>& info) { return std::string(info.param.name); });

TEST(PreferenceFileRead, AMissingKeyReadsAsItsDefault) {
  test::PreferenceFolder folder;
  PropertyListValue root = test::foreignValues();
  root.setValue(SequenceKey, PropertyListValue::integer(45));
  root.setValue(FlagKey, PropertyListValue::integer(0));
  folder.write(root);
  const PreferenceFile file = folder.file();
  EXPECT_EQ(file.sequenceInterval(), 45);
  EXPECT_FALSE(file.autoReconnectFlag());
  EXPECT_EQ(file.autoReconnectInterval(), 10.0);
  EXPECT_TRUE(file.aspectRatio());
  EXPECT_TRUE(file.valueForKey(IntervalKey) == PropertyListValue::integer(10));
}

TEST(PreferenceFileRead, CheckedValuesAreWhatTheReadersActOn) {
  test::PreferenceFolder folder;
  PropertyListValue root = test::foreignValues();
  root.setValue(SequenceKey, PropertyListValue::string("soon"));
  root.setValue(FlagKey, PropertyListValue::integer(2));
  root.setValue(IntervalKey, PropertyListValue::integer(0));
  root.setValue(AspectKey, PropertyListValue::boolean(true));
  folder.write(root);
  const PreferenceFile file = folder.file();
  EXPECT_TRUE(file.checkedValueForKey(SequenceKey) == PropertyListValue::integer(10));
  EXPECT_TRUE(file.checkedValueForKey(FlagKey) == PropertyListValue::integer(0));
  EXPECT_TRUE(file.checkedValueForKey(IntervalKey) == PropertyListValue::real(5.0));
  EXPECT_TRUE(file.checkedValueForKey(AspectKey) == PropertyListValue::integer(1));
  EXPECT_TRUE(file.checkedValueForKey("CFBundleName") == PropertyListValue::string("Zelvo")) << "other keys as stored";
  EXPECT_TRUE(file.valueForKey(IntervalKey) == PropertyListValue::integer(0)) << "the stored value is kept";
}

TEST(PreferenceFileRead, EveryReadSeesTheFileAsItIsNow) {
  test::PreferenceFolder folder;
  const PreferenceFile file = folder.file();
  EXPECT_EQ(file.sequenceInterval(), 10);
  PropertyListValue root = PropertyListValue::dictionary();
  root.setValue(SequenceKey, PropertyListValue::integer(25));
  folder.write(root);
  EXPECT_EQ(file.sequenceInterval(), 25);
  ASSERT_TRUE(file.saveValue(PropertyListValue::integer(35), SequenceKey));
  EXPECT_EQ(file.sequenceInterval(), 35);
  EXPECT_TRUE(file.valueForKey(SequenceKey) == PropertyListValue::integer(35));
}

TEST(PreferenceFileWrite, WithoutAUserFileStartsFromTheDefaults) {
  test::PreferenceFolder folder;
  ASSERT_TRUE(folder.file().saveValue(PropertyListValue::integer(30), SequenceKey));
  PropertyListValue expected = folder.file().shippedDefaults();
  expected.setValue(SequenceKey, PropertyListValue::integer(30));
  EXPECT_TRUE(folder.onDisk() == expected) << folder.bytes().toStdString();
}

TEST(PreferenceFileWrite, OverAnUnreadableFileStartsFromTheDefaults) {
  test::PreferenceFolder folder;
  folder.writeBytes("<plist><dict><key>Preference Sequence Interval</key><integer>x</integer>");
  test::LogCapture log;
  ASSERT_TRUE(folder.file().saveValue(PropertyListValue::integer(0), AspectKey));
  PropertyListValue expected = folder.file().shippedDefaults();
  expected.setValue(AspectKey, PropertyListValue::integer(0));
  EXPECT_TRUE(folder.onDisk() == expected) << folder.bytes().toStdString();
  EXPECT_FALSE(folder.file().aspectRatio());
}

TEST(PreferenceFileWrite, EveryWriteKeepsTheOtherKeysAndTheirTypes) {
  test::PreferenceFolder folder;
  PropertyListValue expected = test::foreignValues();
  expected.setValue(IntervalKey, PropertyListValue::real(7.5));
  folder.write(expected);
  const PreferenceFile file = folder.file();
  const std::pair<QString, PropertyListValue> writes[] = {
      {SequenceKey, PropertyListValue::integer(20)},
      {FlagKey, PropertyListValue::integer(0)},
      {AspectKey, PropertyListValue::integer(1)},
      {SequenceKey, PropertyListValue::integer(21)},
      {IntervalKey, PropertyListValue::integer(12)},
  };
  for (const auto& [key, value] : writes) {
    ASSERT_TRUE(file.saveValue(value, key));
    expected.setValue(key, value);
    EXPECT_TRUE(folder.onDisk() == expected) << "after writing " << key.toStdString() << "\n"
                                             << folder.bytes().toStdString();
  }
  EXPECT_EQ(folder.onDisk().keys().first(), "CFBundleName") << "keys keep their places";
}

TEST(PreferenceFileWrite, MakesTheConfigurationFolder) {
  test::PreferenceFolder folder;
  ASSERT_FALSE(QFileInfo::exists(folder.folder()));
  EXPECT_TRUE(folder.file().saveValue(PropertyListValue::integer(20), SequenceKey));
  EXPECT_EQ(folder.file().sequenceInterval(), 20);
}

TEST(PreferenceFileWrite, UnwritableFolderIsLoggedAndLosesNothing) {
  test::PreferenceFolder folder;
  PropertyListValue root = test::foreignValues();
  root.setValue(SequenceKey, PropertyListValue::integer(20));
  folder.write(root);
  const QByteArray before = folder.bytes();
  test::LogCapture log;
  {
    test::UnwritableFolder unwritable(folder.folder());
    if (!unwritable.holds()) GTEST_SKIP() << "this user can write into any folder";
    EXPECT_FALSE(folder.file().saveValue(PropertyListValue::integer(30), SequenceKey));
    EXPECT_EQ(folder.file().sequenceInterval(), 20) << "the file still reads";
  }
  EXPECT_TRUE(log.contains("Cannot write the preferences")) << "logged";
  EXPECT_EQ(folder.bytes(), before) << "the file is as it was";
  EXPECT_EQ(QDir(folder.folder()).entryList(QDir::Files), QStringList{"Info.plist"}) << "no temporary file is left";
}

TEST(PreferenceFileWrite, AFolderThatCannotBeMadeIsLogged) {
  test::PreferenceFolder folder;
  // A file stands where the folder should be made.
  QDir().mkpath(folder.folder());
  QFile blocker(folder.folder() + "/blocked");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const PreferenceFile file(folder.folder() + "/blocked/Zelvo/Info.plist");
  test::LogCapture log;
  EXPECT_FALSE(file.saveValue(PropertyListValue::integer(30), SequenceKey));
  EXPECT_TRUE(log.contains("Cannot write the preferences"));
  EXPECT_EQ(file.sequenceInterval(), 10);
}

}  // namespace
}  // namespace zelvo
