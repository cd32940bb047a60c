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

// The rows whose query follows a rule of its own; the others share the DynDNS row's shape.
const struct {
  const char* service;
  const char* host;
  const char* path;
} kRows[] = {
    {"afraid.org", "freedns.afraid.org", "/dynamic/update.php?alice"},
    {"Duck DNS", "www.duckdns.org", "/update?domains=home.example.net&token=alice&ip=198.51.100.4"},
    {"DynDNS", "members.dyndns.org",
     "/nic/update?system=custom&hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&"
     "offline=YES"},
    {"OpenDNS", "updates.opendns.com",
     "/nic/update?system=custom&hostname=home.example.net&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES"},
    {"OVH", "www.ovh.com",
     "/nic/update?system=dyndns&hostname=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&"
     "offline=YES"},
    {"Regfish", "dyndns.regfish.de",
     "/nic/update?token=UpdateKey_Fixed&fqdn=home.example.net.&thisipv4=198.51.100.4&wildcard=ON&mx=NOCHG&"
     "backmx=NO&offline=YES"},
    {"yi.org", "www.yi.org", "/bin/dyndns.fcgi?ipaddr=198.51.100.4"},
    {"Zerigo", "update.zerigo.com",
     "/dynamic?host=home.example.net&myip=198.51.100.4&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES"},
    {"ZoneEdit", "dynamic.zoneedit.com", "/auth/dynamic.html?host=home.example.net&dnsto=198.51.100.4"},
};

TEST_F(ProviderCatalogueTest, RowsWithTheirOwnQueryRule) {
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.service);
    const UpdateRequest request = BuildUpdateRequest(program->form, row.service);
    EXPECT_EQ(request.host, row.host);
    EXPECT_EQ(request.path, row.path);
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

}  // namespace
}  // namespace quorvane::testing
