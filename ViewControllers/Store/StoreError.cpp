#include "ViewControllers/Store/StoreError.h"

namespace zelvo {

const QString StoreError::kApplicationDomain = QStringLiteral("YOUR_ERROR_DOMAIN");
const QString StoreError::kStoreDomain = QStringLiteral("ZelvoStore");

StoreError StoreError::store(Code c, QString description, QString failureReason) {
  return StoreError{kStoreDomain, c, std::move(description), std::move(failureReason)};
}

}  // namespace zelvo
