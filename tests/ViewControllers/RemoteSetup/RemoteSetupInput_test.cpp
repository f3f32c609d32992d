// What the remote-setup window sends for keys and clicks, how it takes the recorder's
// dialog size, and the setup port.
#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "ViewControllers/RemoteSetup/RemoteSetupInput.h"

namespace zelvo {

inline bool operator==(const KeyInput& a, const KeyInput& b) {
  return a.key == b.key && a.state == b.state && a.character == b.character;
}
inline void PrintTo(const KeyInput& k, std::ostream* os) {
  *os << '{' << k.key << ", " << k.state << ", " << int(k.character) << '}';
}

namespace {

using remotesetup::KeyEvent;

KeyInput k(int key, int state, int8_t character = 0) {
  KeyInput input;
  input.key = key;
  input.state = state;
  input.character = character;
  return input;
}

struct KeyCase {
  const char* name;
  KeyEvent event;
  std::vector<KeyInput> expected;
};

TEST(RemoteSetupKeys, MappedByTheKeyTable) {
  const auto none = Qt::NoModifier;
  const auto shift = Qt::ShiftModifier;
  const auto keypad = Qt::KeypadModifier;
  const KeyCase cases[] = {
      {"up press", {Qt::Key_Up, none, {}, true, false}, {k(5, 0)}},
      {"up release", {Qt::Key_Up, none, {}, false, false}, {k(5, 1)}},
      {"down", {Qt::Key_Down, none, {}, true, false}, {k(6, 0)}},
      {"left", {Qt::Key_Left, none, {}, true, false}, {k(7, 0)}},
      {"right release", {Qt::Key_Right, none, {}, false, false}, {k(8, 1)}},
      {"shift+up is still up", {Qt::Key_Up, shift, {}, true, false}, {k(5, 0)}},
      {"keypad up", {Qt::Key_Up, keypad, {}, true, false}, {k(5, 0)}},
      {"delete is forward delete", {Qt::Key_Delete, none, QStringLiteral("\x7f"), true, false}, {k(1, 0)}},
      {"home", {Qt::Key_Home, none, {}, true, false}, {k(3, 0)}},
      {"end release", {Qt::Key_End, none, {}, false, false}, {k(4, 1)}},
      {"shift+home: function keys ignore modifiers", {Qt::Key_Home, shift, {}, true, false}, {k(3, 0)}},
      {"backspace is delete", {Qt::Key_Backspace, none, QStringLiteral("\b"), true, false}, {k(2, 0)}},
      {"backspace release", {Qt::Key_Backspace, none, QStringLiteral("\b"), false, false}, {k(2, 1)}},
      {"return press", {Qt::Key_Return, none, QStringLiteral("\r"), true, false}, {k(9, 0)}},
      {"return release", {Qt::Key_Return, none, QStringLiteral("\r"), false, false}, {k(9, 1)}},
      {"shift+return sends nothing", {Qt::Key_Return, shift, QStringLiteral("\r"), true, false}, {}},
      {"shift+return release sends nothing", {Qt::Key_Return, shift, QStringLiteral("\r"), false, false}, {}},
      {"control+backspace sends nothing", {Qt::Key_Backspace, Qt::ControlModifier, {}, true, false}, {}},
      {"alt+return sends nothing", {Qt::Key_Return, Qt::AltModifier, QStringLiteral("\r"), true, false}, {}},
      {"keypad enter is no return", {Qt::Key_Enter, keypad, QStringLiteral("\r"), true, false}, {}},
      {"a: a press only", {Qt::Key_A, none, QStringLiteral("a"), true, false}, {k(0, 0, 'a')}},
      {"a release: nothing", {Qt::Key_A, none, QStringLiteral("a"), false, false}, {}},
      {"shift+a types A", {Qt::Key_A, shift, QStringLiteral("A"), true, false}, {k(0, 0, 'A')}},
      {"control+a is a command", {Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"), true, false}, {}},
      {"meta+a is a command", {Qt::Key_A, Qt::MetaModifier, QStringLiteral("a"), true, false}, {}},
      {"alt+a is a command", {Qt::Key_A, Qt::AltModifier, QStringLiteral("a"), true, false}, {}},
      {"e acute: 0xE9 as a signed byte", {Qt::Key_Eacute, none, QStringLiteral("\u00e9"), true, false},
       {k(0, 0, static_cast<int8_t>(0xE9))}},
      {"the euro sign would arrive as another character", {Qt::Key_unknown, none, QStringLiteral("\u20ac"), true, false},
       {}},
      {"tab types nothing", {Qt::Key_Tab, none, QStringLiteral("\t"), true, false}, {}},
      {"escape types nothing", {Qt::Key_Escape, none, QStringLiteral("\x1b"), true, false}, {}},
      {"space", {Qt::Key_Space, none, QStringLiteral(" "), true, false}, {k(0, 0, ' ')}},
      {"a held arrow repeats its press", {Qt::Key_Up, none, {}, true, true}, {k(5, 0)}},
      {"but not its release", {Qt::Key_Up, none, {}, false, true}, {}},
      {"a held letter repeats", {Qt::Key_A, none, QStringLiteral("a"), true, true}, {k(0, 0, 'a')}},
      {"a modifier alone", {Qt::Key_Shift, shift, {}, true, false}, {}},
      {"caps lock alone", {Qt::Key_CapsLock, none, {}, true, false}, {}},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(remotesetup::keyInputs(c.event), c.expected);
  }
}

TEST(RemoteSetupKeys, TextArrivesUnitByUnit) {
  EXPECT_EQ(remotesetup::textInputs(QStringLiteral("ab")), (std::vector<KeyInput>{k(0, 0, 'a'), k(0, 0, 'b')}));
  // Only what would arrive as itself: units above U+00FF and control characters are left out.
  EXPECT_EQ(remotesetup::textInputs(QStringLiteral("\u00e9\u20ac\n!")),
            (std::vector<KeyInput>{k(0, 0, static_cast<int8_t>(0xE9)), k(0, 0, '!')}));
  // A character outside the basic plane is two units, both above U+00FF.
  EXPECT_TRUE(remotesetup::textInputs(QString::fromUcs4(U"\U0001F600")).empty());
  EXPECT_EQ(remotesetup::deleteInput(), k(2, 0));
}

TEST(RemoteSetupMouse, PointsAreTheViewsTopLeftCoordinates) {
  // The view's top-left corner is the dialog's: no flip.
  const MouseInput down = remotesetup::mouseInputAtPoint(QPointF(100.7, 20.2), MouseInputStateDown);
  EXPECT_EQ(down.type, 1);
  EXPECT_EQ(down.state, 2);
  EXPECT_EQ(down.point, QPointF(100.7, 20.2));
  const MouseInput up = remotesetup::mouseInputAtPoint(QPointF(100.7, 20.2), MouseInputStateUp);
  EXPECT_EQ(up.state, 3);
}

TEST(RemoteSetupDialogSize, SidesOutsideOneTo4096AreIgnored) {
  struct Case {
    const char* name;
    QRectF rect;
    std::optional<QSize> expected;
  } cases[] = {
      {"640 x 480", QRectF(100, 50, 640, 480), QSize(640, 480)},
      {"the origin does not matter", QRectF(-5, -5, 500, 300), QSize(500, 300)},
      {"1 x 1", QRectF(0, 0, 1, 1), QSize(1, 1)},
      {"4096 x 4096", QRectF(0, 0, 4096, 4096), QSize(4096, 4096)},
      {"width 0", QRectF(0, 0, 0, 480), std::nullopt},
      {"height -1", QRectF(0, 0, 640, -1), std::nullopt},
      {"width 100000", QRectF(0, 0, 100000, 480), std::nullopt},
      {"height 4097", QRectF(0, 0, 640, 4097), std::nullopt},
      {"not a number", QRectF(0, 0, std::nan(""), 480), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(remotesetup::clientSizeForDialogRect(c.rect), c.expected);
  }
}

TEST(RemoteSetupPort, TwoAboveTheSitesPortWithoutWrapping) {
  struct Case {
    const char* name;
    std::optional<qint64> port;
    unsigned expected;
  } cases[] = {
      {"80 on 82", 80, 82},
      {"65533 on 65535", 65533, 65535},
      // Above the port range: the client refuses it (reason 8) rather than reaching port 0 or 1.
      {"65534 stays 65536", 65534, 65536},
      {"65535 stays 65537", 65535, 65537},
      {"a negative port", -3, 0},
      {"a port that does not fit", qint64{1} << 40, 0},
      {"no port", std::nullopt, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(remotesetup::setupPort(c.port), c.expected);
  }
}

}  // namespace
}  // namespace zelvo
