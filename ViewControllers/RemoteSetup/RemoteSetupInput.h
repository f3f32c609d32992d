#pragma once
// What the remote-setup window sends the recorder for the operator's keys and
// clicks, and how it takes the recorder's dialog size and the site's setup port.
// Plain functions: the window only turns its events into calls on them.

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

#include "Network/Setup/KeyInput.h"
#include "Network/Setup/MouseInput.h"

namespace zelvo::remotesetup {

// One key event as the window received it.
struct KeyEvent {
  int key = 0;                 // Qt::Key
  Qt::KeyboardModifiers modifiers;
  QString text;                // what the key typed
  bool press = true;           // false: released
  bool autoRepeat = false;
};

// The records one key event sends, in order:
// - the arrows (up, down, left, right: 5 to 8), Delete (forward delete, 1), Home (3)
//   and End (4) whatever the modifiers, as a press or a release;
// - Backspace (delete, 2) and Return (9) only without Shift, Control, Alt or Meta.
//   Caps Lock is no modifier here and blocks neither;
// - any other press: each unit of its text as a typed character (key 0, press only),
//   unless Control, Alt or Meta is held (a command, not text). Control characters are
//   never typed, and a unit above U+00FF is dropped: its low byte would arrive as
//   another character;
// - repeated releases of a held key are dropped: the recorder sees presses repeat, then
//   one release.
std::vector<KeyInput> keyInputs(const KeyEvent& event);
// Text that arrived as text (typed, composed by an input method): each unit a press.
std::vector<KeyInput> textInputs(const QString& text);
// The delete command of the window's menu: a press of the delete key.
KeyInput deleteInput();

// A press or release of the primary button at a point of the view, which shows the
// recorder's dialog with its top-left corner at the view's (no flip).
MouseInput mouseInputAtPoint(QPointF point, int state);

// Sides of a dialog the window accepts; anything else would give an absurd window.
constexpr int MinDialogSide = 1;
constexpr int MaxDialogSide = 4096;
// The client size for the recorder's dialog rectangle, or nothing when a side is out
// of range (or not a number).
std::optional<QSize> clientSizeForDialogRect(const QRectF& dialogRect);

// The setup connection's port: two above the site's. A port that does not fit, or no
// port, gives 0, which the client refuses (reason 8) instead of wrapping it to another.
unsigned setupPort(std::optional<qint64> sitePort);

}  // namespace zelvo::remotesetup
