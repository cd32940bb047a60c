#pragma once

#include <string>

namespace quorvane {

class Program;

// The update step: sends an update when one was requested or the public address changed, and the
// update check box is set; then resets the markers.
void UpdateDynamicDNS(Program& program);
// Builds the request for the named service, sends it (one retry on an empty answer) and shows the
// outcome in the status line, the DDNS log box and the change log.
void SendDDNSUpdate(Program& program, const std::string& serviceName);

}  // namespace quorvane
