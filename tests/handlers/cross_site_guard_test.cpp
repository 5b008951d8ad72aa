// Which requests may change something: the browser's fetch metadata, the
// Origin against the Host, and the Host against this server's own names.
#include <gtest/gtest.h>

#include <QSysInfo>

#include "handlers/CrossSiteGuard.h"

namespace {

TEST(CrossSiteGuard, RefusesForeignSitesForCommandsThatChangeSomething) {
  const QString machine = QSysInfo::machineHostName();
  const struct {
    const char* target;
    QStringList headers;
    bool allowed;
  } rows[] = {
      {"/writeFile?name=a&content=b", {}, true},  // curl, older embedded browsers
      {"/writeFile?name=a&content=b", {"Host: 127.0.0.1:61111"}, true},
      {"/writeFile?name=a&content=b", {"host: LOCALHOST:61111"}, true},
      {"/writeFile?name=a&content=b", {"Host: [::1]:61111"}, true},
      {"/writeFile?name=a&content=b", {"Host: " + machine + ":61111"}, true},
      {"/writeFile?name=a&content=b", {"Host: app.localhost"}, true},
      {"/writeFile?name=a&content=b", {"Host: evil.example:61111"}, false},  // rebinding
      {"/writeFile?name=a&content=b", {"Host: 127.0.0.1.evil.example"}, false},
      {"/writeFile?name=a&content=b", {"Host: 1270.0.0.1"}, false},
      {"/deleteFile?name=a", {"Sec-Fetch-Site: cross-site"}, false},
      {"/deleteFile?name=a", {"Sec-Fetch-Site: same-site"}, false},  // another port or name
      {"/deleteFile?name=a", {"Sec-Fetch-Site: same-origin"}, true},
      {"/deleteFile?name=a", {"Sec-Fetch-Site: none"}, true},  // typed in the address bar
      {"/sendQuery?name=a", {"Host: 127.0.0.1:61111", "Origin: http://127.0.0.1:61111"}, true},
      {"/sendQuery?name=a", {"Host: 127.0.0.1:61111", "Origin: http://127.0.0.1:8080"}, false},
      {"/sendRawQuery?x=1", {"Host: 127.0.0.1:61111", "Origin: https://evil.example"}, false},
      {"/sendRawQuery?x=1", {"Origin: null"}, false},
      {"/sendRawQuery?x=1", {"Origin: http://localhost:61111"}, true},
      // Only commands that change something are guarded.
      {"/readFile?name=a", {"Sec-Fetch-Site: cross-site", "Host: evil.example"}, true},
      {"/Scripts/init.js", {"Sec-Fetch-Site: cross-site"}, true},
      {"/readSignal?names=A", {"Origin: https://evil.example"}, true},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CrossSiteGuard::allows(row.target, row.headers), row.allowed)
        << row.target << " " << row.headers.join(" | ").toStdString();
}

}  // namespace
