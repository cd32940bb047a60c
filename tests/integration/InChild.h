#pragma once

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

namespace quorvane::testing {

// Runs `body` in a forked child that first enters new namespaces (CLONE_NEWNET, CLONE_NEWNS,
// CLONE_NEWUTS...) and returns the text the body produced; nullopt when the namespaces cannot be
// made here (not root, or a sandbox forbids them) or the body answered "SKIP". Whatever the child
// changes (addresses, mounts, host name) vanishes with it.
inline std::optional<std::string> InChildNamespaces(int unshareFlags,
                                                    const std::function<std::string()>& body) {
  int out[2];
  if (::pipe(out) != 0) return std::nullopt;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out[0]);
    std::string text = "SKIP";
    if (::unshare(unshareFlags) == 0) text = body();
    const bool written = ::write(out[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::_exit(written ? 0 : 2);
  }
  ::close(out[1]);
  if (pid < 0) {
    ::close(out[0]);
    return std::nullopt;
  }
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(got));
  ::close(out[0]);
  ::waitpid(pid, nullptr, 0);
  if (text == "SKIP") return std::nullopt;
  return text;
}

}  // namespace quorvane::testing
