#include "HostControl.h"

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <pugixml.hpp>

#include "HostContent.h"
#include "ID.h"
#include "MakoraLog_Static.h"
#include "MaskCheck.h"
#include "StandinDataManager.h"
#include "StandinDiagServices.h"
#include "StandinHost.h"
#include "StandinLimits.h"
#include "StandinLog.h"
#include "StandinTextService.h"
#include "WideText.h"
#include "component/IQFTServer.h"

namespace {

namespace fs = std::filesystem;

const char kPortKey[] = "data:/Configuration/OrvaneFunctionTests/SocketPort";
const char kDevelopmentModeKey[] = "data:/Configuration/OrvaneFunctionTests/DevelopmentMode";
// The text through which the demo's JavaScript API finds the panel for its
// live reload; a host without a panel has no such text, and the page does nothing.
const wchar_t kControlTextCode[] = L"FT_HOST_CONTROL";

void logLine(MakoraLog_Static::Level level, const std::string& message) {
  if (MakoraLog_Static::isEnabled(level)) StandinLog::write(level, "ft-host", message);
}

std::string readString(StandinHost& host, const std::string& key, const std::string& fallback) {
  ACE_WString value;
  if (host.dataManager().readString(ID(key.c_str()), value) != 0) return fallback;
  return pugi::as_utf8(stdWide(value));
}

}  // namespace

HostControl::HostControl(StandinHost& host, IQFTServer& server, Settings settings,
                         PanelRecords& records)
    : host_(host),
      server_(server),
      settings_(std::move(settings)),
      records_(records),
      panel_(host, settings_.ecu, settings_.dataFile, records,
             ControlPanel::Hooks{
                 [this] { return reload(); },
                 [this] {
                   std::lock_guard<std::mutex> lock(reloadGuard_);
                   server_.configure(QString::fromStdString(settings_.ecu));
                 },
                 [this] {
                   const std::string page = scenarioPage();
                   return page.empty()
                              ? page
                              : "http://127.0.0.1:" + std::to_string(dataPort_.load()) + page;
                 }}) {}

HostControl::~HostControl() {
  stop();
}

void HostControl::applyOverrides(HostContent& content, const Settings& settings) {
  // The component keeps the flag it read before when the key is gone, while ft-host would
  // take it as off: a reload would leave the problem panel on and live reload off.
  const std::wstring developmentMode = pugi::as_wide(kDevelopmentModeKey);
  const auto flag =
      std::find_if(content.data.begin(), content.data.end(),
                   [&](const HostContent::DataItem& item) { return item.key == developmentMode; });
  if (flag == content.data.end())
    content.data.push_back({developmentMode, false});
  else if (std::get_if<bool>(&flag->value) == nullptr)
    flag->value = false;
  if (!settings.port) return;
  const std::wstring key = pugi::as_wide(kPortKey);
  for (HostContent::DataItem& item : content.data)
    if (item.key == key) {
      item.value = *settings.port;
      return;
    }
  content.data.push_back({key, *settings.port});
}

int HostControl::start(int dataPort, std::string& error) {
  dataPort_ = dataPort;
  if (settings_.controlPort) {
    controlPort_ = panel_.start(*settings_.controlPort, error);
    if (controlPort_ < 0) return -1;
  } else {
    const int preferred = dataPort + standin_limits::kControlPortOffset;
    if (dataPort > 0 && preferred <= 65535) controlPort_ = panel_.start(preferred, error);
    if (controlPort_ < 0) controlPort_ = panel_.start(0, error);
    if (controlPort_ < 0) return -1;
  }
  error.clear();
  StandinLog::setRequestListener([this](const LogRecord& record) {
    records_.addRequest(record.message, StandinDiagServices::takeOutcome());
  });
  publishControlAddress();
  // The starting point is taken before the start-up line: a change right after it counts.
  dataWatcher_.watch({settings_.dataFile});
  guiWatcher_.watch(guiFolders());
  watcher_ = std::thread([this] { watchLoop(); });
  return controlPort_;
}

