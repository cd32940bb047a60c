#pragma once

#include <string>
#include <vector>

namespace quorvane {

class frmMain;

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
};

struct ProviderEntry {
  std::string displayName;
  std::string updateHost;
  std::string path;
  std::vector<QueryPair> query;
};

// The nineteen services in drop-down order.
const std::vector<ProviderEntry>& ProviderCatalogue();

struct UpdateRequest {
  std::string host;  // empty when the service name matched no entry
  std::string path;  // path with query; empty when no entry matched
  bool secure = false;
};

// Chooses the entry whose display name equals serviceName exactly and builds its request from the
// window's current field values.
UpdateRequest BuildUpdateRequest(const frmMain& form, const std::string& serviceName);

}  // namespace quorvane
