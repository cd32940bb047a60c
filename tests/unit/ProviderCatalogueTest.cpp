#include "ddns/ProviderCatalogue.h"

#include <gtest/gtest.h>

#include "ddns/modHTTP.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

struct Fields {
  std::string hostNames = "home.example.net";
  std::string system = "custom";
  std::string userName = "alice";
  std::string wildcard = "ON";
  std::string mx = "NOCHG";
  std::string backMx = "NO";
  std::string offline = "YES";
  std::string address = "198.51.100.4";
};

class ProviderCatalogueTest : public ProgramFixture {
 protected:
  UpdateRequest Build(const std::string& service, const Fields& fields = {}) {
    frmMain& form = program->form;
    form.txtDDNShostname.SetText(fields.hostNames);
    form.txtDDNSsystem.SetText(fields.system);
    form.txtDDNSusername.SetText(fields.userName);
    form.txtDDNSpassword.SetText("never-in-a-path");
    form.cmbDDNSwildcard.SetText(fields.wildcard);
    form.cmbDDNSmx.SetText(fields.mx);
    form.cmbDDNSbackMX.SetText(fields.backMx);
    form.cmbDDNSoffline.SetText(fields.offline);
    form.txtExternalIP.SetText(fields.address);
    return BuildUpdateRequest(form, service);
  }
};

struct RowCase {
  const char* service;
  const char* host;
  const char* path;
};

// One set of field values through every row, in drop-down order.
const RowCase kRows[] = {
    {"afraid.org", "freedns.afraid.org", "/dynamic/update.php?alice"},
    {"changeip.com", "nic.changeip.com",
     "/nic/update?hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES"},
    {"DHIS", "is.dhis.org",
     "/nic/update?system=custom&hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&"
     "offline=YES"},
    {"DNS-O-Matic", "updates.dnsomatic.com",
     "/nic/update?hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES"},
    {"DNSdynamic", "www.dnsdynamic.org", "/api/?hostname=home.example.net&myip=198.51.100.4"},
    {"Duck DNS", "www.duckdns.org", "/update?domains=home.example.net&token=alice&ip=198.51.100.4"},
    {"DynDNS", "members.dyndns.org",
     "/nic/update?system=custom&hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&"
     "offline=YES"},
    {"Dynu", "api.dynu.com", "/nic/update?hostname=home.example.net&myip=198.51.100.4"},
    {"joker.com", "svc.joker.com",
     "/nic/update?hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES"},
    {"Nettica", "www.nettica.com",
     "/nic/update?hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES"},
    {"No-IP", "dynupdate.no-ip.com", "/nic/update?hostname=home.example.net&myip=198.51.100.4"},
    {"OpenDNS", "updates.opendns.com",
     "/nic/update?system=custom&hostname=home.example.net&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES"},
    {"OVH", "www.ovh.com",
     "/nic/update?system=dyndns&hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&"
     "offline=YES"},
    {"Regfish", "dyndns.regfish.de",
     "/nic/update?token=UpdateKey_Fixed&fqdn=home.example.net.&thisipv4=198.51.100.4&wildcard=ON&mx=NOCHG&"
     "backmx=NO&offline=YES"},
    {"SecuritySpace", "www.securityspace.com",
     "/dns/dynamic.html?hostname=home.example.net&myip=198.51.100.4"},
    {"Strato", "dyndns.strato.com",
     "/nic/update?hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES"},
    {"yi.org", "www.yi.org", "/bin/dyndns.fcgi?ipaddr=198.51.100.4"},
    {"Zerigo", "update.zerigo.com",
     "/dynamic?host=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES"},
    {"ZoneEdit", "dynamic.zoneedit.com", "/auth/dynamic.html?host=home.example.net&dnsto=198.51.100.4"},
};

