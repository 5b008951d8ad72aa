#include "RecordedCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Waits get at least this, and twice the recording's length.
constexpr long long kMinWaitMs = 10000;
// Folders above the executable searched for the project (build/bin/ft-host is two below it).
constexpr int kProjectDepth = 4;

// A JavaScript literal: JSON is a subset of it.
std::string js(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// A command asked by the page, as opposed to the page itself and its files.
bool isCommand(const std::string& target) {
  const std::string path = target.substr(0, target.find('?'));
  return path.size() > 1 && path.front() == '/' && path.find('.') == std::string::npos &&
         path != "/FT";
}

std::string textOf(const json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : "";
}

bool isPageLoad(const std::string& target) {
  return target.rfind("/FT?", 0) == 0;
}

// A regular expression literal matching text as it is.
std::string literalPattern(const std::string& text) {
  std::string out = "/";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (std::strchr("\\^$.|?*+()[]{}/", c) != nullptr && c != '\0')
      out += std::string("\\") + c;
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (text.compare(i, 3, "\xE2\x80\xA8") == 0 || text.compare(i, 3, "\xE2\x80\xA9") == 0) {
      out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";  // line ends inside a literal
      i += 2;
    } else
      out += c;
  }
  return out + "/";
}

std::string withThousands(long long n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, "_");
  return digits;
}

// "/api/KIND" or "/api/KIND/TARGET" for the kinds of target the panel changes.
bool splitChangeRoute(const std::string& route, std::string& kind, std::string& target) {
  static const std::string prefix = "/api/";
  if (route.compare(0, prefix.size(), prefix) != 0) return false;
  const size_t slash = route.find('/', prefix.size());
  kind = route.substr(prefix.size(), slash == std::string::npos ? slash : slash - prefix.size());
  target = slash == std::string::npos ? "" : route.substr(slash + 1);
  static const char* const kinds[] = {"ecu",     "state",    "parameter", "identification",
                                      "command", "rawframe", "mask"};
  const bool known = std::any_of(std::begin(kinds), std::end(kinds),
                                 [&](const char* each) { return kind == each; });
  return known && (slash == std::string::npos || !target.empty());
}

// A letter or digit, then letters, digits, _ and -, 64 in all at most.
bool isCheckName(const std::string& name) {
  const auto plain = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  return !name.empty() && name.size() <= 64 && plain(name[0]) &&
         std::all_of(name.begin(), name.end(),
                     [&](char c) { return plain(c) || c == '_' || c == '-'; });
}

// The fixture calls of a change made through the panel: the named ones where the body is one
// the fixture has names for (an answer's mode and its delay each), ft.ecu.change with the body
// as sent otherwise.
std::vector<std::string> changeCalls(const std::string& route, const json& body) {
  if (route == "/api/reset") return {"ft.ecu.reset()"};
  if (route == "/api/reload") return {"ft.ecu.reload()"};
  std::string kind, target;
  if (!splitChangeRoute(route, kind, target)) return {};
  const std::string name = kind == "ecu" ? "" : js(target);
  const auto args = [&](const std::string& value) {
    return name.empty() ? value : value.empty() ? name : name + ", " + value;
  };
  const bool one = body.is_object() && body.size() == 1;
  if (kind == "mask" && one && body.contains("value"))
    return {"ft.ecu.mask(" + args(js(body["value"])) + ")"};
  if (kind != "ecu" && kind != "rawframe" && one && body.contains("value"))
    return {"ft.ecu.set(" + args(js(body["value"])) + ")"};
  if (kind != "ecu" && one && body.contains("behaviour"))
    return {"ft.ecu.behaviour(" + args(js(body["behaviour"])) + ")"};

  // The panel's answer controls send the mode, its status and the delay together.
  std::vector<std::string> calls;
  const std::string mode = body.is_object() ? textOf(body, "mode") : "";
  size_t known = 0;
  if (mode == "refuse" && body.contains("status")) {
    calls.push_back("ft.ecu.refuse(" + args(js(body["status"])) + ")");
    known += 2;
  } else if ((mode == "none" || mode == "normal") && !body.contains("status")) {
    calls.push_back(std::string(mode == "none" ? "ft.ecu.noAnswer(" : "ft.ecu.answer(") + name +
                    ")");
    ++known;
  }
  if (body.is_object() && body.contains("delay")) {
    calls.push_back("ft.ecu.delay(" + args(js(body["delay"])) + ")");
    ++known;
  }
  if (!calls.empty() && known == body.size()) return calls;
  return {"ft.ecu.change(" + (name.empty() ? std::string("null") : name) + ", " + js(body) + ")"};
}

