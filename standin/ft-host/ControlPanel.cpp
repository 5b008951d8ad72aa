#include "ControlPanel.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "ControlPanelPage.h"
#include "PanelServer.h"
#include "RecordedCheck.h"
#include "StandinLimits.h"

namespace {

using nlohmann::json;

std::uint64_t numberParam(const httplib::Request& request, const char* name) {
  return request.has_param(name) ? std::strtoull(request.get_param_value(name).c_str(), nullptr, 10)
                                 : 0;
}

void skipBody(const httplib::Request& request, const httplib::ContentReader& body) {
  if (request.has_header("Content-Length") || request.has_header("Transfer-Encoding"))
    body([](const char*, size_t) { return true; });
}

void sendJson(httplib::Response& response, int status, const std::string& body) {
  response.status = status;
  response.set_content(body, "application/json");
}

bool hasString(const json& object, const char* key, bool nonEmpty = false) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() &&
         !(nonEmpty && it->get_ref<const std::string&>().empty());
}

}  // namespace

ControlPanel::ControlPanel(StandinHost& host, const std::string& ecu, const std::string& dataFile,
                           PanelRecords& records, Hooks hooks)
    : model_(host, ecu),
      records_(records),
      dataFile_(dataFile),
      hooks_(std::move(hooks)),
      server_(std::make_unique<PanelServer>()) {
  // The library's default also shares the port with any later listener: a
  // second ft-host would then answer half of this one's requests.
  server_->set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  route();
}

ControlPanel::~ControlPanel() {
  stop();
}

int ControlPanel::start(int port, std::string& error) {
  const int bound = port == 0 ? server_->bind_to_any_port("127.0.0.1")
                              : (server_->bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound < 0) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(port);
    return -1;
  }
  server_->setPort(bound);
  port_ = bound;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // A stop before the loop runs would be lost.
  for (int i = 0; i < 5000 && !server_->is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return bound;
}

void ControlPanel::stop() {
  if (!thread_.joinable()) return;
  server_->closeConnections();
  server_->stop();
  thread_.join();
}

void ControlPanel::noteChange() {
  std::lock_guard<std::mutex> lock(stateGuard_);
  ++changes_;
}

void ControlPanel::noteReload(const std::string& error, std::uint64_t loadStart) {
  const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
  std::lock_guard<std::mutex> lock(stateGuard_);
  ++reloads_;
  reloadAt_ = now;
  reloadError_ = error;
  if (!error.empty()) return;
  ++changes_;
  loadStart_ = loadStart;
}

void ControlPanel::route() {
  server_->Get("/", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(kControlPanelPage, "text/html; charset=utf-8");
  });
  routeChanges();
  routeFeeds();
  routeRecording();
}

json ControlPanel::view() {
  json out = model_.view();
  out["file"] = dataFile_;
  std::lock_guard<std::mutex> lock(stateGuard_);
  out["reloads"] = reloads_;
  out["reloadAt"] = reloadAt_ == 0 ? json(nullptr) : json(reloadAt_);
  out["reloadError"] = reloadError_.empty() ? json(nullptr) : json(reloadError_);
  out["page"] = hooks_.page ? hooks_.page() : "";
  return out;
}

// The view, and what changes it: the simulation, a reset, a reload.
void ControlPanel::routeChanges() {
  httplib::Server& server = *server_;
  server.Get("/api/ecu", [this](const httplib::Request&, httplib::Response& response) {
    sendJson(response, 200, view().dump());
  });

  const auto change = [this](const std::string& target, const std::string& name,
                             const httplib::Request& request, httplib::Response& response) {
    const PanelModel::Reply reply = model_.change(target, name, request.body);
    if (reply.status == 200)
      records_.addChange(name.empty() ? "/api/" + target : "/api/" + target + "/" + name,
                         request.body);
    if (reply.masksChanged && hooks_.masksChanged) hooks_.masksChanged();
    sendJson(response, reply.status, reply.body);
  };
  server.Post("/api/ecu", [change](const httplib::Request& request, httplib::Response& response) {
    change("ecu", "", request, response);
  });
  server.Post(R"(/api/(state|parameter|identification|command|rawframe|mask)/(.+))",
              [change](const httplib::Request& request, httplib::Response& response) {
                change(request.matches[1], request.matches[2], request, response);
              });

  // These two need no body: one without a length is not waited for (the library would read
  // to the end of the connection), one with a length is read and dropped.
  server.Post("/api/reset", [this](const httplib::Request& request, httplib::Response& response,
                                   const httplib::ContentReader& body) {
    skipBody(request, body);
    model_.reset();
    records_.addChange("/api/reset", "");
    sendJson(response, 200, view().dump());
  });
  server.Post("/api/reload", [this](const httplib::Request& request, httplib::Response& response,
                                    const httplib::ContentReader& body) {
    skipBody(request, body);
    const std::string error = hooks_.reload ? hooks_.reload() : "reload is not available";
    if (!error.empty()) {
      sendJson(response, 422, json{{"error", error}}.dump());
      return;
    }
    records_.addChange("/api/reload", "");
    sendJson(response, 200, view().dump());
  });
}