TEST_F(ProviderCatalogueTest, EveryRowBuildsItsRequestInDropDownOrder) {
  const std::vector<ProviderEntry>& catalogue = ProviderCatalogue();
  ASSERT_EQ(catalogue.size(), std::size(kRows));
  for (std::size_t i = 0; i < catalogue.size(); ++i) {
    const RowCase& row = kRows[i];
    SCOPED_TRACE(row.service);
    EXPECT_EQ(catalogue[i].displayName, row.service);
    const UpdateRequest request = Build(row.service);
    EXPECT_EQ(request.host, row.host);
    EXPECT_EQ(request.path, row.path);
    EXPECT_TRUE(request.secure);
  }
}

struct ValueCase {
  const char* what;
  const char* service;
  Fields fields;
  const char* path;
};

Fields With(std::string Fields::*field, std::string value) {
  Fields fields;
  fields.*field = std::move(value);
  return fields;
}

// Values go in as typed, except bytes that would break the request line or start a new header.
const ValueCase kValues[] = {
    {"ampersand and equals pass", "DNSdynamic", With(&Fields::hostNames, "a.example.net&myip=6.6.6.6"),
     "/api/?hostname=a.example.net&myip=6.6.6.6&myip=198.51.100.4"},
    {"host-name list stays a list", "Dynu", With(&Fields::hostNames, "a.example.net,b.example.net"),
     "/nic/update?hostname=a.example.net,b.example.net&myip=198.51.100.4"},
    {"percent is not re-encoded", "No-IP", With(&Fields::hostNames, "a%20b"),
     "/nic/update?hostname=a%20b&myip=198.51.100.4"},
    {"blanks are encoded", "Duck DNS", With(&Fields::userName, " tok en "),
     "/update?domains=home.example.net&token=%20tok%20en%20&ip=198.51.100.4"},
    {"CR LF cannot inject a header", "afraid.org", With(&Fields::userName, "key\r\nX-Injected: 1"),
     "/dynamic/update.php?key%0D%0AX-Injected:%201"},
    {"tab, DEL and hash are encoded", "ZoneEdit", With(&Fields::hostNames, "a\tb\x7F#c"),
     "/auth/dynamic.html?host=a%09b%7F%23c&dnsto=198.51.100.4"},
    {"non-ASCII bytes are encoded", "SecuritySpace",
     With(&Fields::hostNames,
          "m\xFC"
          "nchen.example"),
     "/dns/dynamic.html?hostname=m%FCnchen.example&myip=198.51.100.4"},
    {"empty values keep key and equals", "Strato", Fields{"", "", "", "", "", "", "", ""},
     "/nic/update?hostname=&myip=&wildcard=&mx=&backmx=&offline="},
    {"OVH ignores the system field", "OVH", With(&Fields::system, "custom"),
     "/nic/update?system=dyndns&hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&"
     "offline=YES"},
    {"failed retrieval is sent as it stands", "yi.org", With(&Fields::address, "0.0.0.0"),
     "/bin/dyndns.fcgi?ipaddr=0.0.0.0"},
};

TEST_F(ProviderCatalogueTest, FieldValuesGoInUnchangedExceptUnsafeBytes) {
  for (const ValueCase& c : kValues) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Build(c.service, c.fields).path, c.path);
  }
}

TEST_F(ProviderCatalogueTest, NameMatchingNoRowGivesAnEmptyRequest) {
  for (const char* service : {"dyndns", "DYNDNS", "DynDNS ", " DynDNS", "", "Afraid", "my.own.provider"}) {
    SCOPED_TRACE(service);
    const UpdateRequest request = Build(service);
    EXPECT_EQ(request.host, "");
    EXPECT_EQ(request.path, "");
    EXPECT_FALSE(request.secure);
  }
}

TEST(EscapeRequestTargetTest, EncodesExactlyTheBytesThatCannotStandInATarget) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    const bool printable = byte > 0x20 && byte < 0x7F && byte != '#';
    char encoded[4];
    std::snprintf(encoded, sizeof encoded, "%%%02X", byte);
    EXPECT_EQ(EscapeRequestTarget(one), printable ? one : std::string(encoded)) << "byte " << byte;
    // Escaping twice changes nothing, so an escaped path may pass through the client again.
    EXPECT_EQ(EscapeRequestTarget(EscapeRequestTarget(one)), EscapeRequestTarget(one)) << "byte " << byte;
  }
}

}  // namespace
}  // namespace quorvane::testing
