#pragma once

namespace quorvane {

class Program;

// The file that keeps the last external and internal address, one per line.
inline constexpr const char* kIpFileName = "ip.txt";

// One call of the check cycle: on a timer tick it counts minutes up to the interval; on a request
// (checkRequest "1") it checks at once. A check learns both addresses, logs changes, rewrites ip.txt
// and runs the update step when one is due.
void CheckAddresses(Program& program);

}  // namespace quorvane