// What happened: the requests, the problems, and the version the GUI page polls.
void ControlPanel::routeFeeds() {
  httplib::Server& server = *server_;
  // Entries after the number `after`; a page that fell behind gets what is kept.
  server.Get("/api/log", [this](const httplib::Request& request, httplib::Response& response) {
    sendJson(response, 200, records_.requestsAfter(numberParam(request, "after")).dump());
  });
  server.Get("/api/warnings", [this](const httplib::Request& request, httplib::Response& response) {
    sendJson(response, 200, records_.problemsAfter(numberParam(request, "after")).dump());
  });

  // Read by the GUI page of another origin for its live reload and, with `warnings`, for the
  // problems since the file in force was loaded.
  server.Get("/api/changes", [this](const httplib::Request& request, httplib::Response& response) {
    json out;
    std::uint64_t loadStart = 0;
    {
      std::lock_guard<std::mutex> lock(stateGuard_);
      out["version"] = changes_;
      loadStart = loadStart_;
    }
    if (request.has_param("warnings"))
      out["warnings"] = records_.problemsAfter(
          std::max(numberParam(request, "warnings"), loadStart > 0 ? loadStart - 1 : 0));
    response.set_header("Access-Control-Allow-Origin", "*");
    sendJson(response, 200, out.dump());
  });
}

std::string ControlPanel::address() const {
  return "http://127.0.0.1:" + std::to_string(port_.load()) + "/";
}

void ControlPanel::routeRecording() {
  httplib::Server& server = *server_;
  const auto summary = [this] { return records_.recording(false); };
  server.Get("/api/record", [summary](const httplib::Request&, httplib::Response& response) {
    sendJson(response, 200, summary().dump());
  });
  server.Get("/api/record/steps", [this](const httplib::Request&, httplib::Response& response) {
    sendJson(response, 200, records_.recording().dump());
  });
  server.Post("/api/record", [this, summary](const httplib::Request& request,
                                             httplib::Response& response) {
    const json body = json::parse(request.body, nullptr, false);
    if (!body.is_object() || !body.contains("record") || !body["record"].is_boolean())
      return sendJson(response, 400, json{{"error", "give {\"record\": true} or false"}}.dump());
    records_.record(body["record"].get<bool>());
    sendJson(response, 200, summary().dump());
  });

  server.Post("/api/record/page",
              [this](const httplib::Request& request, httplib::Response& response) {
                recordPageAction(request, response);
              });
  server.Post("/api/record/save",
              [this](const httplib::Request& request, httplib::Response& response) {
                saveRecording(request, response);
              });
}

// What the page did, as the panel's page hears it from the page it opened.
void ControlPanel::recordPageAction(const httplib::Request& request, httplib::Response& response) {
  const json body = json::parse(request.body, nullptr, false);
  const std::string kind =
      body.is_object() && hasString(body, "kind") ? body["kind"].get<std::string>() : "";
  const bool valued = kind == "fill" || kind == "select";
  if ((kind != "click" && !valued) || !hasString(body, "selector", true) ||
      (valued && !hasString(body, "value")) ||
      (body.contains("at") && !body["at"].is_number_integer()))
    return sendJson(response, 400,
                    json{{"error",
                          "give {\"kind\": \"click\", \"fill\" or \"select\", "
                          "\"selector\": \"...\"}, with \"value\" for the last two"}}
                        .dump());
  json action{{"kind", kind}, {"selector", body["selector"]}};
  if (valued) action["value"] = body["value"];
  if (body.contains("at")) action["at"] = body["at"];
  if (!records_.addPageAction(std::move(action)))
    return sendJson(response, 409, json{{"error", "not recording"}}.dump());
  sendJson(response, 200, json{{"recorded", true}}.dump());
}

void ControlPanel::saveRecording(const httplib::Request& request, httplib::Response& response) {
  const json body = json::parse(request.body, nullptr, false);
  const auto refuse = [&response](int status, const std::string& error) {
    sendJson(response, status, json{{"error", error}}.dump());
  };
  if (!body.is_object() || !hasString(body, "name") ||
      (body.contains("overwrite") && !body["overwrite"].is_boolean()))
    return refuse(400, "give {\"name\": \"...\"}, and \"texts\" and \"overwrite\" if needed");
  json texts = body.contains("texts") ? body["texts"] : json::array();
  const bool textsWellFormed =
      texts.is_array() && std::all_of(texts.begin(), texts.end(), [](const json& t) {
        return t.is_object() && hasString(t, "selector", true) && t.contains("texts") &&
               t["texts"].is_array() &&
               std::all_of(t["texts"].begin(), t["texts"].end(),
                           [](const json& s) { return s.is_string(); });
      });
  if (!textsWellFormed)
    return refuse(400, "\"texts\" is a list of {\"selector\": \"...\", \"texts\": [\"...\"]}");
  const std::filesystem::path data(dataFile_);
  std::string error;
  RecordedCheck::Source source;
  source.fixture = RecordedCheck::fixtureImport(data.parent_path().string(), error);
  if (source.fixture.empty()) return refuse(500, error);
  source.steps = records_.recording()["steps"];
  source.dataFile = data.filename().string();
  source.panelAddress = address();
  source.texts = std::move(texts);
  source.title = body["name"].get<std::string>();
  const std::string text = RecordedCheck::text(source, error);
  if (text.empty()) return refuse(422, error);
  std::string path;
  const int status =
      RecordedCheck::save(data.parent_path().string(), source.title, text,
                          body.contains("overwrite") && body["overwrite"].get<bool>(), path, error);
  if (status != 200) return refuse(status, error);
  sendJson(response, 200, json{{"file", path}}.dump());
}
