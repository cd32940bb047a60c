#include "platform/win32/WinInetExchange.h"

#include <condition_variable>
#include <memory>
#include <thread>
#include <utility>

namespace quorvane {

std::string DescribeWinInetError(DWORD code) {
  static const std::pair<DWORD, const char*> kNames[] = {
      {ERROR_INTERNET_TIMEOUT, "ERROR_INTERNET_TIMEOUT"},
      {ERROR_INTERNET_NAME_NOT_RESOLVED, "ERROR_INTERNET_NAME_NOT_RESOLVED"},
      {ERROR_INTERNET_OPERATION_CANCELLED, "ERROR_INTERNET_OPERATION_CANCELLED"},
      {ERROR_INTERNET_INVALID_URL, "ERROR_INTERNET_INVALID_URL"},
      {ERROR_INTERNET_UNRECOGNIZED_SCHEME, "ERROR_INTERNET_UNRECOGNIZED_SCHEME"},
      {ERROR_INTERNET_CANNOT_CONNECT, "ERROR_INTERNET_CANNOT_CONNECT"},
      {ERROR_INTERNET_CONNECTION_ABORTED, "ERROR_INTERNET_CONNECTION_ABORTED"},
      {ERROR_INTERNET_CONNECTION_RESET, "ERROR_INTERNET_CONNECTION_RESET"},
      {ERROR_INTERNET_SEC_CERT_DATE_INVALID, "ERROR_INTERNET_SEC_CERT_DATE_INVALID"},
      {ERROR_INTERNET_SEC_CERT_CN_INVALID, "ERROR_INTERNET_SEC_CERT_CN_INVALID"},
      {ERROR_INTERNET_INVALID_CA, "ERROR_INTERNET_INVALID_CA"},
      {ERROR_INTERNET_SEC_CERT_REV_FAILED, "ERROR_INTERNET_SEC_CERT_REV_FAILED"},
      {ERROR_INTERNET_SEC_INVALID_CERT, "ERROR_INTERNET_SEC_INVALID_CERT"},
      {ERROR_INTERNET_SECURITY_CHANNEL_ERROR, "ERROR_INTERNET_SECURITY_CHANNEL_ERROR"},
      {ERROR_HTTP_INVALID_SERVER_RESPONSE, "ERROR_HTTP_INVALID_SERVER_RESPONSE"},
      {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE"},
  };
  std::string text = "WinInet error " + std::to_string(code);
  for (const auto& [number, name] : kNames)
    if (number == code) text += std::string(" (") + name + ")";
  return text;
}

bool IsConnectError(DWORD code) {
  return code == ERROR_INTERNET_NAME_NOT_RESOLVED || code == ERROR_INTERNET_CANNOT_CONNECT ||
         code == ERROR_INTERNET_SECURITY_CHANNEL_ERROR || code == ERROR_INTERNET_INVALID_CA ||
         (code >= ERROR_INTERNET_SEC_CERT_DATE_INVALID && code <= ERROR_INTERNET_SEC_CERT_CN_INVALID) ||
         code == ERROR_INTERNET_SEC_CERT_REV_FAILED || code == ERROR_INTERNET_SEC_INVALID_CERT ||
         code == ERROR_INTERNET_SEC_CERT_ERRORS || code == ERROR_INTERNET_SEC_CERT_NO_REV ||
         code == ERROR_INTERNET_SEC_CERT_REVOKED;
}

// Runs one exchange on a worker thread while the caller waits in short slices: the caller returns
// at the deadline, or within a tenth of a second of a stop request, whatever WinInet is blocked in.
// A worker left behind owns everything it touches and ends at its own time-outs.
HttpTransportResult RunBounded(const Platform& platform, DWORD connectMs, DWORD totalMs,
                               std::function<HttpTransportResult(Exchange&)> work) {
  struct Shared {
    Shared(DWORD connectMs, DWORD totalMs) : exchange(connectMs, totalMs) {}
    Exchange exchange;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    HttpTransportResult result;
  };
  auto shared = std::make_shared<Shared>(connectMs, totalMs);
  std::thread worker([shared, work = std::move(work)] {
    HttpTransportResult result = work(shared->exchange);
    const std::lock_guard lock(shared->mutex);
    shared->result = std::move(result);
    shared->finished = true;
    shared->done.notify_all();
  });
  std::unique_lock lock(shared->mutex);
  while (!shared->finished) {
    const bool stop = platform.StopRequested();
    if (stop || SteadyClock::now() >= shared->exchange.Deadline()) {
      lock.unlock();
      shared->exchange.Abort();
      worker.detach();
      HttpTransportResult result;
      result.failure = HttpFailure::Bounds;
      result.error = stop ? "stopped on request" : "no complete answer within the time limit";
      return result;
    }
    shared->done.wait_for(lock, std::chrono::milliseconds(100));
  }
  lock.unlock();
  worker.join();
  return std::move(shared->result);
}

}  // namespace quorvane
