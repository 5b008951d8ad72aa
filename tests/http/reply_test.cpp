// The heads every answer leaves with, and the command table that dispatch,
// the parameter checks and the cross-site guard read.
// Guards against: a status line or header changed by a byte (the blanks
// clients have always received), a command that changes something left
// unguarded, a read refused to foreign pages, a word matched loosely.
#include "http/Reply.h"

#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "dispatch/CommandTable.h"

namespace {

TEST(Reply, HeadsAreTheBytesClientsAlwaysReceived) {
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
      {"untyped", bare, 200, "HTTP/1.0 200 Ok\r\n\r\n"},
      {"not found", Reply::notFound(), 404, "HTTP/1.0 404 Not Found \r\n\r\n"},
      {"not allowed", refused, 405, "HTTP/1.0 405 Not Allowed \r\n\r\n"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.reply.head().toStdString(), row.head) << row.name;
    EXPECT_EQ(row.reply.code(), row.code) << row.name;
  }
}

// The cross-site guard refuses exactly the words whose rows say they change
// something; the words are exact.
TEST(CommandTable, WhatChangesStateAndExactWords) {
  std::string changing;
  for (const Command* c = commandsBegin(); c != commandsEnd(); ++c)
    if (c->changesState) changing += std::string(c->word) + ",";
  EXPECT_EQ(changing, "ENDFT,sendQuery,sendRawQuery,writeFile,deleteFile,");
  for (const char* word : {"readfile", "ft", "Scripts/init.js", ""})
    EXPECT_EQ(findCommand(QString::fromLatin1(word)), nullptr) << word;
}

}  // namespace
