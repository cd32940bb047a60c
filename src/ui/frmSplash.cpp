#include "ui/frmSplash.h"

#include "app/Version.h"

namespace quorvane {

SplashText SplashTexts() {
  return SplashText{kVersion.productName, BuildShortVersion(), kVersion.copyright};
}

}  // namespace quorvane
