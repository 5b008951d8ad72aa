// GUI files, scenario pages, display texts and the five file commands over
// HTTP, byte for byte, with the stop events the host receives and the disk
// after each; names that try to leave the data root.
// Guards against: a reply byte changed, a stop event too many or missing, a
// file outside the root read, written or deleted, a foreign page's command
// applied however its head is cut, a command whose head never ended applied.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/ft_host.h"

namespace {

const std::string kPlain = "HTTP/1.0 200 Ok\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n";
const std::string kXml = "HTTP/1.0 200 Ok\r\nContent-Type: text/xml; charset=UTF-8\r\n\r\n";
const std::string kScript =
    "HTTP/1.0 200 Ok\r\nContent-Type: text/javascript; charset=utf-8\r\n\r\n";
const std::string kPng = "HTTP/1.0 200 Ok\r\nContent-Type: image/png\r\n\r\n";
const std::string kDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c -->\n<list>\n  <item "
    "n=\"1\">\xC3\xA9t\xC3\xA9</item>\n</list>\n";
// The document as the DOM writes it: root element only, as parsed.
const std::string kDomText = "<list><item n=\"1\">\xC3\xA9t\xC3\xA9</item></list>";
const std::string kScripts =
    "\t\t<script type=\"text/javascript\" src=\"/Scripts/init.js\"></script>\r\n"
    "\t\t<script type=\"text/javascript\">\r\nwindow.onload = init;</script>\r\n\t";

std::string hostData(bool development, const std::string& settings = "") {
  return std::string("<host ecu=\"DEMO\"><data>") + settings +
         "<flag key=\"data:/Configuration/OrvaneFunctionTests/DevelopmentMode\">" +
         (development ? "true" : "false") +
         "</flag>"
         "<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">files</string>"
         "<string key=\"data:/Configuration/OrvaneFunctionTests/ATWSFolder\">/atws/</string>"
         "</data><texts><text code=\"A\">Alpha</text><text code=\"C3P_A\">Qualit\xC3\xA9</text>"
         "<text code=\"S\">x;y</text></texts><ecu name=\"DEMO\"/></host>";
}

class Handlers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host = new FtHostProcess;
    ASSERT_TRUE(host->start(hostData(true))) << host->output();
    dir = host->dir();
    root = dir + "/files";
    put(dir + "/secret.txt", "secret");
    put(root + "/Scripts/init.js", "function init() {}\n");
    put(root + "/Scripts/only.jsc", scrambled("var x = 1;\n"));
    put(root + "/img/b.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    put(root + "/empty.txt", "");
    put(root + "/Scenario/gui/main.html",
        "<html><head><title>t</title></head><body><div id='title' class='x'>T</div></body></html>");
    put(root + "/Scenario/gui/packed.htmlc", scrambled("<p>\xC3\xA9</p>"));
    put(root + "/atws/a.txt", "caf\xC3\xA9");
    put(root + "/atws/doc.xml", kDocument);
    put(root + "/atws/gone.txt", "x");
    put(root + "/ExternalFiles/ext.xml", kDocument);
    put(root + "/top.xml", kDocument);
    put(root + "/ExternalFiles/broken.xml", "<list>");
    std::filesystem::create_symlink("../Scenario", root + "/atws/shortcut");
  }
  static void TearDownTestSuite() {
    delete host;
    host = nullptr;
  }
  static FtHostProcess* host;
  static std::string dir;
  static std::string root;
};
FtHostProcess* Handlers::host = nullptr;
std::string Handlers::dir;
std::string Handlers::root;

