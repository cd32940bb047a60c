#include "fakes/SaveBlocker.h"

#include <sys/resource.h>

#include <csignal>

namespace quorvane::testing {

SaveBlocker::SaveBlocker(const std::string&) {
  rlimit saved{};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return;
  const rlimit small{16, saved.rlim_max};
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  if (setrlimit(RLIMIT_FSIZE, &small) != 0) {
    signal(SIGXFSZ, previousHandler);
    return;
  }
  undo = [saved, previousHandler] {
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
  };
}

}  // namespace quorvane::testing
