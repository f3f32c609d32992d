#include "Network/Live/CameraInfo.h"

#include <gtest/gtest.h>

namespace zelvo {
namespace {

CameraInfo camera(int64_t number, std::string title, int32_t status, int32_t covertLevel, bool ptz = false) {
  CameraInfo info;
  info.setNumber(number);
  info.setTitle(std::move(title));
  info.setStatus(status);
  info.setCovertLevel(covertLevel);
  info.setPtzAvailability(ptz);
  return info;
}

struct TitleCase {
  const char* name;
  int64_t number;
  const char* title;
  int32_t covertLevel;
  const char* expected;
};

class CameraTitle : public testing::TestWithParam<TitleCase> {};

TEST_P(CameraTitle, TitleWithDefaultValue) {
  const TitleCase& c = GetParam();
  EXPECT_EQ(camera(c.number, c.title, CameraStatusNormal, c.covertLevel).titleWithDefaultValue(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraTitle,
    testing::Values(TitleCase{"ThreeSpacesShowTheDefault", 2, "   ", CameraCovertLevelNone, "CAM3"},
                    TitleCase{"EmptyShowsTheDefault", 0, "", CameraCovertLevelNone, "CAM1"},
                    TitleCase{"TabsAndSpacesShowTheDefault", 9, " \t\t ", CameraCovertLevelCovert, "CAM10"},
                    TitleCase{"HiddenCameraHidesItsOwnTitle", 0, "Lobby", CameraCovertLevelHidden, "CAM1"},
                    TitleCase{"CovertCameraKeepsItsTitle", 1, "Lobby", CameraCovertLevelCovert, "Lobby"},
                    TitleCase{"TitleIsNotTrimmed", 1, " Lobby\t", CameraCovertLevelNone, " Lobby\t"},
                    TitleCase{"LineBreakIsText", 1, "\n", CameraCovertLevelNone, "\n"},
                    TitleCase{"NonBreakingSpaceIsText", 1, "\xC2\xA0", CameraCovertLevelNone, "\xC2\xA0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CameraInfo, DefaultCameraTitleCountsFromOne) {
  EXPECT_EQ(CameraInfo::defaultCameraTitle(0), "CAM1");
  EXPECT_EQ(CameraInfo::defaultCameraTitle(63), "CAM64");
}

struct FlagCase {
  const char* name;
  int32_t status;
  int32_t covertLevel;
  bool ptzAvailability;
  bool expectedPtz;
  bool expectedVisible;
};

class CameraFlags : public testing::TestWithParam<FlagCase> {};

TEST_P(CameraFlags, PtzAndVisibility) {
  const FlagCase& c = GetParam();
  CameraInfo info = camera(0, "x", c.status, c.covertLevel, c.ptzAvailability);
  EXPECT_EQ(info.isPtzAvaliable(), c.expectedPtz);
  EXPECT_EQ(info.isVisible(), c.expectedVisible);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraFlags,
    testing::Values(FlagCase{"NormalWithPtz", 1, 1, true, true, true},
                    FlagCase{"NormalWithoutPtz", 1, 1, false, false, true},
                    FlagCase{"InactiveWithholdsPtz", 2, 1, true, false, false},
                    FlagCase{"VideoLossKeepsPtz", 3, 1, true, true, false},
                    FlagCase{"CovertKeepsPtzButIsHidden", 1, 2, true, true, false},
                    FlagCase{"HiddenWithholdsPtz", 1, 3, true, false, false},
                    FlagCase{"UnknownStatusZero", 0, 1, true, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CameraInfo, EveryPropertyByName) {
  CameraInfo info;
  info.setValueForKey("title", std::string("Gate"));
  info.setValueForKey("status", int32_t{3});
  info.setValueForKey("covertLevel", int32_t{2});
  info.setValueForKey("ptzAvailability", true);
  info.setValueForKey("audioAvailability", true);
  info.setValueForKey("color", CameraColor{-1, 0, 5, 127});
  EXPECT_EQ(info.title(), "Gate");
  EXPECT_EQ(info.status(), 3);
  EXPECT_EQ(info.covertLevel(), 2);
  EXPECT_TRUE(info.ptzAvailability());
  EXPECT_TRUE(info.audioAvailability());
  EXPECT_EQ(info.color(), (CameraColor{-1, 0, 5, 127}));

  EXPECT_EQ(info.valueForKey("title"), CameraInfoValue(std::string("Gate")));
  EXPECT_EQ(info.valueForKey("status"), CameraInfoValue(int32_t{3}));
  EXPECT_EQ(info.valueForKey("covertLevel"), CameraInfoValue(int32_t{2}));
  EXPECT_EQ(info.valueForKey("ptzAvailability"), CameraInfoValue(true));
  EXPECT_EQ(info.valueForKey("audioAvailability"), CameraInfoValue(true));
  EXPECT_EQ(info.valueForKey("color"), CameraInfoValue(CameraColor{-1, 0, 5, 127}));
  EXPECT_TRUE(CameraInfo::isPropertyKey("color"));
  EXPECT_FALSE(CameraInfo::isPropertyKey("number"));
}

TEST(CameraInfo, ColorComparesAsAWhole) {
  EXPECT_EQ((CameraColor{1, 2, 3, 4}), (CameraColor{1, 2, 3, 4}));
  EXPECT_NE((CameraColor{1, 2, 3, 4}), (CameraColor{1, 2, 3, 5}));
  EXPECT_NE((CameraColor{1, 2, 3, 4}), (CameraColor{4, 3, 2, 1}));
}

TEST(CameraInfoDeathTest, UnknownPropertyName) {
  CameraInfo info;
  EXPECT_DEATH(info.valueForKey("number"), "Invalid parameter not satisfying");
  EXPECT_DEATH(info.setValueForKey("colour", CameraColor{}), "Invalid parameter not satisfying");
}

TEST(CameraInfoDeathTest, ValueOfTheWrongKind) {
  CameraInfo info;
  EXPECT_DEATH(info.setValueForKey("status", true), "holds_alternative");
  EXPECT_DEATH(info.setValueForKey("title", int32_t{1}), "holds_alternative");
}

}  // namespace
}  // namespace zelvo