void HostControl::stop() {
  stopLoads_ = true;
  {
    std::lock_guard<std::mutex> lock(stopGuard_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (watcher_.joinable()) watcher_.join();
  StandinLog::setRequestListener(nullptr);
  panel_.stop();
}

std::string HostControl::reload() {
  std::lock_guard<std::mutex> lock(reloadGuard_);
  std::string error;
  const std::uint64_t loadStart = records_.nextProblem();
  const auto adjust = [this](HostContent& content) {
    applyOverrides(content, settings_);
    addControlAddress(content);
  };
  if (!host_.loadFile(settings_.dataFile, error, adjust, &stopLoads_)) {
    if (stopLoads_) return error;
    std::fprintf(stderr, "ft-host: %s\n", StandinLog::escapeControls(error).c_str());
    logLine(MakoraLog_Static::Error, "reload refused, the previous data stays: " + error);
    panel_.noteReload(error, loadStart);
    return error;
  }
  // The component reads its settings and mask variables when it is configured.
  server_.configure(QString::fromStdString(settings_.ecu));
  ++loads_;
  // Beside the refusal a reload before may have printed: that one no longer holds.
  std::fprintf(stderr, "ft-host: reloaded %s\n",
               StandinLog::escapeControls(settings_.dataFile).c_str());
  logLine(MakoraLog_Static::Information, "reloaded " + settings_.dataFile);
  checkMasks(host_, settings_.ecu,
             [](const std::string& line) { logLine(MakoraLog_Static::Warning, line); });
  panel_.noteReload("", loadStart);
  return "";
}

// Only in development mode: a page in production never reloads itself.
void HostControl::publishControlAddress() {
  const int port = controlPort_;
  if (port <= 0 || !developmentMode()) return;
  host_.textService().setText(aceWide(kControlTextCode),
                              aceWide(L"http://127.0.0.1:" + std::to_wstring(port) + L"/"));
}

// The same, in a file's content before it takes effect: the text is never missing meanwhile.
void HostControl::addControlAddress(HostContent& content) const {
  const int port = controlPort_;
  if (port <= 0) return;
  const std::wstring key = pugi::as_wide(kDevelopmentModeKey);
  for (const HostContent::DataItem& item : content.data)
    if (item.key == key && std::get_if<bool>(&item.value) != nullptr && std::get<bool>(item.value))
      content.texts.emplace_back(kControlTextCode,
                                 L"http://127.0.0.1:" + std::to_wstring(port) + L"/");
}

bool HostControl::developmentMode() const {
  bool flag = false;
  return host_.dataManager().readFlag(ID(kDevelopmentModeKey), flag) == 0 && flag;
}

std::string HostControl::scenarioPage() const {
  const std::string name = fs::path(settings_.dataFile).stem().string();
  const fs::path folder = guiFolders().front();
  std::error_code ec;
  if (!fs::is_regular_file(folder / (name + ".html"), ec) &&
      !fs::is_regular_file(folder / (name + ".htmlc"), ec))
    return "";
  return "/FT?gui=" + name + "&mw=" + name + "&flow=" + name;
}

// The folders the page is made of, below the data root, as the component finds them.
std::vector<std::string> HostControl::guiFolders() const {
  const fs::path root = fs::path(settings_.dataFile).parent_path() /
                        readString(host_, "data:/Configuration/OrvaneData/OrvaneDataRoot",
                                   "../../Data/GenAppli/KVL/");
  static const std::pair<const char*, const char*> kFolders[] = {
      {"GUIHtmlFolder", "/Scenario/gui/"},
      {"GUIJSFolder", "/Scenario/gui/scripts/"},
      {"GUIJSAPIFolder", "/Scripts/"},
      {"StyleFolder", "/Scenario/gui/Style/"}};
  std::vector<std::string> folders;
  for (const auto& [key, fallback] : kFolders) {
    const std::string folder =
        readString(host_, std::string("data:/Configuration/OrvaneFunctionTests/") + key, fallback);
    folders.push_back(fs::path(root.string() + "/" + folder).lexically_normal().string());
  }
  return folders;
}

void HostControl::watchLoop() {
  FileWatcher& data = dataWatcher_;
  FileWatcher& gui = guiWatcher_;
  unsigned watchedLoad = loads_.load();
  std::unique_lock<std::mutex> lock(stopGuard_);
  while (!wake_.wait_for(lock, std::chrono::milliseconds(standin_limits::kWatchIntervalMs),
                         [this] { return stopping_; })) {
    lock.unlock();
    if (data.poll()) reload();
    if (loads_.load() != watchedLoad) {
      watchedLoad = loads_.load();
      gui.watch(guiFolders());
    }
    if (gui.poll() && developmentMode()) {
      logLine(MakoraLog_Static::Information, "a GUI file changed: the open page reloads");
      panel_.noteChange();
    }
    lock.lock();
  }
}