TEST_F(Handlers, RepliesAndStopEvents) {
  const struct {
    const char* target;
    std::string reply;
    size_t events;
  } rows[] = {
      {"/Scripts/init.js", kScript + "function init() {}\n", 0},
      {"/Scripts/only.js?v=3", kScript + "var x = 1;\n", 0},
      {"/img/b.png", kPng + std::string("\x89PNG\r\n\x1a\n\0\0", 10), 0},
      {"/empty.txt", k404, 0},
      {"/../host.xml", k404, 0},
      {"/FT?gui=main&mw=m&flow=f",
       kHtml + "<html><head><title>t</title>" + kScripts +
           "</head><body><div id='title' onfocus='javascript:endFT();'  "
           "class='x'>T</div></body></html>",
       0},
      {"/FT?gui=packed&mw=m&flow=f", kHtml + kScripts + "<p>\xC3\xA9</p>", 0},
      {"/FT?gui=../../../host.xml%00&mw=m&flow=f", k404, 2},
      {"/FT?gui=main&mw=m", k404, 1},
      {"/ENDFT?any=1", kHtml + "end\r\n", 1},
      {"/retrieveInitialValue?names=A", k404, 1},
      {"/getText?textCode=A;S;unknown&origin=K", kHtml + "Alpha;x;y;", 0},
      {"/getText?textCode=A&origin=Q", kHtml + "Qualit\xC3\xA9", 0},
      {"/getText?textCode=A&origin=k", k404, 1},
      {"/fileExists?name=a.txt", kPlain + "1", 0},
      {"/readFile?name=a.txt", kPlain + "caf\xC3\xA9", 0},
      {"/readFile?name=doc.xml", kPlain + kDomText, 0},
      {"/readXMLFile?name=ext.xml&type=MWExt", kXml + kDomText, 0},
      {"/readXMLFile?name=top.xml&type=other", kXml + kDomText, 0},
      {"/readXMLFile?name=broken.xml&type=MWExt", kXml, 0},
      {"/readXMLFile?name=ext.xml", k404, 1},
      {"/readFile?name=", k404, 1},
      {"/copyFile?name=a.txt", k404, 0},  // not a command: a GUI file that is not there
      // The ATWS folder is /atws/, one step below the root: three steps leave it.
      {"/fileExists?name=../../secret.txt", kPlain + "0", 0},
      {"/writeFile?name=../../planted.txt&content=owned", kPlain, 0},
      // Inside as written, outside once the kernel follows the links.
      {"/deleteFile?name=shortcut/../../secret.txt", kPlain + "0", 0},
      {"/fileExists?name=shortcut/gui/main.html", kPlain + "1", 0},
      // One step up from the ATWS folder is still inside.
      {"/readFile?name=../top.xml", kPlain + kDomText, 0},
  };
  // Stop events are queued before the reply leaves and delivered in order;
  // stopping ft-host delivers what is still queued, so a surplus one shows then.
  size_t events = countLogLines(host->log(), "event 669");
  for (const auto& row : rows) {
    EXPECT_EQ(httpGet(host->port(), row.target), row.reply) << row.target;
    const size_t seen = waitForLogLines(*host, "event 669", events + row.events);
    EXPECT_EQ(seen, events + row.events) << row.target;
    events = seen;  // a wrong row leaves the next ones right
  }
  EXPECT_EQ(host->stop(), 0);
  EXPECT_EQ(countLogLines(host->log(), "event 669"), events);
  EXPECT_EQ(detail::readFile(dir + "/secret.txt"), "secret");
  EXPECT_FALSE(std::filesystem::exists(dir + "/planted.txt"));
  ASSERT_TRUE(host->start(hostData(true))) << host->output();
}

TEST_F(Handlers, WriteReadDelete) {
  EXPECT_EQ(httpGet(host->port(), "/writeFile?name=w.txt&content=x%3Cy%3E+z%26%C3%A9"), kPlain);
  EXPECT_EQ(detail::readFile(root + "/atws/w.txt"), "x<y>+z&\xC3\xA9");
  // A missing folder is not created; the answer does not tell.
  EXPECT_EQ(httpGet(host->port(), "/writeFile?name=new/w.txt&content=x"), kPlain);
  EXPECT_FALSE(std::filesystem::exists(root + "/atws/new"));
  EXPECT_EQ(httpGet(host->port(), "/deleteFile?name=gone.txt"), kPlain + "1");
  EXPECT_FALSE(std::filesystem::exists(root + "/atws/gone.txt"));
  EXPECT_EQ(httpGet(host->port(), "/deleteFile?name=gone.txt"), kPlain + "0");
}

