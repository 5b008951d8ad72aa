#include "PanelRequestCheck.h"

#include <algorithm>
#include <cctype>

#include "StandinLimits.h"

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const char* const kOwnNames[] = {"127.0.0.1", "localhost", "[::1]"};

}  // namespace

// A browser always names the port, but for 80.
bool PanelRequestCheck::ownHost(const std::string& host) const {
  const std::string text = lower(trimmed(host));
  for (const char* name : kOwnNames)
    if (text == std::string(name) + ":" + std::to_string(port_) || (port_ == 80 && text == name))
      return true;
  return false;
}

bool PanelRequestCheck::ownOrigin(const std::string& origin) const {
  const std::string text = lower(trimmed(origin));
  return text.rfind("http://", 0) == 0 && ownHost(text.substr(7));
}

std::optional<PanelRequestCheck::Refusal> PanelRequestCheck::refusal(const std::string& method,
                                                                     const Header& header) const {
  const std::string own = "127.0.0.1:" + std::to_string(port_);
  // Absent only from hand-made HTTP/1.0 requests, never from a browser's.
  if (const auto host = header("Host"); host && !ownHost(*host))
    return Refusal{403, "the control panel answers only requests for " + own +
                            ", localhost:" + std::to_string(port_) +
                            " or [::1]:" + std::to_string(port_) + ", not for " + *host};
  if (const auto length = header("Content-Length")) {
    const std::string digits = trimmed(*length);
    if (digits.size() > 18 || std::stoull("0" + digits) > standin_limits::kPanelBodyBytes)
      return Refusal{413, "a body may hold " + std::to_string(standin_limits::kPanelBodyBytes) +
                              " bytes at most"};
  }
  // A chunked body has no length to check before it is read whole.
  if (const auto transfer = header("Transfer-Encoding"); transfer && !trimmed(*transfer).empty())
    return Refusal{411, "a body must come with its Content-Length, not in chunks"};
  // Decompressing would let a small body take any amount of memory.
  if (const auto encoding = header("Content-Encoding"); encoding && !trimmed(*encoding).empty())
    return Refusal{415, "compressed bodies are refused (Content-Encoding: " + *encoding + ")"};

  if (method == "GET" || method == "HEAD") return std::nullopt;
  if (const auto site = header("Sec-Fetch-Site"); site && lower(trimmed(*site)) == "cross-site")
    return Refusal{403, "changes from another site's page are refused"};
  if (const auto origin = header("Origin"); origin && !ownOrigin(*origin))
    return Refusal{403, "changes from another origin (" + *origin + ") are refused"};
  const auto type = header("Content-Type");
  if (!type || lower(trimmed(type->substr(0, type->find(';')))) != "application/json")
    return Refusal{415, "a change needs Content-Type: application/json, even without a body"};
  return std::nullopt;
}
