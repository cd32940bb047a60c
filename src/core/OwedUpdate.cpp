#include "core/OwedUpdate.h"

#include <charconv>

#include "platform/Calendar.h"

namespace quorvane {

namespace {

constexpr std::string_view kRetryWord = "retry";
constexpr std::string_view kRefusedWord = "refused";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::int64_t kMinutesPerDay = 1440;

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

// A pause ends at its time, or at once when the clock was set back so far that the time lies further
// ahead than any pause lasts (a corrected clock must not hold updates for days).
bool PauseOver(std::int64_t notBefore, std::int64_t now) {
  return now >= notBefore || notBefore - now > kServerTroubleWaitMinutes;
}

}  // namespace

std::int64_t MinuteStamp(const LocalDateTime& t) {
  return static_cast<std::int64_t>(DayNumberOf(t)) * kMinutesPerDay + t.hour * 60 + t.minute;
}

OwedUpdate ParseOwedUpdate(std::string_view text) {
  const std::size_t first = text.find(kLineEnd);
  const std::size_t second = first == std::string_view::npos ? first : text.find(kLineEnd, first + 2);
  if (second == std::string_view::npos || second + 2 != text.size()) return {};
  const std::string_view word = text.substr(0, first);
  const std::string_view number = text.substr(first + 2, second - first - 2);
  OwedUpdate owed;
  if (word == kRetryWord && ParseNumber(number, owed.notBefore, 10)) {
    owed.kind = OwedKind::Retry;
  } else if (word == kRefusedWord && ParseNumber(number, owed.fingerprint, 16)) {
    owed.kind = OwedKind::Refused;
  } else {
    return {};
  }
  return owed;
}

std::string RenderOwedUpdate(const OwedUpdate& owed) {
  if (owed.kind == OwedKind::None) return {};
  char number[32];
  const bool retry = owed.kind == OwedKind::Retry;
  const auto end = retry ? std::to_chars(number, number + sizeof number, owed.notBefore).ptr
                         : std::to_chars(number, number + sizeof number, owed.fingerprint, 16).ptr;
  return std::string(retry ? kRetryWord : kRefusedWord) + std::string(kLineEnd) + std::string(number, end) +
         std::string(kLineEnd);
}

bool RefusalStands(const OwedUpdate& owed, const Settings& settings) {
  return owed.kind == OwedKind::Refused && owed.fingerprint == ProviderFingerprint(settings);
}

bool AutomaticUpdatesHeld(const OwedUpdate& owed, const Settings& settings, std::int64_t nowMinute) {
  if (owed.kind == OwedKind::Retry) return !PauseOver(owed.notBefore, nowMinute);
  return RefusalStands(owed, settings);
}

bool OwedUpdateDue(const OwedUpdate& owed, const Settings& settings, std::int64_t nowMinute) {
  if (!settings.updateEnabled) return false;
  if (owed.kind == OwedKind::Retry) return PauseOver(owed.notBefore, nowMinute);
  return owed.kind == OwedKind::Refused && !RefusalStands(owed, settings);
}

bool KeepAliveDue(const Settings& settings, std::int32_t today) {
  if (!settings.updateEnabled) return false;
  const std::int64_t days = static_cast<std::int64_t>(today) - settings.lastUpdateDay;
  return days > kDaysWithoutUpdate || days < 0;
}

}  // namespace quorvane
