#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace quorvane {

inline constexpr const char* kWanIpFileName = "wan_ip.txt";
// What the external address shows when no echo page gave one (the window, ip.txt, the change log).
inline constexpr std::string_view kUnableToAccess = "(unable to access)";

inline constexpr std::string_view kGettingWanIpFrom = "Getting WAN IP address from ";
inline constexpr std::string_view kGotWanIp = "Got WAN IP address.";
inline constexpr std::string_view kGetWanIpFailed = "Get WAN IP address failed.";

// The address an echo page gives, or why it gives none (for developer mode).
struct PageAddress {
  std::optional<IPv4Address> address;
  std::string reason;  // empty when an address was found
};

// Takes the address out of a downloaded page: the three services with HTML pages (matched by the
// URL) are cut between their markers, every other page must hold the bare address. Blanks and line
// ends around the address are dropped, but an address is never assembled across lines. Only a public
// unicast IPv4 address counts.
PageAddress AddressFromPage(std::string_view url, std::string_view page);

// The URL list's entries in order, blanks around each removed; blank entries (a trailing empty line
// of the list box) name no service and are left out.
std::vector<std::string> EchoEntries(const std::vector<std::string>& echoUrls);

}  // namespace quorvane
