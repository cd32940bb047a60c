#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Settings.h"
#include "platform/Platform.h"

namespace quorvane {

// Keeps the owed update across restarts; absent (or unreadable) when nothing is owed.
inline constexpr const char* kOwedUpdateFileName = "owed-update.txt";

// How long the provider's trouble answers ("911") make us wait before the next try.
inline constexpr std::int64_t kServerTroubleWaitMinutes = 30;
// The keep-alive fires when more days than this have passed since the last update.
inline constexpr std::int32_t kDaysWithoutUpdate = 29;

// An update the provider still has to get.
enum class OwedKind {
  None,
  Retry,    // no answer, or a temporary failure: the next check sends it (not before notBefore)
  Refused,  // a hard refusal: sent again only once the settings differ from those refused
};
struct OwedUpdate {
  OwedKind kind = OwedKind::None;
  std::int64_t notBefore = 0;     // Retry: the first minute (see MinuteStamp) a check may send it
  std::uint64_t fingerprint = 0;  // Refused: ProviderFingerprint of the settings that were refused
  friend bool operator==(const OwedUpdate&, const OwedUpdate&) = default;
};

// Minutes since 30 December 1899 of a local date and time.
std::int64_t MinuteStamp(const LocalDateTime& t);

// The file: "retry" CR LF minute CR LF, or "refused" CR LF hex fingerprint CR LF. Anything else owes
// nothing. Kind None renders as empty text (the file is deleted).
OwedUpdate ParseOwedUpdate(std::string_view text);
std::string RenderOwedUpdate(const OwedUpdate& owed);

// True while a hard refusal stands for the settings as they are now.
bool RefusalStands(const OwedUpdate& owed, const Settings& settings);
// True while nothing may be sent automatically: a refusal stands, or the provider asked for a pause
// that has not ended (a clock set back further than any pause lasts ends it at once).
bool AutomaticUpdatesHeld(const OwedUpdate& owed, const Settings& settings, std::int64_t nowMinute);
// True when a check that runs now must send the owed update (updates switched on).
bool OwedUpdateDue(const OwedUpdate& owed, const Settings& settings, std::int64_t nowMinute);
// The 30-day keep-alive: updates on and more than kDaysWithoutUpdate days since the last update. A
// last-update day after today counts as due (a clock or file set wrong must not block it for ever).
bool KeepAliveDue(const Settings& settings, std::int32_t today);

}  // namespace quorvane
