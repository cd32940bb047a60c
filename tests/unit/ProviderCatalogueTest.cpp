#include "ddns/ProviderCatalogue.h"

#include <gtest/gtest.h>

#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

using ProviderCatalogueTest = ProgramFixture;

// The rows whose query follows a rule of its own (the others share the DynDNS row's shape). Values go
// in as typed, except bytes that would break the request line or start a header; names match exactly.
TEST_F(ProviderCatalogueTest, RowsWithTheirOwnQueryRule) {
  const std::string options = "&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES";
  const struct {
    const char* service;
    const char* userName;
    const char* host;
    std::string path;
  } rows[] = {
      {"afraid.org", "k&y=1\r\nX: \xFC", "freedns.afraid.org", "/dynamic/update.php?k&y=1%0D%0AX:%20%FC"},
      {"Duck DNS", "alice", "www.duckdns.org",
       "/update?domains=a.example.net,b.example.net&token=alice&ip=1.2.3.4"},
      {"DynDNS", "", "members.dyndns.org",
       "/nic/update?system=custom&hostname=a.example.net,b.example.net&myip=1.2.3.4" + options},
      {"OpenDNS", "", "updates.opendns.com",
       "/nic/update?system=custom&hostname=a.example.net,b.example.net" + options},
      {"OVH", "", "www.ovh.com",
       "/nic/update?system=dyndns&hostname=a.example.net,b.example.net&myip=1.2.3.4" + options},
      {"Regfish", "", "dyndns.regfish.de",
       "/nic/update?token=UpdateKey_Fixed&fqdn=a.example.net,b.example.net.&thisipv4=1.2.3.4" + options},
      {"yi.org", "", "www.yi.org", "/bin/dyndns.fcgi?ipaddr=1.2.3.4"},
      {"ZoneEdit", "", "dynamic.zoneedit.com",
       "/auth/dynamic.html?host=a.example.net,b.example.net&dnsto=1.2.3.4"},
      {"dyndns", "", "", ""},
  };
  frmMain& form = program->form;
  form.txtDDNShostname.SetText("a.example.net,b.example.net");
  form.txtDDNSsystem.SetText("custom");
  form.cmbDDNSwildcard.SetText("ON");
  form.cmbDDNSmx.SetText("NOCHG");
  form.cmbDDNSbackMX.SetText("NO");
  form.cmbDDNSoffline.SetText("YES");
  form.txtExternalIP.SetText("1.2.3.4");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.service);
    form.txtDDNSusername.SetText(row.userName);
    const UpdateRequest request = BuildUpdateRequest(form, row.service);
    EXPECT_EQ(request.host, row.host);
    EXPECT_EQ(request.path, row.path);
    EXPECT_EQ(request.secure, *row.host != '\0');
  }
}

}  // namespace
}  // namespace quorvane::testing
