// ft-host's watcher: a change counts once, after it has stayed still for one look.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "FileWatcher.h"

namespace {

namespace fs = std::filesystem;

TEST(FileWatcher, ReportsEachSettledChangeOnce) {
  const fs::path dir = fs::temp_directory_path() / ("ft-watch-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "gui" / "sub");
  const auto write = [](const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  };
  write(dir / "data.xml", "<host/>");
  FileWatcher watcher;
  watcher.watch({(dir / "data.xml").string(), (dir / "gui").string(), (dir / "absent").string()});

  struct Row {
    const char* what;
    std::function<void()> change;  // before the first of two looks
    bool first, second;
  };
  const Row rows[] = {
      {"nothing", [] {}, false, false},
      {"the file", [&] { write(dir / "data.xml", "<host ecu='E'/>"); }, false, true},
      {"a file deep in a folder", [&] { write(dir / "gui" / "sub" / "a.js", "1"); }, false, true},
      {"a file removed", [&] { fs::remove(dir / "gui" / "sub" / "a.js"); }, false, true},
      {"a watched path appearing", [&] { write(dir / "absent", ""); }, false, true},
  };
  for (const Row& row : rows) {
    row.change();
    EXPECT_EQ(watcher.poll(), row.first) << row.what;
    EXPECT_EQ(watcher.poll(), row.second) << row.what;
    EXPECT_FALSE(watcher.poll()) << row.what;
  }
  // Still being written at the second look: taken at the look after it stays still.
  write(dir / "data.xml", "<host>");
  EXPECT_FALSE(watcher.poll());
  write(dir / "data.xml", "<host></host>");
  EXPECT_FALSE(watcher.poll());
  EXPECT_TRUE(watcher.poll());
  fs::remove_all(dir);
}

}  // namespace