// A foreign page gets a refused command's answer, changes nothing and ends
// no scenario, however its head is cut; the same request without browser
// headers works. How each header is judged is CrossSiteGuard's table. Each
// row's head goes in two pieces, the second after a pause, as a long request
// line leaves the headers to a later receive.
TEST_F(Handlers, ForeignSitesChangeNothing) {
  const std::string write = "GET /writeFile?name=x.txt&content=new HTTP/1.1\r\n";
  // The request line alone fills the first receive.
  const std::string longWrite =
      "GET /writeFile?name=x.txt&content=new&pad=" + std::string(70000, 'a') + " HTTP/1.1\r\n";
  // ... or ends exactly where the first receive's buffer does.
  const std::string fullWrite =
      "GET /writeFile?name=x.txt&content=new&pad=" + std::string(65483, 'a') + " HTTP/1.1\r\n";
  const struct {
    std::string line;
    const char* headers;
    std::string reply;
    size_t events;
  } rows[] = {
      {longWrite, "Host: 127.0.0.1\r\nSec-Fetch-Site: cross-site\r\n\r\n", k404, 0},
      // Ending the scenario or failing a command ends nothing for a foreign page.
      {"GET /ENDFT HTTP/1.1\r\n", "Sec-Fetch-Site: cross-site\r\n\r\n", k404, 0},
      {"GET /readFile?name= HTTP/1.1\r\n", "Sec-Fetch-Site: same-origin\r\n\r\n", k404, 1},
      {"GET /ENDFT HTTP/1.1\r\n", "Host: 127.0.0.1\r\n\r\n", kHtml + "end\r\n", 1},
      // A body after the blank line is not a header.
      {"POST /writeFile?name=x.txt&content=new HTTP/1.1\r\n",
       "Host: 127.0.0.1\r\nContent-Length: 26\r\n\r\nOrigin: http://evil.example", kPlain, 0},
      {fullWrite, "Host: 127.0.0.1\r\n\r\n", kPlain, 0},
      {fullWrite, "Sec-Fetch-Site: cross-site\r\n\r\n", k404, 0},
      {write, "Host: 127.0.0.1\r\n\r\n", kPlain, 0},
  };
  size_t events = countLogLines(host->log(), "event 669");
  for (const auto& row : rows) {
    put(root + "/atws/x.txt", "old");
    const bool written = row.reply == kPlain;
    const int fd = detail::connectTo(host->port());
    ASSERT_GE(fd, 0);
    ::send(fd, row.line.data(), row.line.size(), MSG_NOSIGNAL);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(httpExchangeOn(fd, row.headers), row.reply) << row.line.substr(0, 40) << row.headers;
    EXPECT_EQ(detail::readFile(root + "/atws/x.txt"), written ? "new" : "old") << row.headers;
    const size_t seen = waitForLogLines(*host, "event 669", events + row.events);
    EXPECT_EQ(seen, events + row.events) << row.line.substr(0, 40) << row.headers;
    events = seen;
  }
}

// A command that changes something is refused when its head does not end
// within the receive time-out: its last headers could have been foreign.
TEST(HandlersTimeout, ACommandWhoseHeadNeverEndsIsRefused) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(hostData(true, setting("ReceiveTimeout", 300)))) << host.output();
  put(host.dir() + "/files/atws/x.txt", "old");
  EXPECT_EQ(httpExchange(host.port(), "GET /deleteFile?name=x.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n"),
            k404);
  EXPECT_EQ(detail::readFile(host.dir() + "/files/atws/x.txt"), "old");
  // A read needs no guard: it is answered with what arrived.
  EXPECT_EQ(httpExchange(host.port(), "GET /fileExists?name=x.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n"),
            kPlain + "1");
  EXPECT_EQ(host.stop(), 0);
  EXPECT_EQ(countLogLines(host.log(), "did not end in time"), 1u);
}

}  // namespace
