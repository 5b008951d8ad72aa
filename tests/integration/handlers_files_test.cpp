// The five file commands over HTTP: answers byte for byte, the disk after
// each, and names that try to leave the data root.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/FtHost.h"

namespace {

const std::string k404 = "HTTP/1.0 404 Not Found \r\n\r\n";
const std::string kPlain = "HTTP/1.0 200 Ok\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n";
const std::string kXml = "HTTP/1.0 200 Ok\r\nContent-Type: text/xml; charset=UTF-8\r\n\r\n";
const std::string kDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c -->\n<list>\n  <item "
    "n=\"1\">\xC3\xA9t\xC3\xA9</item>\n</list>\n";
// The document as the DOM writes it: root element only, as parsed.
const std::string kDomText = "<list><item n=\"1\">\xC3\xA9t\xC3\xA9</item></list>";

const char kHostData[] =
    "<host ecu=\"DEMO\"><data>"
    "<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">files</string>"
    "<string key=\"data:/Configuration/OrvaneFunctionTests/ATWSFolder\">/atws/</string>"
    "</data><ecu name=\"DEMO\"/></host>";

void put(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<absent>";
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class FilesOverHttp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host = new FtHostProcess;
    ASSERT_TRUE(host->start(kHostData)) << host->output();
    dir = host->dir();
    root = dir + "/files";
    put(root + "/atws/a.txt", "caf\xC3\xA9");
    put(root + "/atws/doc.xml", kDocument);
    put(root + "/atws/gone.txt", "x");
    put(root + "/ExternalFiles/ext.xml", kDocument);
    put(root + "/ECUSpecific/ecu.xml", kDocument);
    put(root + "/top.xml", kDocument);
    put(root + "/ExternalFiles/broken.xml", "<list>");
  }
  static void TearDownTestSuite() {
    delete host;
    host = nullptr;
  }
  // Stop events counted behind a closing ENDFT (delivered in order).
  static size_t eventsCausedBy(const std::string& target, std::string& reply, size_t expected) {
    const size_t before = countLogLines(host->log(), "event 669");
    reply = httpGet(host->port(), target);
    httpGet(host->port(), "/ENDFT");
    size_t after = before;
    for (int i = 0; i < 500 && after < before + expected + 1; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      after = countLogLines(host->log(), "event 669");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return countLogLines(host->log(), "event 669") - before - 1;
  }
  static FtHostProcess* host;
  static std::string dir;
  static std::string root;
};
FtHostProcess* FilesOverHttp::host = nullptr;
std::string FilesOverHttp::dir;
std::string FilesOverHttp::root;

TEST_F(FilesOverHttp, Answers) {
  struct Row {
    const char* target;
    std::string reply;
    size_t events;
  };
  const Row rows[] = {
      {"/fileExists?name=a.txt", kPlain + "1", 0},
      {"/fileExists?name=none.txt", kPlain + "0", 0},
      {"/readFile?name=a.txt", kPlain + "caf\xC3\xA9", 0},
      {"/readFile?name=doc.xml", kPlain + kDomText, 0},
      {"/readFile?name=none.txt", kPlain, 0},
      {"/readXMLFile?name=ext.xml&type=MWExt", kXml + kDomText, 0},
      {"/readXMLFile?name=ecu.xml&type=ECUSpec", kXml + kDomText, 0},
      {"/readXMLFile?name=ecu.xml&type=MWExt", kPlain, 0},
      {"/readXMLFile?name=top.xml&type=other", kXml + kDomText, 0},
      {"/readXMLFile?name=broken.xml&type=MWExt", kXml, 0},
      {"/readXMLFile?name=ext.xml", k404, 1},
      {"/readFile?name=", k404, 1},
      {"/writeFile?name=w.txt&content=", k404, 1},
      {"/deleteFile?name=none.txt", kPlain + "0", 0},
      {"/copyFile?name=a.txt", k404, 0},  // not a command: a GUI file that is not there
  };
  for (const auto& row : rows) {
    std::string reply;
    const size_t events = eventsCausedBy(row.target, reply, row.events);
    EXPECT_EQ(reply, row.reply) << row.target;
    EXPECT_EQ(events, row.events) << row.target;
  }
}

TEST_F(FilesOverHttp, WriteReadDelete) {
  EXPECT_EQ(httpGet(host->port(), "/writeFile?name=w.txt&content=x%3Cy%3E+z%26%C3%A9"), kPlain);
  EXPECT_EQ(get(root + "/atws/w.txt"), "x<y>+z&\xC3\xA9");
  EXPECT_EQ(httpGet(host->port(), "/readFile?name=w.txt"), kPlain + "x<y>+z&\xC3\xA9");
  EXPECT_EQ(httpGet(host->port(), "/writeFile?name=w.txt&content=short"), kPlain);
  EXPECT_EQ(get(root + "/atws/w.txt"), "short");

  // A missing folder is not created; the answer does not tell.
  EXPECT_EQ(httpGet(host->port(), "/writeFile?name=new/w.txt&content=x"), kPlain);
  EXPECT_FALSE(std::filesystem::exists(root + "/atws/new"));

  EXPECT_EQ(httpGet(host->port(), "/deleteFile?name=gone.txt"), kPlain + "1");
  EXPECT_FALSE(std::filesystem::exists(root + "/atws/gone.txt"));
  EXPECT_EQ(httpGet(host->port(), "/deleteFile?name=gone.txt"), kPlain + "0");
}

TEST_F(FilesOverHttp, NamesStayInsideTheDataRoot) {
  put(dir + "/secret.txt", "secret");
  const size_t warningsBefore = countLogLines(host->log(), "leaves the data root");
  // The ATWS folder is /atws/, one step below the root: three steps leave it.
  EXPECT_EQ(httpGet(host->port(), "/fileExists?name=../../secret.txt"), kPlain + "0");
  EXPECT_EQ(httpGet(host->port(), "/readFile?name=../../secret.txt"), kPlain);
  EXPECT_EQ(httpGet(host->port(), "/readXMLFile?name=../host.xml&type=other"), kPlain);
  EXPECT_EQ(httpGet(host->port(), "/writeFile?name=../../secret.txt&content=owned"), kPlain);
  EXPECT_EQ(httpGet(host->port(), "/writeFile?name=../../planted.txt&content=owned"), kPlain);
  EXPECT_EQ(httpGet(host->port(), "/deleteFile?name=../../secret.txt"), kPlain + "0");
  EXPECT_EQ(httpGet(host->port(), "/deleteFile?name=%2e%2e/%2e%2e/secret.txt"), kPlain + "0");
  EXPECT_EQ(get(dir + "/secret.txt"), "secret");
  EXPECT_FALSE(std::filesystem::exists(dir + "/planted.txt"));
  EXPECT_EQ(countLogLines(host->log(), "leaves the data root") - warningsBefore, 6u);

  // One step up from the ATWS folder is still inside.
  EXPECT_EQ(httpGet(host->port(), "/readFile?name=../top.xml"), kPlain + kDomText);
  EXPECT_EQ(httpGet(host->port(), "/fileExists?name=//a.txt"), kPlain + "1");
}

}  // namespace
