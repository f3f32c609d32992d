#include "ViewControllers/Store/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

namespace zelvo {
namespace {

QByteArray plist(const QByteArray& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>\n";
}

// One dictionary holding every kind of value, nested.
PropertyListValue everyKind() {
  PropertyListValue inner = PropertyListValue::dictionary();
  inner.setValue("deep", PropertyListValue::array({PropertyListValue::integer(1), PropertyListValue::string("x")}));
  PropertyListValue root = PropertyListValue::dictionary();
  root.setValue("Preference Sequence Interval", PropertyListValue::integer(10));
  root.setValue("negative", PropertyListValue::integer(std::numeric_limits<qint64>::min()));
  root.setValue("largest", PropertyListValue::integer(std::numeric_limits<qint64>::max()));
  root.setValue("real", PropertyListValue::real(5.9));
  root.setValue("tiny", PropertyListValue::real(1e-300));
  root.setValue("minus zero", PropertyListValue::real(-0.0));
  root.setValue("not a number", PropertyListValue::real(std::numeric_limits<double>::quiet_NaN()));
  root.setValue("infinite", PropertyListValue::real(-std::numeric_limits<double>::infinity()));
  root.setValue("on", PropertyListValue::boolean(true));
  root.setValue("off", PropertyListValue::boolean(false));
  root.setValue("CFBundleName", PropertyListValue::string("Zelvo"));
  root.setValue("markup", PropertyListValue::string("<a href=\"x\">&amp;</a> ]]> \t tab\nline\r\n \xF0\x9F\x90\xA2"));
  root.setValue("spaces", PropertyListValue::string("  "));
  root.setValue("", PropertyListValue::string(""));
  root.setValue("when", PropertyListValue::date("2026-12-10T19:45:00Z"));
  root.setValue("bytes", PropertyListValue::data(QByteArray("\x00\x01\xfe\xff", 4)));
  root.setValue("empty list", PropertyListValue::array());
  root.setValue("empty dict", PropertyListValue::dictionary());
  root.setValue("nested", inner);
  return root;
}

TEST(PropertyList, EveryKindOfValueSurvivesAWriteAndARead) {
  const PropertyListValue root = everyKind();
  const QByteArray xml = xmlFromPropertyList(root);
  QString error;
  const auto back = propertyListFromXml(xml, &error);
  ASSERT_TRUE(back) << error.toStdString() << "\n" << xml.toStdString();
  EXPECT_TRUE(*back == root) << xml.toStdString();
  EXPECT_EQ(back->keys(), root.keys()) << "keys keep their order";
  EXPECT_EQ(xmlFromPropertyList(*back), xml) << "a second round writes the same text";
}

TEST(PropertyList, ReadsWhatAnotherWriterWrote) {
  const QByteArray xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//X//DTD PLIST 1.0//EN\" \"http://example.invalid/PropertyList-1.0.dtd\">\n"
      "<!-- written by hand -->\n"
      "<plist version=\"1.0\">\n<dict>\n"
      "\t<key>Preference Sequence Interval</key> <integer> 15 </integer>\n"
      "\t<key>Preference Auto Reconnect Interval</key><real>7.5</real>\n"
      "\t<key>flag</key><true/>\n"
      "\t<key>blob</key><data>\n\tAAEC\n\t/w==\n</data>\n"
      "\t<key>text</key><string><![CDATA[<raw>]]> &lt;&#x41;&gt;</string>\n"
      "\t<key>twice</key><integer>1</integer>\n"
      "\t<key>twice</key><integer>2</integer>\n"
      "</dict>\n</plist>\n";
  QString error;
  const auto root = propertyListFromXml(xml, &error);
  ASSERT_TRUE(root) << error.toStdString();
  ASSERT_TRUE(root->isDictionary());
  EXPECT_EQ(root->keys(), (QStringList{"Preference Sequence Interval", "Preference Auto Reconnect Interval", "flag",
                                       "blob", "text", "twice"}));
  EXPECT_TRUE(*root->value("Preference Sequence Interval") == PropertyListValue::integer(15));
  EXPECT_TRUE(*root->value("Preference Auto Reconnect Interval") == PropertyListValue::real(7.5));
  EXPECT_TRUE(*root->value("flag") == PropertyListValue::boolean(true));
  EXPECT_EQ(root->value("blob")->bytes(), QByteArray("\x00\x01\x02\xff", 4));
  EXPECT_EQ(root->value("text")->text(), "<raw> <A>");
  EXPECT_TRUE(*root->value("twice") == PropertyListValue::integer(2)) << "the last value of a key given twice";
}

struct BadInput {
  const char* name;
  QByteArray xml;
};

class PropertyListRefuses : public ::testing::TestWithParam<BadInput> {};

TEST_P(PropertyListRefuses, WithAReasonAndNoValue) {
  QString error;
  EXPECT_FALSE(propertyListFromXml(GetParam().xml, &error));
  EXPECT_FALSE(error.isEmpty());
}

QByteArray nested(int depth) {
  QByteArray xml;
  for (int i = 0; i < depth; ++i) xml += "<array>";
  for (int i = 0; i < depth; ++i) xml += "</array>";
  return plist(xml);
}

const BadInput badInputs[] = {
    {"Empty", ""},
    {"NotXml", "Preference Sequence Interval = 10"},
    {"Binary", QByteArray("bplist00\xd1\x01\x02", 11)},
    {"Truncated", plist("<dict><key>a</key><integer>1</integer></dict>").left(50)},
    {"UnclosedValue", "<plist><dict><key>a</key><integer>1</integer>"},
    {"RootNotPlist", "<dict><key>a</key><integer>1</integer></dict>"},
    {"PlistWithoutValue", plist("")},
    {"PlistWithTwoValues", plist("<dict/><dict/>")},
    {"TextBeside the value", plist("hello<dict/>")},
    {"ContentAfterPlist", plist("<dict/>") + "<dict/>"},
    {"UnknownElement", plist("<dict><key>a</key><number>1</number></dict>")},
    {"KeyWithoutValue", plist("<dict><key>a</key></dict>")},
    {"ValueWithoutKey", plist("<dict><integer>1</integer></dict>")},
    {"ElementInsideAKey", plist("<dict><key>a<b/></key><integer>1</integer></dict>")},
    {"ElementInsideAString", plist("<string>a<string>b</string></string>")},
    {"IntegerAsText", plist("<dict><key>a</key><integer>ten</integer></dict>")},
    {"IntegerReal", plist("<integer>1.5</integer>")},
    {"IntegerEmpty", plist("<integer></integer>")},
    {"IntegerPast64Bits", plist("<integer>9223372036854775808</integer>")},
    {"RealAsText", plist("<real>fast</real>")},
    {"RealOverflowing", plist("<real>1e999</real>")},
    {"TrueWithText", plist("<true>yes</true>")},
    {"DataNotBase64", plist("<data>***</data>")},
    {"NulByte", plist(QByteArray("<string>a\0b</string>", 20))},
    {"Utf16", QByteArray("\xff\xfe<\0p\0l\0i\0s\0t\0>\0<\0/\0p\0l\0i\0s\0t\0>\0", 32)},
    {"UndeclaredEntity", plist("<string>&lol;</string>")},
    {"EntityExpansion",
     "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
     "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><plist><string>&c;&c;&c;&c;&c;&c;</string></plist>"},
    {"ExternalEntity",
     "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
     "<plist><string>&x;</string></plist>"},
    {"TooDeep", nested(PropertyListMaxDepth + 1)},
    {"TooLong", plist("<string>" + QByteArray(PropertyListMaxBytes, 'a') + "</string>")},
};

INSTANTIATE_TEST_SUITE_P(Inputs, PropertyListRefuses, ::testing::ValuesIn(badInputs),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           std::string name = info.param.name;
                           std::erase(name, ' ');
                           return name;
                         });

TEST(PropertyList, NestingUpToTheLimitReads) {
  EXPECT_TRUE(propertyListFromXml(nested(PropertyListMaxDepth)));
}

struct NumberCase {
  const char* name;
  PropertyListValue value;
  std::optional<qint64> integer;
  std::optional<double> real;
};

TEST(PropertyList, ValuesReadAsNumbersAsANumberObjectWouldGiveThem) {
  const NumberCase cases[] = {
      {"integer", PropertyListValue::integer(-7), -7, -7.0},
      {"real cut toward zero", PropertyListValue::real(-5.9), -5, -5.9},
      {"real beyond 64 bits", PropertyListValue::real(1e300), std::numeric_limits<qint64>::max(), 1e300},
      {"real below 64 bits", PropertyListValue::real(-1e300), std::numeric_limits<qint64>::min(), -1e300},
      {"NaN", PropertyListValue::real(std::nan("")), std::nullopt, std::nullopt},
      {"true", PropertyListValue::boolean(true), 1, 1.0},
      {"false", PropertyListValue::boolean(false), 0, 0.0},
      {"string", PropertyListValue::string("10"), std::nullopt, std::nullopt},
      {"date", PropertyListValue::date("2026-01-01T00:00:00Z"), std::nullopt, std::nullopt},
      {"array", PropertyListValue::array(), std::nullopt, std::nullopt},
      {"dictionary", PropertyListValue::dictionary(), std::nullopt, std::nullopt},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(c.value.integerValue(), c.integer) << c.name;
    EXPECT_EQ(c.value.doubleValue(), c.real) << c.name;
  }
}

TEST(PropertyList, SettingAKeyKeepsItsPlaceAndTheOthers) {
  PropertyListValue root = PropertyListValue::dictionary();
  root.setValue("a", PropertyListValue::integer(1));
  root.setValue("b", PropertyListValue::real(2.5));
  root.setValue("c", PropertyListValue::string("three"));
  root.setValue("b", PropertyListValue::integer(20));
  EXPECT_EQ(root.keys(), (QStringList{"a", "b", "c"}));
  EXPECT_TRUE(*root.value("a") == PropertyListValue::integer(1));
  EXPECT_TRUE(*root.value("b") == PropertyListValue::integer(20));
  EXPECT_TRUE(*root.value("c") == PropertyListValue::string("three"));
  EXPECT_EQ(root.value("d"), nullptr);
}

class PropertyListFile : public ::testing::Test {
 protected:
  QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  QTemporaryDir dir_;
};

TEST_F(PropertyListFile, WrittenWholeAndReadBack) {
  QString error;
  ASSERT_TRUE(writePropertyListFile(path("Info.plist"), everyKind(), &error)) << error.toStdString();
  const auto back = readPropertyListFile(path("Info.plist"), &error);
  ASSERT_TRUE(back) << error.toStdString();
  EXPECT_TRUE(*back == everyKind());
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"Info.plist"}) << "no temporary file is left";
}

TEST_F(PropertyListFile, MissingFileReadsAsNoneWithAReason) {
  QString error;
  EXPECT_FALSE(readPropertyListFile(path("absent.plist"), &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST_F(PropertyListFile, LongFileIsRefusedWithoutReadingItAll) {
  QFile file(path("long.plist"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_TRUE(file.resize(64LL << 20));  // sparse: 64 MiB that take no room
  file.close();
  QString error;
  EXPECT_FALSE(readPropertyListFile(path("long.plist"), &error));
  EXPECT_TRUE(error.contains("longer")) << error.toStdString();
}

TEST_F(PropertyListFile, WriteIntoAMissingFolderFailsWithAReason) {
  QString error;
  EXPECT_FALSE(writePropertyListFile(path("missing/Info.plist"), everyKind(), &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(QFile::exists(path("missing/Info.plist")));
}

}  // namespace
}  // namespace zelvo
