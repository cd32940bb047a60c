#pragma once

#include <curl/curl.h>

#include <memory>

#include "platform/posix/PosixPlatform.h"

namespace quorvane {

struct PosixPlatform::CurlSession {
  struct Global {
    bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Global() = default;
    Global(const Global&) = delete;
    Global& operator=(const Global&) = delete;
    ~Global() {
      if (ok) curl_global_cleanup();
    }
  };
  struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
  };
  struct MultiCleanup {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
  };
  // Destroyed in reverse order: the transfer handle, the multi handle, then the global state.
  Global global;
  std::unique_ptr<CURLM, MultiCleanup> multi;
  std::unique_ptr<CURL, EasyCleanup> easy;
};

}  // namespace quorvane
