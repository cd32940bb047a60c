#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Settings.h"
#include "platform/Platform.h"

namespace quorvane {

// What a secret query value is shown as, everywhere but on the wire.
inline constexpr std::string_view kSecretMask = "********";

// Where a query value comes from.
enum class ValueSource {
  HostNames,
  HostNamesWithDot,
  System,
  UserName,
  Address,
  Wildcard,
  Mx,
  BackMx,
  Offline,
  Fixed
};

struct QueryPair {
  std::string key;  // empty: the value stands alone after "?"
  ValueSource source;
  std::string fixedValue;  // for ValueSource::Fixed
  bool secret = false;     // a token or key: masked in everything shown or logged
};

struct ProviderEntry {
  std::string displayName;
  std::string updateHost;
  std::string path;
  std::vector<QueryPair> query;
  bool basicAuth = true;  // false: the account travels as a token in the query, never as Basic
};

// The nineteen services in drop-down order.
const std::vector<ProviderEntry>& ProviderCatalogue();
// The entry whose display name equals the name exactly (case-sensitive); nullptr when none does.
const ProviderEntry* FindProvider(std::string_view displayName);
// The display names, joined by ", " (for the line that names an unknown service).
std::string ProviderNameList();

struct UpdateRequest {
  bool known = false;  // the service name matched an entry; otherwise host and target are empty
  std::string host;
  std::string target;       // path with query, escaped: what is sent
  std::string shownTarget;  // the same with every secret value as kSecretMask: what is shown or logged
  bool secure = false;
  bool basicAuth = false;
  int hostCount = 1;  // how many host names the request names (comma-separated)
};

// The request for the settings' service, carrying the given address.
UpdateRequest BuildUpdateRequest(const Settings& settings, const IPv4Address& address);

// The host names of a comma-separated list, blanks around each removed, empty ones skipped.
std::vector<std::string> SplitHostNames(std::string_view hostNames);

}  // namespace quorvane
