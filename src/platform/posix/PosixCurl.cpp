// libcurl's handles and the loop that runs a transfer so that a stop can end it.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "platform/posix/CurlSession.h"

namespace quorvane {

PosixPlatform::CurlSession* PosixPlatform::Curl() {
  if (curlSession) return curlSession.get();
  auto session = std::make_unique<CurlSession>();
  if (!session->global.ok) return nullptr;
  session->multi.reset(curl_multi_init());
  if (session->multi) session->easy.reset(curl_easy_init());
  if (!session->easy) return nullptr;
  curlSession = std::move(session);
  return curlSession.get();
}

// Runs the transfer in our own loop rather than curl_easy_perform, which may sit in one wait for a
// whole second while no byte flows (measured with libcurl 7.88): every wait here is at most
// kStopPollMs, so a stop request ends a transfer to a silent server within that time.
int PosixPlatform::Perform(CurlSession& session) {
  if (StopRequested()) return CURLE_ABORTED_BY_CALLBACK;
  CURL* handle = session.easy.get();
  CURLM* multi = session.multi.get();
  if (curl_multi_add_handle(multi, handle) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_ABORTED_BY_CALLBACK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_SEND_ERROR;
      break;
    }
    int queued = 0;
    if (const CURLMsg* message = curl_multi_info_read(multi, &queued);
        message != nullptr && message->msg == CURLMSG_DONE) {
      result = message->data.result;
      break;
    }
    if (StopRequested()) break;
    curl_multi_poll(multi, nullptr, 0, kStopPollMs, nullptr);
  }
  curl_multi_remove_handle(multi, handle);
  return result;
}

// Certificates are checked against the system's trust store, which Debian keeps twice: as one PEM
// bundle and as a folder of hashed files. Parsing the whole bundle (about 140 certificates) costs
// OpenSSL 3 some 20 ms per connection, more in a fresh process: more than all else a check does.
// The folder yields just the certificates that a chain names. So the folder is tried first and the
// bundle only when the folder cannot vouch for the server: together they trust exactly what libcurl
// trusts by default, and a bundle with extra certificates (a company CA added to the bundle only)
// still works. A failed verification happens before any byte of the request is sent, so the second
// try sends nothing twice; it gets only the time the first one left.
int PosixPlatform::PerformVerified(CurlSession& session, long connectMs, long totalMs) {
  CURL* handle = session.easy.get();
  TrustStore trust;
  if (testTrust) {
    trust = *testTrust;
  } else {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (info->capath != nullptr) trust.hashedFolder = info->capath;
    if (info->cainfo != nullptr) trust.bundleFile = info->cainfo;
  }
  const auto start = std::chrono::steady_clock::now();
  struct stat folderInfo {};
  if (!trust.hashedFolder.empty() && ::stat(trust.hashedFolder.c_str(), &folderInfo) == 0 &&
      S_ISDIR(folderInfo.st_mode)) {
    curl_easy_setopt(handle, CURLOPT_CAINFO, nullptr);
    curl_easy_setopt(handle, CURLOPT_CAPATH, trust.hashedFolder.c_str());
    const auto code = static_cast<CURLcode>(Perform(session));
    const bool folderFailed = code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE;
    if (!folderFailed || trust.bundleFile.empty()) return code;
    const long spent = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count());
    if (spent >= totalMs) return CURLE_OPERATION_TIMEDOUT;
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, totalMs - spent);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, std::min(connectMs, totalMs - spent));
  }
  // Without a folder lookup libcurl may keep the parsed bundle for the handle's later transfers.
  curl_easy_setopt(handle, CURLOPT_CAPATH, nullptr);
  curl_easy_setopt(handle, CURLOPT_CAINFO, trust.bundleFile.empty() ? nullptr : trust.bundleFile.c_str());
  return Perform(session);
}

PosixPlatform::PosixPlatform() = default;
PosixPlatform::~PosixPlatform() = default;

}  // namespace quorvane
