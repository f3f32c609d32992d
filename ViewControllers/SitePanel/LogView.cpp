#include "ViewControllers/SitePanel/LogView.h"

namespace zelvo {

LogView::LogView(QWidget* parent) : QWidget(parent) {}

}  // namespace zelvo
