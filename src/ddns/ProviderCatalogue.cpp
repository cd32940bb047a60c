#include "ddns/ProviderCatalogue.h"

#include "ddns/modHTTP.h"
#include "ui/frmMain.h"

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
  return {
      {"afraid.org", "freedns.afraid.org", "/dynamic/update.php", {{"", UserName, {}}}},
      {"changeip.com", "nic.changeip.com", "/nic/update", WithDynDnsOptions({hostname, myip})},
      {"DHIS", "is.dhis.org", "/nic/update", WithDynDnsOptions({system, hostname, myip})},
      {"DNS-O-Matic", "updates.dnsomatic.com", "/nic/update", WithDynDnsOptions({hostname, myip})},
      {"DNSdynamic", "www.dnsdynamic.org", "/api/", {hostname, myip}},
      {"Duck DNS",
       "www.duckdns.org",
       "/update",
       {{"domains", HostNames, {}}, {"token", UserName, {}}, {"ip", Address, {}}}},
      {"DynDNS", "members.dyndns.org", "/nic/update", WithDynDnsOptions({system, hostname, myip})},
      {"Dynu", "api.dynu.com", "/nic/update", {hostname, myip}},
      {"joker.com", "svc.joker.com", "/nic/update", WithDynDnsOptions({hostname, myip})},
      {"Nettica", "www.nettica.com", "/nic/update", WithDynDnsOptions({hostname, myip})},
      {"No-IP", "dynupdate.no-ip.com", "/nic/update", {hostname, myip}},
      {"OpenDNS", "updates.opendns.com", "/nic/update", WithDynDnsOptions({system, hostname})},
      {"OVH", "www.ovh.com", "/nic/update",
       WithDynDnsOptions({{"system", Fixed, kFixedSystem}, hostname, myip})},
      {"Regfish", "dyndns.regfish.de", "/nic/update",
       WithDynDnsOptions({{"token", Fixed, kFixedRegfishToken},
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

std::string ValueOf(const frmMain& form, const QueryPair& pair) {
  switch (pair.source) {
    case HostNames:
      return form.txtDDNShostname.Text();
    case HostNamesWithDot:
      return form.txtDDNShostname.Text() + ".";
    case System:
      return form.txtDDNSsystem.Text();
    case UserName:
      return form.txtDDNSusername.Text();
    case Address:
      return form.txtExternalIP.Text();
    case Wildcard:
      return form.cmbDDNSwildcard.Text();
    case Mx:
      return form.cmbDDNSmx.Text();
    case BackMx:
      return form.cmbDDNSbackMX.Text();
    case Offline:
      return form.cmbDDNSoffline.Text();
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

UpdateRequest BuildUpdateRequest(const frmMain& form, const std::string& serviceName) {
  for (const ProviderEntry& entry : ProviderCatalogue()) {
    if (entry.displayName != serviceName) continue;
    std::string path = entry.path + "?";
    for (std::size_t i = 0; i < entry.query.size(); ++i) {
      const QueryPair& pair = entry.query[i];
      if (i > 0) path += "&";
      if (!pair.key.empty()) path += pair.key + "=";
      path += ValueOf(form, pair);
    }
    // The values go in as typed ("&", "=", "," and "%" included), but a byte that cannot stand in a
    // request target (a line break would start a new header) is percent-encoded here, so the path
    // that the DDNS log shows is the one that is sent.
    return UpdateRequest{entry.updateHost, EscapeRequestTarget(path), true};
  }
  return {};
}

}  // namespace quorvane
