#include "Resources/Resources.h"

#include <mutex>

// A resource file in a static library is linked only when something names it: this does.
static void initResources() { Q_INIT_RESOURCE(Resources); }

namespace zelvo {

void registerResources() {
  static std::once_flag registered;
  std::call_once(registered, initResources);
}

QImage imageResource(const QString& name, const QString& type) {
  registerResources();
  return QImage(QStringLiteral(":/images/%1.%2").arg(name, type));
}

}  // namespace zelvo
