#pragma once

#include <cstdint>

#include "app/ProgramState.h"
#include "platform/Platform.h"

namespace quorvane {

class Program;
class frmMain;

// Keeps the owed update across restarts; absent (or unreadable) when nothing is owed.
inline constexpr const char* kOwedUpdateFileName = "owed-update.txt";

// How long the provider's trouble answers ("911") make us wait before the next try.
inline constexpr std::int64_t kServerTroubleWaitMinutes = 30;

// Minutes since 30 December 1899 of a local date and time.
std::int64_t MinuteStamp(const LocalDateTime& t);
// A fingerprint of the settings a provider judges an update by (service, user name, password, host
// names, system). It lets a refusal be compared with later settings without keeping the password.
std::uint64_t SettingsFingerprint(const frmMain& form);

// Reads the owed update kept by an earlier run into the state.
void LoadOwedUpdate(Program& program);
// Sets the owed update and keeps the file in step with it.
void SetOwedUpdate(Program& program, const OwedUpdate& owed);
// True while a hard refusal stands for the settings as they are now.
bool RefusalStands(Program& program);
// True while nothing may be sent automatically: a refusal stands, or the provider asked for a pause
// that has not ended yet (an address change then goes out with the owed update after the pause).
bool AutomaticUpdatesHeld(Program& program);
// True when a check that runs now must send the owed update.
bool OwedUpdateDue(Program& program);

}  // namespace quorvane
