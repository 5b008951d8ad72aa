// Script injection into scenario pages, content types of GUI files, the
// handlers' parameter rules and the texts answered without a text service.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QMap>
#include <QString>

#include "IBText.h"
#include "dispatch/ResponseConstants.h"
#include "dispatch/URLCommandFactory.h"
#include "handlers/GUIHandler.h"
#include "handlers/ResourceHandler.h"
#include "handlers/ScenarioHandler.h"
#include "handlers/UtilitiesHandler.h"

namespace {

const QString kHeader = QString::fromLatin1(HTTP_200_HTML_HEADER);
const QString kScripts =
    "\t\t<script type=\"text/javascript\" src=\"/Scripts/init.js\"></script>\r\n"
    "\t\t<script type=\"text/javascript\">\r\nwindow.onload = init;</script>\r\n\t";

TEST(ProcessScripts, InsertsBeforeHeadAndMarksTitleInDevelopmentMode) {
  struct Row {
    const char* name;
    QString page;
    bool development;
    QString expected;
  };
  const QString title = "<div id='title' class='x'>T</div>";
  const QString marked = "<div id='title' onfocus='javascript:endFT();'  class='x'>T</div>";
  const Row rows[] = {
      {"head", "<html><head><title>p</title></head><body/></html>", false,
       "<html><head><title>p</title>" + kScripts + "</head><body/></html>"},
      {"first head only", "<head></head><p></head>", false,
       "<head>" + kScripts + "</head><p></head>"},
      {"no head", "<html><body/></html>", false, kScripts + "<html><body/></html>"},
      {"empty page", "", false, kScripts},
      {"head case matters", "<HEAD></HEAD>", false, kScripts + "<HEAD></HEAD>"},
      {"title after head, development", "<head></head>" + title, true,
       "<head>" + kScripts + "</head>" + marked},
      {"title after head, production", "<head></head>" + title, false,
       "<head>" + kScripts + "</head>" + title},
      {"title inside head", "<head>" + title + "</head>", true,
       "<head>" + title + kScripts + "</head>"},
      {"only first title marked", "<head></head>" + title + title, true,
       "<head>" + kScripts + "</head>" + marked + title},
      {"no head, title", title, true, kScripts + marked},
      {"no title", "<head></head><div id=\"title\">", true,
       "<head>" + kScripts + "</head><div id=\"title\">"},
  };
  for (const auto& row : rows) {
    QString page = kHeader + row.page;
    EXPECT_TRUE(ScenarioHandler::processScripts(page, "/Scripts/", row.development));
    EXPECT_EQ(page, kHeader + row.expected) << row.name;
  }
}

TEST(ProcessScripts, UsesTheGivenApiFolder) {
  QString page = kHeader + "</head>";
  ScenarioHandler::processScripts(page, "/js/api/", false);
  EXPECT_TRUE(page.contains("src=\"/js/api/init.js\""));
}

TEST(ContentTypes, ByCompleteLowerCaseExtension) {
  const QString octet = "Content-Type: application/octet-stream \r\n\r\n";
  struct Row {
    const char* path;
    QString expected;
  };
  const Row rows[] = {
      {"Scripts/init.js", "Content-Type: text/javascript; charset=utf-8\r\n\r\n"},
      {"Scripts/init.jsc", "Content-Type: text/javascript; charset=utf-8\r\n\r\n"},
      {"lib/jquery.min.js", "Content-Type: text/javascript; charset=utf-8\r\n\r\n"},
      {"Style/main.CSS", "Content-Type: text/css; charset=utf-8\r\n\r\n"},
      {"Style/theme.min.css", "Content-Type: text/css; charset=utf-8\r\n\r\n"},
      {"a/b.PNG", "Content-Type: image/png\r\n\r\n"},
      {"page.htm", "Content-Type: text/html; charset=utf-8\r\n\r\n"},
      {"logo.svg", "Content-Type: image/svg+xml\r\n\r\n"},
      {"fonts/x.woff2", "Content-Type: font/woff2\r\n\r\n"},
      {"favicon.ico", "Content-Type: image/x-icon\r\n\r\n"},
      {"data.json", "Content-Type: application/json; charset=utf-8\r\n\r\n"},
      {"lib/jquery-3.7.1.min.js", octet},  // the complete extension is 7.1.min.js
      {"archive.tar.gz", octet},
      {"README", octet},
      {"", octet},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ResourceHandler::getContentTypeFromResourcePath(row.path), row.expected) << row.path;
}

template <typename Handler>
bool accepts(const char* command, const QMap<QString, QString>& parameters) {
  Handler handler;
  handler.command = command;
  handler.setParameters(parameters);
  return handler.checkParameters();
}

TEST(CheckParameters, EachHandlersRules) {
  using P = QMap<QString, QString>;
  const P ft{{"gui", "main"}, {"mw", "m"}, {"flow", "f"}};
  EXPECT_TRUE(accepts<ScenarioHandler>("FT", ft));
  EXPECT_FALSE(accepts<ScenarioHandler>("FT", P{{"gui", "main"}, {"mw", "m"}}));
  EXPECT_FALSE(accepts<ScenarioHandler>("FT", P{{"gui", ""}, {"mw", "m"}, {"flow", "f"}}));
  EXPECT_TRUE(accepts<ScenarioHandler>("ENDFT", P{{"anything", "x"}}));
  EXPECT_FALSE(accepts<ScenarioHandler>("ft", ft));

  EXPECT_TRUE(accepts<GUIHandler>("getText", P{{"textCode", "A"}, {"origin", "K"}}));
  EXPECT_TRUE(accepts<GUIHandler>("getText", P{{"textCode", ";;"}, {"origin", "Q"}}));
  EXPECT_FALSE(accepts<GUIHandler>("getText", P{{"textCode", "A"}, {"origin", "k"}}));
  EXPECT_FALSE(accepts<GUIHandler>("getText", P{{"textCode", "A"}, {"origin", ""}}));
  EXPECT_FALSE(accepts<GUIHandler>("getText", P{{"textCode", "A"}}));
  EXPECT_FALSE(accepts<GUIHandler>("getText", P{{"textCode", ""}, {"origin", "K"}}));
  EXPECT_FALSE(accepts<GUIHandler>("gettext", P{{"textCode", "A"}, {"origin", "K"}}));

  for (const char* command : {"readFile", "fileExists", "deleteFile"}) {
    EXPECT_TRUE(accepts<UtilitiesHandler>(command, P{{"name", "a"}})) << command;
    EXPECT_FALSE(accepts<UtilitiesHandler>(command, P{{"name", ""}})) << command;
  }
  EXPECT_TRUE(accepts<UtilitiesHandler>("readXMLFile", P{{"name", "a"}, {"type", "anything"}}));
  EXPECT_FALSE(accepts<UtilitiesHandler>("readXMLFile", P{{"name", "a"}}));
  EXPECT_TRUE(accepts<UtilitiesHandler>("writeFile", P{{"name", "a"}, {"content", "c"}}));
  EXPECT_FALSE(accepts<UtilitiesHandler>("writeFile", P{{"name", "a"}, {"content", ""}}));
  EXPECT_FALSE(accepts<UtilitiesHandler>("removeFile", P{{"name", "a"}}));

  EXPECT_TRUE(accepts<ResourceHandler>("any/path.js", P{}));
}

// Without a text service the separators still line the fields up.
TEST(GetText, WithoutTextServiceAnswersEmptyFields) {
  URLCommandFactory* factory = URLCommandFactory::getInstance();
  ASSERT_NE(factory, nullptr);
  IBText* saved = factory->textService;
  factory->textService = nullptr;
  GUIHandler handler;
  EXPECT_EQ(handler.GetText("A;B;;C", ORIGIN_K), ";;");
  EXPECT_EQ(handler.GetText(";;", ORIGIN_Q), "");
  factory->textService = saved;
}

}  // namespace
