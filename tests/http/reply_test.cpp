// The heads every answer leaves with, and the command table that dispatch,
// the parameter checks and the cross-site guard read.
// Guards against: a status line or header changed by a byte (the blanks
// clients have always received), a row dropped or renamed, a command that
// changes something left unguarded, a read refused to foreign pages.
#include "http/Reply.h"

#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "dispatch/CommandTable.h"

namespace {

TEST(Reply, HeadsAreTheBytesClientsAlwaysReceived) {
  Reply typed = Reply::ok("image/png");
  Reply bare = Reply::ok({});
  Reply refused;
  refused.status = Reply::Status::MethodNotAllowed;
  const struct {
    const char* name;
    const Reply& reply;
    int code;
    const char* head;
  } rows[] = {
      {"html", Reply::html("x"), 200,
       "HTTP/1.0 200 Ok\r\nContent-Type: text/html; charset=\"utf-8\"\r\n"
       "Access-Control-Allow-Origin: http://127.0.0.1\r\n\r\n"},
      {"typed", typed, 200, "HTTP/1.0 200 Ok\r\nContent-Type: image/png\r\n\r\n"},
      {"untyped", bare, 200, "HTTP/1.0 200 Ok\r\n\r\n"},
      {"not found", Reply::notFound(), 404, "HTTP/1.0 404 Not Found \r\n\r\n"},
      {"failure", Reply::failure(), 404, "HTTP/1.0 404 Not Found \r\n\r\n"},
      {"not allowed", refused, 405, "HTTP/1.0 405 Not Allowed \r\n\r\n"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.reply.head().toStdString(), row.head) << row.name;
    EXPECT_EQ(row.reply.code(), row.code) << row.name;
  }
  EXPECT_TRUE(Reply::failure(1).failed);
  EXPECT_EQ(Reply::failure(1).stopEvents, 1);
}

TEST(CommandTable, WordsRequirementsAndWhatChangesState) {
  const struct {
    const char* word;
    std::string required;  // joined by ','; "-" for a word that is always refused
    bool changesState;
  } rows[] = {
      {"FT", "gui,mw,flow", false},
      {"ENDFT", "", true},
      {"getText", "textCode", false},
      {"fileExists", "name", false},
      {"readFile", "name", false},
      {"readXMLFile", "name,type", false},
      {"writeFile", "name,content", true},
      {"deleteFile", "name", true},
      {"isApplicable", "names,types", false},
      {"readSignal", "names,types", false},
      {"retrieveInitialValue", "-", false},
      {"sendQuery", "query", true},
      {"sendRawQuery", "query", true},
  };
  EXPECT_EQ(commandsEnd() - commandsBegin(), static_cast<long>(std::size(rows)));
  for (const auto& row : rows) {
    const Command* command = findCommand(QString::fromLatin1(row.word));
    ASSERT_NE(command, nullptr) << row.word;
    std::string required = command->answer == nullptr ? "-" : "";
    for (const char* name : command->required)
      if (name != nullptr) required += (required.empty() ? "" : ",") + std::string(name);
    EXPECT_EQ(required, row.required) << row.word;
    EXPECT_EQ(command->changesState, row.changesState) << row.word;
  }
  for (const char* word : {"readfile", "ft", "Scripts/init.js", ""})
    EXPECT_EQ(findCommand(QString::fromLatin1(word)), nullptr) << word;
}

}  // namespace
