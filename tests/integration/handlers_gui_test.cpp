// GUI files, scenario pages and display texts over HTTP, byte for byte,
// with the stop events the host receives.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/FtHost.h"

namespace {

const std::string k404 = "HTTP/1.0 404 Not Found \r\n\r\n";
const std::string kHtml =
    "HTTP/1.0 200 Ok\r\nContent-Type: text/html; charset=\"utf-8\"\r\n"
    "Access-Control-Allow-Origin: http://127.0.0.1\r\n\r\n";
const std::string kScripts =
    "\t\t<script type=\"text/javascript\" src=\"/Scripts/init.js\"></script>\r\n"
    "\t\t<script type=\"text/javascript\">\r\nwindow.onload = init;</script>\r\n\t";

std::string hostData(bool development) {
  return std::string("<host ecu=\"DEMO\"><data>") +
         "<flag key=\"data:/Configuration/OrvaneFunctionTests/DevelopmentMode\">" +
         (development ? "true" : "false") +
         "</flag>"
         "<string key=\"data:/Configuration/OrvaneData/OrvaneDataRoot\">files</string>"
         "</data><texts><text code=\"A\">Alpha</text><text code=\"C3P_A\">Qualit\xC3\xA9</text>"
         "<text code=\"S\">x;y</text></texts><ecu name=\"DEMO\"/></host>";
}

std::string scrambled(std::string bytes) {
  for (char& b : bytes) b = static_cast<char>(~static_cast<unsigned char>(b));
  return bytes;
}

void put(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Stop events are delivered in order by one host thread, after the reply may
// have left. A closing ENDFT adds one event behind those the request caused;
// once the expected number has arrived, a short settle lets a surplus one show.
size_t eventsCausedBy(FtHostProcess& host, const std::string& target, std::string& reply,
                      size_t expected) {
  const size_t before = countLogLines(host.log(), "event 669");
  reply = httpGet(host.port(), target);
  httpGet(host.port(), "/ENDFT");
  size_t after = before;
  for (int i = 0; i < 500 && after < before + expected + 1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    after = countLogLines(host.log(), "event 669");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  after = countLogLines(host.log(), "event 669");
  return after - before - 1;
}

class GuiOverHttp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host = new FtHostProcess;
    ASSERT_TRUE(host->start(hostData(true))) << host->output();
    root = host->dir() + "/files";
    put(root + "/Scripts/init.js", "function init() {}\n");
    put(root + "/Scripts/only.jsc", scrambled("var x = 1;\n"));
    put(root + "/img/b.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    put(root + "/img/c.PNG", "C");
    put(root + "/bin/blob.dat", "raw");
    put(root + "/empty.txt", "");
    put(root + "/Scenario/gui/main.html",
        "<html><head><title>t</title></head><body><div id='title' class='x'>T</div></body></html>");
    put(root + "/Scenario/gui/packed.htmlc", scrambled("<p>\xC3\xA9</p>"));
  }
  static void TearDownTestSuite() {
    delete host;
    host = nullptr;
  }
  static FtHostProcess* host;
  static std::string root;
};
FtHostProcess* GuiOverHttp::host = nullptr;
std::string GuiOverHttp::root;

TEST_F(GuiOverHttp, RepliesAndStopEvents) {
  struct Row {
    const char* target;
    std::string reply;
    size_t events;
  };
  const Row rows[] = {
      {"/Scripts/init.js",
       "HTTP/1.0 200 Ok\r\nContent-Type: text/javascript; charset=utf-8\r\n\r\nfunction init() "
       "{}\n",
       0},
      {"/Scripts/only.js?v=3",
       "HTTP/1.0 200 Ok\r\nContent-Type: text/javascript; charset=utf-8\r\n\r\nvar x = 1;\n", 0},
      {"/img/c.PNG?v=2", "HTTP/1.0 200 Ok\r\nContent-Type: image/png\r\n\r\nC", 0},
      {"/img/b.png",
       "HTTP/1.0 200 Ok\r\nContent-Type: image/png\r\n\r\n" +
           std::string("\x89PNG\r\n\x1a\n\0\0", 10),
       0},
      {"/bin/blob.dat", "HTTP/1.0 200 Ok\r\nContent-Type: application/octet-stream \r\n\r\nraw", 0},
      {"/empty.txt", k404, 0},
      {"/", k404, 0},
      {"/../host.xml", k404, 0},
      {"/Scripts/../../host.xml", k404, 0},
      {"/FT?gui=main&mw=m&flow=f",
       kHtml + "<html><head><title>t</title>" + kScripts +
           "</head><body><div id='title' onfocus='javascript:endFT();'  "
           "class='x'>T</div></body></html>",
       0},
      {"/FT?gui=packed&mw=m&flow=f", kHtml + kScripts + "<p>\xC3\xA9</p>", 0},
      {"/FT?gui=missing&mw=m&flow=f", k404, 2},
      {"/FT?gui=../../../host.xml%00&mw=m&flow=f", k404, 2},
      {"/FT?gui=main&mw=m", k404, 1},
      {"/ENDFT?any=1", kHtml + "end\r\n", 1},
      {"/getText?textCode=A;S;unknown&origin=K", kHtml + "Alpha;x;y;", 0},
      {"/getText?textCode=A&origin=Q", kHtml + "Qualit\xC3\xA9", 0},
      {"/getText?textCode=;;&origin=K", kHtml, 0},
      {"/getText?textCode=A&origin=k", k404, 1},
      {"/getText?textCode=A", k404, 1},
  };
  for (const auto& row : rows) {
    std::string reply;
    const size_t events = eventsCausedBy(*host, row.target, reply, row.events);
    EXPECT_EQ(reply, row.reply) << row.target;
    EXPECT_EQ(events, row.events) << row.target;
  }
  EXPECT_EQ(countLogLines(host->log(), "leaves the data root"), 3u);
}

TEST(GuiOverHttpProduction, TitleStaysUnchanged) {
  FtHostProcess host;
  ASSERT_TRUE(host.start(hostData(false))) << host.output();
  put(host.dir() + "/files/Scenario/gui/main.html", "<head></head><div id='title'>");
  EXPECT_EQ(httpGet(host.port(), "/FT?gui=main&mw=m&flow=f"),
            kHtml + "<head>" + kScripts + "</head><div id='title'>");
}

}  // namespace
