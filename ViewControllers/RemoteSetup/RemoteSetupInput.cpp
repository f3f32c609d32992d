#include "ViewControllers/RemoteSetup/RemoteSetupInput.h"

#include <cmath>
#include <limits>

namespace zelvo::remotesetup {

namespace {

std::optional<int> specialKey(int key, Qt::KeyboardModifiers modifiers) {
  switch (key) {
    case Qt::Key_Up: return KeyInputKeyUpArrow;
    case Qt::Key_Down: return KeyInputKeyDownArrow;
    case Qt::Key_Left: return KeyInputKeyLeftArrow;
    case Qt::Key_Right: return KeyInputKeyRightArrow;
    case Qt::Key_Delete: return KeyInputKeyForwardDelete;
    case Qt::Key_Home: return KeyInputKeyHome;
    case Qt::Key_End: return KeyInputKeyEnd;
    default: break;
  }
  const bool modified =
      modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (modified) return std::nullopt;
  switch (key) {
    case Qt::Key_Backspace: return KeyInputKeyDelete;
    case Qt::Key_Return: return KeyInputKeyReturn;
    default: return std::nullopt;
  }
}

bool typable(char16_t unit) { return unit >= 0x20 && unit != 0x7F && unit <= 0xFF; }

KeyInput character(char16_t unit) {
  KeyInput input;
  input.key = KeyInputKeyCharacter;
  input.state = KeyInputStateDown;
  input.character = static_cast<int8_t>(static_cast<uint8_t>(unit));
  return input;
}

}  // namespace

std::vector<KeyInput> keyInputs(const KeyEvent& event) {
  if (!event.press && event.autoRepeat) return {};
  if (auto key = specialKey(event.key, event.modifiers)) {
    KeyInput input;
    input.key = *key;
    input.state = event.press ? KeyInputStateDown : KeyInputStateUp;
    input.character = 0;
    return {input};
  }
  if (!event.press) return {};
  if (event.modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {};
  return textInputs(event.text);
}

std::vector<KeyInput> textInputs(const QString& text) {
  std::vector<KeyInput> inputs;
  for (QChar unit : text) {
    if (typable(unit.unicode())) inputs.push_back(character(unit.unicode()));
  }
  return inputs;
}

KeyInput deleteInput() {
  KeyInput input;
  input.key = KeyInputKeyDelete;
  input.state = KeyInputStateDown;
  input.character = 0;
  return input;
}

MouseInput mouseInputAtPoint(QPointF point, int state) {
  MouseInput input;
  input.type = MouseInputTypePrimary;
  input.state = state;
  input.point = point;
  return input;
}

std::optional<QSize> clientSizeForDialogRect(const QRectF& dialogRect) {
  const double width = dialogRect.width();
  const double height = dialogRect.height();
  auto inRange = [](double side) { return std::isfinite(side) && side >= MinDialogSide && side <= MaxDialogSide; };
  if (!inRange(width) || !inRange(height)) return std::nullopt;
  return QSize(static_cast<int>(width), static_cast<int>(height));
}

unsigned setupPort(std::optional<qint64> sitePort) {
  if (!sitePort) return 0;
  const qint64 port = *sitePort;
  if (port < 0 || port > static_cast<qint64>(std::numeric_limits<unsigned>::max()) - 2) return 0;
  return static_cast<unsigned>(port + 2);
}

}  // namespace zelvo::remotesetup
