#include "ddns/ProviderCatalogue.h"

#include <gtest/gtest.h>

#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

class ProviderCatalogueTest : public ProgramFixture {
 protected:
  ProviderCatalogueTest() {
    frmMain& form = program->form;
    form.txtDDNShostname.SetText("home.example.net");
    form.txtDDNSsystem.SetText("custom");
    form.txtDDNSusername.SetText("alice");
    form.txtDDNSpassword.SetText("never-in-a-path");
    form.cmbDDNSwildcard.SetText("ON");
    form.cmbDDNSmx.SetText("NOCHG");
    form.cmbDDNSbackMX.SetText("NO");
    form.cmbDDNSoffline.SetText("YES");
    form.txtExternalIP.SetText("198.51.100.4");
  }
};

// One set of field values through every row, in drop-down order.
const struct {
  const char* service;
  const char* host;
  const char* path;
} kRows[] = {
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
    SCOPED_TRACE(kRows[i].service);
    EXPECT_EQ(catalogue[i].displayName, kRows[i].service);
    const UpdateRequest request = BuildUpdateRequest(program->form, kRows[i].service);
    EXPECT_EQ(request.host, kRows[i].host);
    EXPECT_EQ(request.path, kRows[i].path);
    EXPECT_TRUE(request.secure);
  }
}

// Values go in as typed, except bytes that would break the request line or start a new header.
TEST_F(ProviderCatalogueTest, FieldValuesGoInUnchangedExceptUnsafeBytes) {
  const struct {
    Control frmMain::*field;
    const char* value;
    const char* service;
    const char* path;
  } cases[] = {
      {&frmMain::txtDDNShostname, "a.example.net&myip=6.6.6.6", "DNSdynamic",
       "/api/?hostname=a.example.net&myip=6.6.6.6&myip=198.51.100.4"},
      {&frmMain::txtDDNSusername, " tok en ", "Duck DNS",
       "/update?domains=home.example.net&token=%20tok%20en%20&ip=198.51.100.4"},
      {&frmMain::txtDDNSusername, "key\r\nX-Injected: 1", "afraid.org",
       "/dynamic/update.php?key%0D%0AX-Injected:%201"},
      {&frmMain::txtDDNShostname, "m\xFCnchen.example", "SecuritySpace",
       "/dns/dynamic.html?hostname=m%FCnchen.example&myip=198.51.100.4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    Control& field = program->form.*c.field;
    const std::string typed = field.Text();
    field.SetText(c.value);
    EXPECT_EQ(BuildUpdateRequest(program->form, c.service).path, c.path);
    field.SetText(typed);
  }
}

TEST_F(ProviderCatalogueTest, NameMatchingNoRowGivesAnEmptyRequest) {
  for (const char* service : {"dyndns", "DYNDNS", "DynDNS ", "", "my.own.provider"}) {
    SCOPED_TRACE(service);
    const UpdateRequest request = BuildUpdateRequest(program->form, service);
    EXPECT_EQ(request.host, "");
    EXPECT_EQ(request.path, "");
  }
}

}  // namespace
}  // namespace quorvane::testing
