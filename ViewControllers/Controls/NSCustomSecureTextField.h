#pragma once
// The length-limited field for passwords: the text is shown as bullets, and Qt offers
// no copy or cut of it.

#include "ViewControllers/Controls/NSCustomTextField.h"

namespace zelvo {

class NSCustomSecureTextField : public NSCustomTextField {
  Q_OBJECT
 public:
  explicit NSCustomSecureTextField(QWidget* parent = nullptr);
};

}  // namespace zelvo