std::string pageCall(const json& step) {
  const std::string kind = step.value("kind", "");
  const std::string selector = js(step.value("selector", ""));
  if (kind == "click") return "page.click(" + selector + ")";
  if (kind == "fill") return "page.fill(" + selector + ", " + js(step.value("value", "")) + ")";
  if (kind == "select")
    return "page.selectOption(" + selector + ", " + js(step.value("value", "")) + ")";
  return "";
}

using Steps = std::vector<json>;
using Line = std::function<void(const std::string&)>;

// What the session had allowed and changed before the page loaded, then the load itself.
void writeSetUp(const Line& line, const Steps& steps, Steps::const_iterator load) {
  // What the host warned about while recording is what the session was.
  std::set<std::string> problems;
  for (const json& step : steps)
    if (step.value("kind", "") == "problem" && problems.insert(textOf(step, "text")).second)
      line("ft.allow(" + literalPattern(textOf(step, "text")) + ");");
  for (auto it = steps.begin(); it != load; ++it)
    if (it->value("kind", "") == "change")
      for (const std::string& call : changeCalls(it->value("route", ""), (*it)["body"]))
        line("await " + call + ";");
  line("await ft.open(page, " + js(load->value("target", "")) + ");");
}

// The commands the page asked after its load, and what each was answered.
struct Asked {
  std::map<std::string, std::set<std::string>> answers;
  std::vector<std::string> order;  // the commands in the order first asked
};

// The page's actions and the panel's changes, each after as many requests as it came after.
Asked writeReplay(const Line& line, Steps::const_iterator load, Steps::const_iterator end) {
  Asked asked;
  std::map<std::string, int> counts;  // requests of each command so far
  std::optional<std::pair<std::string, int>> last, waited;
  for (auto it = std::next(load); it != end; ++it) {
    const std::string kind = it->value("kind", "");
    if (kind == "request") {
      const std::string target = it->value("target", "");
      if (!isCommand(target)) continue;
      if (counts[target]++ == 0) asked.order.push_back(target);
      asked.answers[target].insert(it->value("body", ""));
      last = {target, counts[target]};
      continue;
    }
    const std::vector<std::string> calls = kind == "change"
                                               ? changeCalls(it->value("route", ""), (*it)["body"])
                                               : std::vector<std::string>{pageCall(*it)};
    if (calls.empty() || calls.front().empty()) continue;
    if (last && last != waited) {
      line("await ft.waitForRequests(" + js(last->first) + ", " + std::to_string(last->second) +
           ", { timeout: WAIT_MS });");
      waited = last;
    }
    for (const std::string& call : calls) line("await " + call + ";");
  }
  return asked;
}

void writeTextChecks(const Line& line, const json& texts) {
  for (const json& entry : texts) {
    const json expected = entry.value("texts", json::array());
    const std::string locator = "page.locator(" + js(entry.value("selector", "")) + ")";
    if (expected.empty())
      line("await expect(" + locator + ").toHaveCount(0);");
    else
      line("await expect(" + locator + ").toHaveText(" +
           js(expected.size() == 1 ? expected[0] : expected) + ", { timeout: WAIT_MS });");
  }
}

// The commands answered one way throughout, except those whose answers name the panel's
// address.
void writeAnswerChecks(std::ostringstream& body, const Asked& asked,
                       const std::string& panelAddress) {
  std::vector<std::string> compared, varied;
  for (const std::string& target : asked.order) {
    const std::set<std::string>& seen = asked.answers.at(target);
    const bool naming =
        !panelAddress.empty() && std::any_of(seen.begin(), seen.end(), [&](const auto& a) {
          return a.find(panelAddress) != std::string::npos;
        });
    if (seen.size() == 1 && !naming)
      compared.push_back("    " + js(target) + ": " + js(*seen.begin()) + ",\n");
    else if (!naming)
      varied.push_back(target);
  }
  if (!compared.empty()) {
    body << "  await ft.expectAnswers({\n";
    for (const std::string& entry : compared) body << entry;
    body << "  });\n";
  }
  if (!varied.empty()) {
    body << "  // Not compared, their answers changed while recording:\n";
    for (const std::string& target : varied) body << "  //   " << target << "\n";
  }
}

}  // namespace

