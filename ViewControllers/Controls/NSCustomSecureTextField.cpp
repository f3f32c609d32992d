#include "ViewControllers/Controls/NSCustomSecureTextField.h"

namespace zelvo {

NSCustomSecureTextField::NSCustomSecureTextField(QWidget* parent) : NSCustomTextField(parent) {
  setEchoMode(QLineEdit::Password);
}

}  // namespace zelvo
