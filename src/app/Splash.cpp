#include "app/Splash.h"

#include "core/Version.h"

namespace quorvane {

SplashText SplashTexts() {
  return SplashText{kVersion.productName, BuildShortVersion(), kVersion.copyright};
}

}  // namespace quorvane
