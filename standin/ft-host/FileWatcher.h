#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Notices changes to files and folders (recursively) by looking at their
// sizes and times. A change counts once it has stayed still for one look, so
// a file an editor writes in steps is taken when it is whole.
class FileWatcher {
 public:
  // Starts over with these paths; what they hold now is the starting point.
  void watch(const std::vector<std::string>& paths);
  // Takes a look: true once per change that has settled.
  bool poll();

 private:
  struct Stamp {
    std::filesystem::file_time_type time;
    std::uintmax_t size = 0;
    bool operator==(const Stamp&) const = default;
  };
  using Signature = std::map<std::string, Stamp>;

  Signature scan() const;

  std::vector<std::string> paths_;
  Signature settled_;
  std::optional<Signature> pending_;
};
