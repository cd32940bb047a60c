#pragma once

#include <cstdint>
#include <string>

#include "settings/Settings.h"

namespace quorvane {

// An update the provider still has to get. It survives restarts in its own small file.
enum class OwedKind {
  None,
  Retry,    // no answer, or a temporary failure: the next check sends it (not before notBefore)
  Refused,  // a hard refusal: sent again only once the settings differ from those refused
};
struct OwedUpdate {
  OwedKind kind = OwedKind::None;
  std::int64_t notBefore = 0;     // Retry: the first minute (see MinuteStamp) a check may send it
  std::uint64_t fingerprint = 0;  // Refused: fingerprint of the provider settings that were refused
  friend bool operator==(const OwedUpdate&, const OwedUpdate&) = default;
};

// The variables the whole program shares while it runs. Exactly one instance exists, owned by the
// Program object; every module reads and writes it through the reference it is given.
struct ProgramState {
  bool debugMode = false;   // started with "-dev"
  bool startingUp = false;  // startup in progress (chooses the startup log line)
  std::string dataFolder;   // per-user data folder, ending with a separator; empty when none exists
  std::string ipFilePath;   // dataFolder + "ip.txt"
  std::string userAgent;
  std::string windowTitle;
  std::string lastExternalIP;
  std::string lastInternalIP;
  std::string lastGoodExternalIP;
  std::string lastGoodInternalIP;
  std::int16_t minuteCount = 0;  // timer ticks since the last timed check
  bool updateNeeded = false;
  bool externalChanged = false;
  bool internalChanged = false;
  std::int32_t lastUpdateDate = 0;  // day number (days since 30 December 1899); 0 = never
  std::int16_t collapsedHeight = 0;
  SettingsBaseline settingsBaseline;  // config.txt as last read or written (settings module)
  OwedUpdate owed;

  // Outcome of the latest check and update, read by the one-shot console run for its exit status.
  bool externalObtained = false;  // the latest check obtained a public address
  bool updateFailed = false;      // an update was sent and failed or was answered with an error
};

}  // namespace quorvane
