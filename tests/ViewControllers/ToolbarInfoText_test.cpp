// The toolbar strip's texts: the status line of a connected camera, which state changes
// refresh the strip, the two runs of the site line, and frame times in the locale's best
// pattern.
#include <gtest/gtest.h>

#include "SitePanel/SitePanelFakes.h"
#include "ViewControllers/MainWindow/FrameTimeFormatter.h"
#include "ViewControllers/ToolbarInfoViewController.h"

namespace zelvo {
namespace {

using test::camera;

// ICU puts a narrow no-break space before the AM/PM marker in English.
std::string plainSpaces(QString text) {
  text.replace(QChar(0x202F), QLatin1Char(' '));
  return text.toStdString();
}

TEST(ToolbarInfoText, StatusLineOfAConnectedCamera) {
  const FrameTimeFormatter formatter("en_US", QTimeZone::utc());
  const DateTime frame(2026, 3, 14, 15, 9, 26);
  struct Case {
    const char* name;
    std::optional<CameraInfo> info;
    std::optional<DateTime> time;
    const char* text;
  } cases[] = {
      {"no record", std::nullopt, frame, "--"},
      {"inactive and covert: status first", camera(0, "A", 2, 2), frame, "Inactive"},
      {"covert", camera(0, "A", 1, 2), frame, "Covert"},
      {"hidden", camera(0, "A", 1, 3), frame, "Covert"},
      {"video loss", camera(0, "A", 3, 1), frame, "Video Loss"},
      {"normal, no frame time", camera(0, "A", 1, 1), std::nullopt, "--"},
      {"normal, blank frame time", camera(0, "A", 1, 1), DateTime(), "--"},
      {"normal with a frame", camera(0, "A", 1, 1), frame, "03/14/2026, 3:09:26 PM"},
      {"unknown status 0", camera(0, "A", 0, 1), frame, "--"},
      {"unknown status 7", camera(0, "A", 7, 1), frame, "--"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(plainSpaces(ToolbarInfoViewController::stringByCameraInfo(c.info, c.time, formatter)), c.text) << c.name;
}

TEST(ToolbarInfoText, OnlyPlaneAndConnectionStatesAndFramesRefresh) {
  for (int state = -2; state <= 12; ++state) {
    const bool refreshes = (state >= 0 && state <= 5) || state == 9;
    EXPECT_EQ(ToolbarInfoViewController::refreshesOnState(state), refreshes) << state;
  }
}

TEST(ToolbarInfoText, SiteLineRuns) {
  using Text = ToolbarInfoViewController::SiteText;
  struct Case {
    const char* name;
    std::vector<std::shared_ptr<SiteInfo>> sites;
    Text text;
  } cases[] = {
      {"two sites", {test::site("A", QStringLiteral("guest")), test::site("B")}, {"A,B ", "admin"}},
      {"one site", {test::site("Depot")}, {"Depot ", "admin"}},
      {"no user", {test::site("Depot", std::nullopt)}, {"Depot ", ""}},
      {"markup kept as text", {test::site("<b>x</b>&amp;")}, {"<b>x</b>&amp; ", "admin"}},
      {"none", {}, {"", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(ToolbarInfoViewController::siteText(c.sites), c.text) << c.name;
}

TEST(FrameTimeFormatterTest, BestPatternOfTheLocaleMadeOnce) {
  const DateTime morning(2026, 1, 2, 3, 4, 5);
  struct Case {
    const char* locale;
    const char* pattern;
    const char* text;
  } cases[] = {
      {"en_US", "MM/dd/yyyy, h:mm:ss a", "01/02/2026, 3:04:05 AM"},
      {"en_GB", "dd/MM/yyyy, h:mm:ss a", "02/01/2026, 3:04:05 am"},
      {"de_DE", "dd.MM.yyyy, h:mm:ss a", "02.01.2026, 3:04:05 AM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    const FrameTimeFormatter formatter(c.locale, QTimeZone::utc());
    EXPECT_EQ(plainSpaces(formatter.pattern()), c.pattern);
    EXPECT_EQ(plainSpaces(formatter.dateTimeString(morning)), c.text);
  }
}

TEST(FrameTimeFormatterTest, TheInstantIsShownInTheFormattersZone) {
  const FrameTimeFormatter berlin("en_US", QTimeZone("Europe/Berlin"));
  // The recorder's fields are local to the zone the utility converts in.
  EXPECT_EQ(plainSpaces(berlin.dateTimeString(DateTime(2026, 7, 1, 23, 30, 0))), "07/01/2026, 11:30:00 PM");
}

TEST(FrameTimeFormatterTest, OutOfRangeFieldsCarryOverAndBlankIsNoTime) {
  const FrameTimeFormatter formatter("en_US", QTimeZone::utc());
  EXPECT_EQ(plainSpaces(formatter.dateTimeString(DateTime(2026, 1, 31, 24, 0, 0))), "02/01/2026, 12:00:00 AM");
  EXPECT_EQ(formatter.dateTimeString(DateTime()).toStdString(), "--");
}

}  // namespace
}  // namespace zelvo