std::string RecordedCheck::text(const Source& source, std::string& error) {
  Steps steps(source.steps.begin(), source.steps.end());
  // The page stamps its actions itself: a click's message may reach us after the requests it
  // caused.
  std::stable_sort(steps.begin(), steps.end(), [](const json& a, const json& b) {
    return a.value("at", 0LL) < b.value("at", 0LL);
  });
  const auto load = std::find_if(steps.cbegin(), steps.cend(), [](const json& s) {
    return s.value("kind", "") == "request" && isPageLoad(s.value("target", ""));
  });
  if (load == steps.cend()) {
    error =
        "the recording holds no load of the page: press Record (it opens the page), then "
        "run the scenario";
    return "";
  }
  const long long start = load->value("at", 0LL);
  const long long length = steps.back().value("at", 0LL) - start;
  const long long waitMs = std::max(kMinWaitMs, (2 * length + 999) / 1000 * 1000);
  const long long tenthsOfSeconds = (length + 50) / 100;

  std::ostringstream body;
  const Line line = [&body](const std::string& text) { body << "  " << text << "\n"; };
  writeSetUp(line, steps, load);
  const Asked asked = writeReplay(line, load, steps.cend());
  writeTextChecks(line, source.texts);
  writeAnswerChecks(body, asked, source.panelAddress);
  std::ostringstream out;
  out << "// " << source.title << ": recorded in ft-host's control panel. The page's actions and "
      << "the panel's\n"
      << "// changes come after as many requests of a command as they came after; then the "
      << "page's texts and\n"
      << "// the answers of the recording are expected. Edit it as any check "
      << "(docs/scenario-authors.md).\n"
      << "import { test, expect } from " << js(source.fixture) << ";\n\n"
      << "// Twice the recording's " << static_cast<double>(tenthsOfSeconds) / 10.0
      << " s, for every wait.\n"
      << "const WAIT_MS = " << withThousands(waitMs) << ";\n\n"
      << "test(" << js(source.title) << ", async ({ page, ft }) => {\n"
      << "  test.setTimeout(60_000 + 2 * WAIT_MS);\n"
      << "  await ft.host({ data: " << js(source.dataFile) << ", copy: true });\n"
      << body.str() << "});\n";
  return out.str();
}

int RecordedCheck::save(const std::string& folder, const std::string& name, const std::string& text,
                        bool overwrite, std::string& path, std::string& error) {
  if (!isCheckName(name)) {
    error =
        "a check's name starts with a letter or digit and holds only letters, digits, _ "
        "and - (at most 64)";
    return 400;
  }
  path = (fs::path(folder) / (name + ".check.mjs")).string();
  // The whole text under a name the suite does not run, then in place at once.
  std::string temporary = (fs::path(folder) / ("." + name + ".check.mjs.XXXXXX")).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    error = "cannot write in " + folder + ": " + std::strerror(errno);
    return 500;
  }
  bool written = ::fchmod(fd, 0644) == 0;
  for (size_t done = 0; written && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += static_cast<size_t>(n);
  }
  written = written && ::fsync(fd) == 0;
  const int writeErrno = errno;
  ::close(fd);
  int status = 200;
  if (!written) {
    error = "cannot write " + path + ": " + std::strerror(writeErrno);
    status = 500;
  } else if (overwrite ? ::rename(temporary.c_str(), path.c_str()) != 0
                       : ::link(temporary.c_str(), path.c_str()) != 0) {
    status = errno == EEXIST ? 409 : 500;
    error = status == 409 ? path + " exists; choose another name or allow replacing it"
                          : "cannot write " + path + ": " + std::strerror(errno);
  }
  ::unlink(temporary.c_str());
  return status;
}

std::string RecordedCheck::fixtureImport(const std::string& folder, std::string& error) {
  std::error_code ec;
  fs::path at = fs::read_symlink("/proc/self/exe", ec).parent_path();
  for (int i = 0; i < kProjectDepth && !at.empty(); ++i, at = at.parent_path()) {
    const fs::path fixture = at / "tests" / "browser" / "fixture.mjs";
    if (!fs::is_regular_file(fixture, ec)) continue;
    const fs::path root = fs::weakly_canonical(at, ec);
    const fs::path from = fs::weakly_canonical(folder, ec);
    const fs::path inside = from.lexically_relative(root);
    if (inside.empty() || *inside.begin() == "..")
      return fs::weakly_canonical(fixture, ec).string();
    std::string relative = fs::weakly_canonical(fixture, ec).lexically_relative(from).string();
    return relative.rfind("..", 0) == 0 ? relative : "./" + relative;
  }
  error =
      "no tests/browser/fixture.mjs above ft-host: a recorded check needs the project's "
      "fixture";
  return "";
}
