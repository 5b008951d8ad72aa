#include "FileWatcher.h"

#include "StandinLimits.h"

namespace fs = std::filesystem;

void FileWatcher::watch(const std::vector<std::string>& paths) {
  paths_ = paths;
  settled_ = scan();
  pending_.reset();
}

bool FileWatcher::poll() {
  Signature now = scan();
  if (now == settled_) {
    pending_.reset();
    return false;
  }
  if (pending_ && *pending_ == now) {
    settled_ = std::move(now);
    pending_.reset();
    return true;
  }
  pending_ = std::move(now);
  return false;
}

// A missing path is a state too: its appearance is a change.
FileWatcher::Signature FileWatcher::scan() const {
  Signature signature;
  auto add = [&](const fs::path& path) {
    std::error_code ec;
    Stamp stamp;
    stamp.time = fs::last_write_time(path, ec);
    if (ec) return;
    if (fs::is_regular_file(path, ec)) stamp.size = fs::file_size(path, ec);
    signature[path.string()] = stamp;
  };
  for (const std::string& path : paths_) {
    std::error_code ec;
    add(path);
    if (!fs::is_directory(path, ec)) continue;
    for (auto it = fs::recursive_directory_iterator(
             path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (signature.size() >= standin_limits::kMaxWatchedFiles) break;
      add(it->path());
    }
  }
  return signature;
}
