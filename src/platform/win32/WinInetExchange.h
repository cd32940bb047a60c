#pragma once

// WinInet for the Win32 platform's network code. windows.h's DeleteFile and ReplaceFile macros would
// rename Platform's members, so they go.
#include <windows.h>
#undef DeleteFile
#undef ReplaceFile
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>

#include "platform/Platform.h"

namespace quorvane {

using SteadyClock = std::chrono::steady_clock;

// One exchange's WinInet handles and its deadline. WinInet's own time-outs bound single operations
// only; each is cut to the time left before every blocking call, so a blocked call ends by the
// deadline. The handles are closed only by the thread that uses them: WinInet reuses the values of
// closed handles, and a call on a stale value could land on another exchange's handle.
class Exchange {
 public:
  Exchange(DWORD connectMs, DWORD totalMs)
      : connectMs(connectMs), deadline(SteadyClock::now() + std::chrono::milliseconds(totalMs)) {}
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;
  ~Exchange() {
    const std::lock_guard lock(mutex);
    CloseFrom(0);
  }

  // Takes ownership of a new handle at one level (0 root, 1 connection, 2 request). False when the
  // handle is null or the exchange was aborted.
  bool Adopt(int level, HINTERNET handle) {
    const DWORD code = ::GetLastError();  // before anything here can change it
    const std::lock_guard lock(mutex);
    if (handle == nullptr) lastError = code;
    // The replaced handle goes with its children, children first: WinInet may reuse a closed handle's
    // value, so none is ever closed twice.
    CloseFrom(level);
    handles[level] = handle;
    if (handle != nullptr && aborted) CloseFrom(level);
    if (handles[level] != nullptr) LimitTimeouts(handles[level]);
    return handles[level] != nullptr;
  }
  DWORD LastError() const { return lastError; }
  HINTERNET Handle(int level) {
    const std::lock_guard lock(mutex);
    return handles[level];
  }
  // Cuts the request handle's time-outs to the time left, before each blocking call.
  void LimitTimeouts() {
    const std::lock_guard lock(mutex);
    if (handles[2] != nullptr) LimitTimeouts(handles[2]);
  }
  SteadyClock::time_point Deadline() const { return deadline; }
  bool Ended() {
    const std::lock_guard lock(mutex);
    return aborted || SteadyClock::now() >= deadline;
  }
  // Ends the exchange at its next step; a call in progress ends at its own time-out.
  void Abort() {
    const std::lock_guard lock(mutex);
    aborted = true;
  }

 private:
  void LimitTimeouts(HINTERNET handle) {
    // A second past the deadline: WinInet's timers may fire a little early and report a broken
    // connection instead of a time-out, so the waiting caller's deadline must always come first.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    DWORD leftMs = static_cast<DWORD>(std::max<long long>(left, 1) + 1000);
    DWORD connect = std::min(connectMs, leftMs);
    ::InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    ::InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &leftMs, sizeof leftMs);
    ::InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &leftMs, sizeof leftMs);
  }
  void CloseFrom(int level) {
    for (int child = 2; child >= level; --child) {
      if (handles[child] != nullptr) ::InternetCloseHandle(handles[child]);
      handles[child] = nullptr;
    }
  }

  const DWORD connectMs;
  const SteadyClock::time_point deadline;
  std::mutex mutex;
  bool aborted = false;
  DWORD lastError = 0;
  HINTERNET handles[3] = {nullptr, nullptr, nullptr};
};

// "WinInet error 12057 (ERROR_INTERNET_SEC_CERT_REV_FAILED)": the number and, where known, its name.
std::string DescribeWinInetError(DWORD code);
// Errors that mean no usable connection came about: name lookup, connecting, the TLS handshake.
bool IsConnectError(DWORD code);

// Runs one exchange on a worker thread while the caller waits in short slices: the caller returns
// at the deadline, or within a tenth of a second of a stop request, whatever WinInet is blocked in.
// A worker left behind owns everything it touches and ends at its own time-outs.
HttpTransportResult RunBounded(const Platform& platform, DWORD connectMs, DWORD totalMs,
                               std::function<HttpTransportResult(Exchange&)> work);

}  // namespace quorvane
