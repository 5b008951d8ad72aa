#include <gtest/gtest.h>

#include <QMap>
#include <QString>

#include "dispatch/URLCommandFactory.h"

namespace {

using Params = QMap<QString, QString>;

struct ExtractionCase {
  const char* target;
  const char* command;
  Params parameters;
};

const ExtractionCase kCases[] = {
    {"/getText?textCode=T1&origin=gui", "getText", {{"origin", "gui"}, {"textCode", "T1"}}},
    {"http://127.0.0.1:61111//readFile?name=a", "readFile", {{"name", "a"}}},
    {"/Scenario/gui/page.html", "Scenario/gui/page.html", {{"/Scenario/gui/page.html", ""}}},
    {"/sendQuery?query=Q1&param=", "sendQuery", {{"query", "Q1"}, {"param", ""}}},
    {"/writeFile?name=\"a b\"", "writeFile", {{"name", "a b"}}},
    {"/cmd?a=1&a=2", "cmd", {{"a", "2"}}},
    {"/cmd?x=1=2", "cmd", {{"x", "2"}}},
    {"/?a=1", "a=1", {{"a", "1"}}},
    {"cmd?x=1", "cmd", {{"x", "1"}}},
    {"/a?u=x://h/b", "b", {{"u", "x://h/b"}}},
    {"///getText", "getText", {{"///getText", ""}}},
    {"/getText?textCode=%3Cb%3E&origin=K", "getText", {{"origin", "K"}, {"textCode", "%3Cb%3E"}}},
    {"/cmd?a=1#frag", "cmd", {{"a", "1#frag"}}},
    {"", "", {}},
    {"/", "", {{"/", ""}}},
    {"/cmd?first?a=1", "cmd", {{"a", "1"}}},
    {"/cmd?===&b", "cmd", {{"", ""}, {"b", ""}}},
    {"/cmd?a=\"x\"\"y\"", "cmd", {{"a", "xy"}}},
    {"ftp://host:notaport/x", "ftp://host:notaport/x", {{"ftp://host:notaport/x", ""}}},
};

TEST(UrlExtraction, CommandAndParameters) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.target);
    QString command = QStringLiteral("previous");
    EXPECT_TRUE(URLCommandFactory::extractURLCommand(QString::fromUtf8(c.target), command));
    EXPECT_EQ(command.toStdString(), c.command);
    Params parameters;
    EXPECT_TRUE(URLCommandFactory::extractURLParameters(QString::fromUtf8(c.target), parameters));
    EXPECT_EQ(parameters, c.parameters);
  }
}

}  // namespace
