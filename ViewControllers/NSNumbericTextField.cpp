#include "ViewControllers/NSNumbericTextField.h"

namespace zelvo {

NSNumbericTextField::NSNumbericTextField(QWidget* parent) : QLineEdit(parent) {}

void NSNumbericTextField::setTextFieldValue() {}

}  // namespace zelvo
