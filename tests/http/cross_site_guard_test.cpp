// Which requests may change something: the browser's fetch metadata, the
// Origin against the Host, and the Host against this server's own names.
// Guards against: header names compared case-sensitively, only a header's
// first copy judged, a cut head judged as complete, ENDFT left unguarded.
#include <gtest/gtest.h>

#include <QSysInfo>

#include "dispatch/CommandTable.h"
#include "http/CrossSiteGuard.h"

namespace {

// As the connection asks it: with the flag of the word's command row.
bool allows(const char* command, const QStringList& headers, bool headEnded) {
  const Command* row = findCommand(QString::fromLatin1(command));
  return CrossSiteGuard::allows(command, row != nullptr && row->changesState, headers, headEnded);
}

TEST(CrossSiteGuard, RefusesForeignSitesForCommandsThatChangeSomething) {
  const QString machine = QSysInfo::machineHostName();
  const struct {
    const char* command;
    QStringList headers;
    bool allowed;
  } rows[] = {
      {"writeFile", {}, true},  // curl, older embedded browsers
      {"writeFile", {"Host: 127.0.0.1:61111"}, true},
      {"writeFile", {"host: LOCALHOST:61111"}, true},
      {"writeFile", {"Host: " + machine + ":61111"}, true},
      {"writeFile", {"Host: evil.example:61111"}, false},  // rebinding
      {"writeFile", {"Host: 127.0.0.1.evil.example"}, false},
      {"writeFile", {"Host: 127.0.0.1", "Host: evil.example"}, false},
      {"deleteFile", {"sec-fetch-site: cross-site"}, false},
      {"deleteFile", {"Sec-Fetch-Site: same-site"}, false},  // another port or name
      {"deleteFile", {"Sec-Fetch-Site: same-origin"}, true},
      {"deleteFile", {"Sec-Fetch-Site: same-origin", "Sec-Fetch-Site: cross-site"}, false},
      {"deleteFile", {"Sec-Fetch-Site: none"}, true},  // typed in the address bar
      {"sendQuery", {"Host: 127.0.0.1:61111", "Origin: http://127.0.0.1:61111"}, true},
      {"sendQuery", {"Host: 127.0.0.1:61111", "oRiGiN: http://127.0.0.1:8080"}, false},
      {"sendRawQuery", {"Origin: null"}, false},
      {"sendRawQuery", {"Origin: http://localhost:61111"}, true},
      {"ENDFT", {"Sec-Fetch-Site: cross-site"}, false},
      // Only commands that change something are guarded.
      {"readFile", {"Sec-Fetch-Site: cross-site", "Host: evil.example"}, true},
      {"readSignal", {"Origin: https://evil.example"}, true},
  };
  for (const auto& row : rows)
    EXPECT_EQ(allows(row.command, row.headers, true), row.allowed)
        << row.command << " " << row.headers.join(" | ").toStdString();
}

// What came too late to be read could have been foreign.
TEST(CrossSiteGuard, ACutHeadRefusesOnlyWhatChangesSomething) {
  EXPECT_FALSE(allows("writeFile", {"Host: 127.0.0.1"}, false));
  EXPECT_FALSE(allows("ENDFT", {}, false));
  EXPECT_TRUE(allows("readSignal", {}, false));
}

}  // namespace
