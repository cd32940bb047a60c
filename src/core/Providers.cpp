#include "core/Providers.h"

#include "core/HttpRequest.h"
#include "core/IPv4.h"
#include "core/Text.h"

namespace quorvane {

namespace {

using enum ValueSource;

constexpr const char* kFixedSystem = "dyndns";
constexpr const char* kFixedRegfishToken = "UpdateKey_Fixed";

// The pairs that DynDNS-style services take after the address, always in this order.
std::vector<QueryPair> WithDynDnsOptions(std::vector<QueryPair> pairs) {
  pairs.push_back({"wildcard", Wildcard, {}});
  pairs.push_back({"mx", Mx, {}});
  pairs.push_back({"backmx", BackMx, {}});
  pairs.push_back({"offline", Offline, {}});
  return pairs;
}

std::vector<ProviderEntry> MakeCatalogue() {
  const QueryPair hostname{"hostname", HostNames, {}};
  const QueryPair myip{"myip", Address, {}};
  const QueryPair system{"system", System, {}};
  // afraid.org and Duck DNS take the account as a token in the query: it is masked wherever the
  // request is shown, and never sent a second time as Basic credentials.
  return {
      {"afraid.org", "freedns.afraid.org", "/dynamic/update.php", {{"", UserName, {}, true}}, false},
      {"changeip.com", "nic.changeip.com", "/nic/update", WithDynDnsOptions({hostname, myip})},
      {"DHIS", "is.dhis.org", "/nic/update", WithDynDnsOptions({system, hostname, myip})},
      {"DNS-O-Matic", "updates.dnsomatic.com", "/nic/update", WithDynDnsOptions({hostname, myip})},
      {"DNSdynamic", "www.dnsdynamic.org", "/api/", {hostname, myip}},
      {"Duck DNS",
       "www.duckdns.org",
       "/update",
       {{"domains", HostNames, {}}, {"token", UserName, {}, true}, {"ip", Address, {}}},
       false},
      {"DynDNS", "members.dyndns.org", "/nic/update", WithDynDnsOptions({system, hostname, myip})},
      {"Dynu", "api.dynu.com", "/nic/update", {hostname, myip}},
      {"joker.com", "svc.joker.com", "/nic/update", WithDynDnsOptions({hostname, myip})},
      {"Nettica", "www.nettica.com", "/nic/update", WithDynDnsOptions({hostname, myip})},
      {"No-IP", "dynupdate.no-ip.com", "/nic/update", {hostname, myip}},
      {"OpenDNS", "updates.opendns.com", "/nic/update", WithDynDnsOptions({system, hostname})},
      {"OVH", "www.ovh.com", "/nic/update",
       WithDynDnsOptions({{"system", Fixed, kFixedSystem}, hostname, myip})},
      {"Regfish", "dyndns.regfish.de", "/nic/update",
       WithDynDnsOptions({{"token", Fixed, kFixedRegfishToken, true},
                          {"fqdn", HostNamesWithDot, {}},
                          {"thisipv4", Address, {}}})},
      {"SecuritySpace", "www.securityspace.com", "/dns/dynamic.html", {hostname, myip}},
      {"Strato", "dyndns.strato.com", "/nic/update", WithDynDnsOptions({hostname, myip})},
      {"yi.org", "www.yi.org", "/bin/dyndns.fcgi", {{"ipaddr", Address, {}}}},
      {"Zerigo", "update.zerigo.com", "/dynamic", WithDynDnsOptions({{"host", HostNames, {}}, myip})},
      {"ZoneEdit",
       "dynamic.zoneedit.com",
       "/auth/dynamic.html",
       {{"host", HostNames, {}}, {"dnsto", Address, {}}}},
  };
}

std::string ValueOf(const Settings& settings, const IPv4Address& address, const QueryPair& pair) {
  switch (pair.source) {
    case HostNames:
      return settings.hostNames;
    case HostNamesWithDot:
      return settings.hostNames + ".";
    case System:
      return settings.system;
    case UserName:
      return settings.userName;
    case Address:
      return IPv4Text(address);
    case Wildcard:
      return settings.wildcard;
    case Mx:
      return settings.mx;
    case BackMx:
      return settings.backupMx;
    case Offline:
      return settings.offline;
    case Fixed:
      return pair.fixedValue;
  }
  return {};
}

}  // namespace

const std::vector<ProviderEntry>& ProviderCatalogue() {
  static const std::vector<ProviderEntry> catalogue = MakeCatalogue();
  return catalogue;
}

const ProviderEntry* FindProvider(std::string_view displayName) {
  for (const ProviderEntry& entry : ProviderCatalogue())
    if (entry.displayName == displayName) return &entry;
  return nullptr;
}

std::string ProviderNameList() {
  std::string names;
  for (const ProviderEntry& entry : ProviderCatalogue())
    names += (names.empty() ? "" : ", ") + entry.displayName;
  return names;
}

std::vector<std::string> SplitHostNames(std::string_view hostNames) {
  std::vector<std::string> names;
  std::size_t from = 0;
  while (from <= hostNames.size()) {
    const std::size_t comma = std::min(hostNames.find(',', from), hostNames.size());
    std::string name = TrimBlanks(hostNames.substr(from, comma - from));
    if (!name.empty()) names.push_back(std::move(name));
    from = comma + 1;
  }
  return names;
}

UpdateRequest BuildUpdateRequest(const Settings& settings, const IPv4Address& address) {
  const ProviderEntry* entry = FindProvider(settings.service);
  if (!entry) return {};
  UpdateRequest request;
  request.known = true;
  request.host = entry->updateHost;
  request.secure = true;
  request.basicAuth = entry->basicAuth;
  request.hostCount = std::max<int>(1, static_cast<int>(SplitHostNames(settings.hostNames).size()));
  std::string sent = entry->path + "?";
  std::string shown = sent;
  for (std::size_t i = 0; i < entry->query.size(); ++i) {
    const QueryPair& pair = entry->query[i];
    const std::string start = (i > 0 ? "&" : "") + (pair.key.empty() ? std::string() : pair.key + "=");
    const std::string value = ValueOf(settings, address, pair);
    sent += start + value;
    shown += start + (pair.secret ? std::string(kSecretMask) : value);
  }
  // The values go in as typed ("&", "=", "," and "%" included), but a byte that cannot stand in a
  // request target (a line break would start a new header) is percent-encoded here.
  request.target = EscapeRequestTarget(sent);
  request.shownTarget = EscapeRequestTarget(shown);
  return request;
}

}  // namespace quorvane
