// Script injection into scenario pages, content types of GUI files and the
// texts answered without a text service.
// Guards against: scripts put in the wrong head, a title marked outside
// development mode or more than once, a type from a partial extension.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include "IBText.h"
#include "dispatch/URLCommandFactory.h"
#include "handlers/GUIHandler.h"
#include "handlers/ResourceHandler.h"
#include "handlers/ScenarioHandler.h"
#include "support/factory_test_access.h"

namespace {

QString scripts(const QString& api) {
  return "\t\t<script type=\"text/javascript\" src=\"" + api +
         "init.js\"></script>\r\n"
         "\t\t<script type=\"text/javascript\">\r\nwindow.onload = init;</script>\r\n\t";
}

TEST(ProcessScripts, InsertsBeforeHeadAndMarksTitleInDevelopmentMode) {
  const QString s = scripts("/Scripts/");
  const QString title = "<div id='title' class='x'>T</div>";
  const QString marked = "<div id='title' onfocus='javascript:endFT();'  class='x'>T</div>";
  const struct {
    const char* name;
    QString page;
    bool development;
    QString expected;
  } rows[] = {
      {"first head only, no mark outside development", "<head></head><p></head>" + title, false,
       "<head>" + s + "</head><p></head>" + title},
      {"head case matters", "<HEAD></HEAD>", false, s + "<HEAD></HEAD>"},
      {"only first title marked", "<head></head>" + title + title, true,
       "<head>" + s + "</head>" + marked + title},
  };
  for (const auto& row : rows) {
    QString page = row.page;
    EXPECT_TRUE(ScenarioHandler::processScripts(page, "/Scripts/", row.development));
    EXPECT_EQ(page, row.expected) << row.name;
  }
}

TEST(ContentTypes, ByCompleteLowerCaseExtension) {
  const QString octet = "Content-Type: application/octet-stream \r\n\r\n";
  const QString js = "Content-Type: text/javascript; charset=utf-8\r\n\r\n";
  const struct {
    const char* path;
    QString expected;
  } rows[] = {
      {"Scripts/init.jsc", js},
      {"Style/main.CSS", "Content-Type: text/css; charset=utf-8\r\n\r\n"},
      {"lib/jquery-3.7.1.min.js", octet},  // the complete extension is 7.1.min.js
  };
  for (const auto& row : rows)
    EXPECT_EQ(ResourceHandler::getContentTypeFromResourcePath(row.path), row.expected) << row.path;
}

// Without a text service the separators still line the fields up.
TEST(GetText, WithoutTextServiceAnswersEmptyFields) {
  IBText* saved = URLCommandFactory::getInstance()->getTextService();
  FactoryTestAccess::setTextService(nullptr);
  GUIHandler handler;
  EXPECT_EQ(handler.GetText("A;B;;C", ORIGIN_K), ";;");
  EXPECT_EQ(handler.GetText(";;", ORIGIN_Q), "");
  FactoryTestAccess::setTextService(saved);
}

}  // namespace
