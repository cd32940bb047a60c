#include "ddns/OwedUpdate.h"

#include <charconv>
#include <string>
#include <string_view>

#include "app/Calendar.h"
#include "app/Program.h"

namespace quorvane {

namespace {

constexpr std::string_view kRetryWord = "retry";
constexpr std::string_view kRefusedWord = "refused";
constexpr const char* kLineEnd = "\r\n";
constexpr std::int64_t kMinutesPerDay = 1440;

std::string OwedFilePath(const ProgramState& state) {
  return state.dataFolder + kOwedUpdateFileName;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

// "retry" or "refused", CR LF, the number that goes with it, CR LF. Anything else owes nothing.
OwedUpdate ParseOwedFile(std::string_view text) {
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

std::string OwedFileText(const OwedUpdate& owed) {
  char number[32];
  const bool retry = owed.kind == OwedKind::Retry;
  const auto end = retry ? std::to_chars(number, number + sizeof number, owed.notBefore).ptr
                         : std::to_chars(number, number + sizeof number, owed.fingerprint, 16).ptr;
  return std::string(retry ? kRetryWord : kRefusedWord) + kLineEnd + std::string(number, end) + kLineEnd;
}

}  // namespace

std::int64_t MinuteStamp(const LocalDateTime& t) {
  return DayNumberOf(t) * kMinutesPerDay + t.hour * 60 + t.minute;
}

std::uint64_t SettingsFingerprint(const frmMain& form) {
  // FNV-1a over the fields, each closed by a NUL so that moving text between fields changes it.
  std::uint64_t hash = 14695981039346656037ull;
  for (const Control* field : {&form.cmbDDNSservice, &form.txtDDNSusername, &form.txtDDNSpassword,
                               &form.txtDDNShostname, &form.txtDDNSsystem}) {
    for (const char c : field->Text() + '\0') {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

void LoadOwedUpdate(Program& program) {
  ProgramState& state = program.state;
  if (state.dataFolder.empty()) return;
  state.owed = ParseOwedFile(program.platform.ReadFile(OwedFilePath(state)).value_or(""));
}

void SetOwedUpdate(Program& program, const OwedUpdate& owed) {
  ProgramState& state = program.state;
  if (owed == state.owed) return;
  state.owed = owed;
  if (state.dataFolder.empty()) return;
  if (owed.kind == OwedKind::None) {
    program.platform.DeleteFile(OwedFilePath(state));
  } else {
    program.platform.ReplaceFile(OwedFilePath(state), OwedFileText(owed));
  }
}

namespace {

// A pause ends at its time, or at once when the clock was set back so far that the time lies further
// ahead than any pause lasts (a corrected clock must not hold updates for days).
bool PauseOver(Program& program, std::int64_t notBefore) {
  const std::int64_t now = MinuteStamp(program.platform.Now());
  return now >= notBefore || notBefore - now > kServerTroubleWaitMinutes;
}

}  // namespace

bool RefusalStands(Program& program) {
  const OwedUpdate& owed = program.state.owed;
  return owed.kind == OwedKind::Refused && owed.fingerprint == SettingsFingerprint(program.form);
}

bool AutomaticUpdatesHeld(Program& program) {
  const OwedUpdate& owed = program.state.owed;
  if (owed.kind == OwedKind::Retry) return !PauseOver(program, owed.notBefore);
  return RefusalStands(program);
}

bool OwedUpdateDue(Program& program) {
  const OwedUpdate& owed = program.state.owed;
  if (!program.form.chkUpdateDynDNS.Checked()) return false;
  if (owed.kind == OwedKind::Retry) return PauseOver(program, owed.notBefore);
  return owed.kind == OwedKind::Refused && !RefusalStands(program);
}

}  // namespace quorvane
