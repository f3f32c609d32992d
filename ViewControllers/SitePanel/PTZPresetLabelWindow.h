#pragma once
// Names a PTZ preset before it is saved on the recorder. The label travels in a 16-byte
// field, so the text is kept to 16 bytes of UTF-8 while it is typed and when it is
// confirmed. Cancel, Escape and closing the window end the run cancelled, every time,
// and leave the last confirmed label as it was.

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class PTZPresetLabelWindow;
}

namespace zelvo {

class PTZPresetLabelWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr int PresetLabelBytes = 16;

  explicit PTZPresetLabelWindow(QWidget* parent = nullptr);
  ~PTZPresetLabelWindow() override;

  // Run over the window of `from` for preset number `tag` (the preset's index plus one),
  // starting from its current label, until the dialog ends; then read wasCancelled()
  // and presetLabel().
  void showPresetLabelWindow(QWidget* from, int tag, const std::optional<QString>& label);
  // The same run, returning at once; finished() tells when it ends.
  void openPresetLabelWindow(QWidget* from, int tag, const std::optional<QString>& label);

  bool wasCancelled() const { return cancelled_; }
  // The last confirmed label, at most 16 bytes of UTF-8.
  const QString& presetLabel() const { return presetLabel_; }

  // The longest prefix of the string whose UTF-8 form fits in firstBytes bytes without
  // splitting a character. It ends before a NUL (the wire field is a C string) and
  // before a lone surrogate, which has no UTF-8 form.
  static QString UTF8String(const QString& string, int firstBytes);

  // The OK button: takes the label.
  void accept() override;

 private:
  void prepare(int tag, const std::optional<QString>& label);
  void textDidChange();

  std::unique_ptr<Ui::PTZPresetLabelWindow> ui_;
  bool cancelled_ = true;
  QString presetLabel_;
};

}  // namespace zelvo
