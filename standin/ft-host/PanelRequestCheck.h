#pragma once

#include <functional>
#include <optional>
#include <string>

// What every request to the control panel passes before any handler sees it.
// The panel listens on loopback, but a browser carries other sites' requests
// there: a page of another site may post to it (no-cors), and a rebound name
// reads it as its own origin. Reads need the panel's own Host; changes also
// need JSON, which a page of another site cannot send without our consent.
class PanelRequestCheck {
 public:
  struct Refusal {
    int status = 0;
    std::string message;
  };
  // A header's value, none when the request lacks it; names match in any case.
  using Header = std::function<std::optional<std::string>(const char* name)>;

  explicit PanelRequestCheck(int port) : port_(port) {}

  // None when the request may go on.
  std::optional<Refusal> refusal(const std::string& method, const Header& header) const;

 private:
  bool ownHost(const std::string& host) const;
  bool ownOrigin(const std::string& origin) const;

  int port_;
};
