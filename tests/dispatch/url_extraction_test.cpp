// The command and parameters of a target.
// Guards against: a scheme, host, port or slash left on the command or cut
// from it, a '?' ending the command in the wrong place, a parameter split at
// the wrong '=' or '&', quotes kept, and the scan parting from the pattern
// it replaced on targets nobody thought of.
#include <gtest/gtest.h>

#include <QMap>
#include <QString>
#include <random>

#include "dispatch/URLCommandFactory.h"
#include "support/url_pattern.h"

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

TEST(UrlExtraction, CommandAgreesWithThePatternOnRandomTargets) {
  static const char alphabet[] = "ab:/?09.";
  std::mt19937 random(20261206);
  std::uniform_int_distribution<int> length(0, 14), pick(0, sizeof(alphabet) - 2);
  for (int round = 0; round < 20000; ++round) {
    QString url;
    for (int i = length(random); i > 0; --i) url += QLatin1Char(alphabet[pick(random)]);
    if (round % 4 == 0) url.prepend(QStringLiteral("http://h"));
    QString command;
    URLCommandFactory::extractURLCommand(url, command);
    ASSERT_EQ(command.toStdString(), commandByPattern(url).toStdString()) << url.toStdString();
  }
}

}  // namespace
