#pragma once

#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "HostApi.h"

// Tells the author once about each name the page asked for that the ECU does
// not describe, with the closest names it does describe: a misspelt name
// otherwise only shows as "UNKNOWN" or as an item that does not apply.
class HOST_API UnknownNames {
 public:
  // The logging class the warnings go out under.
  explicit UnknownNames(std::string logClass) : logClass_(std::move(logClass)) {}

  // Writes "<command>: ECU <ecu> has no <kind> <name>; did you mean <suggestions>?" once per
  // command, kind and name until clear(); `elsewhere` names the other kinds that do have it.
  void report(const std::string& command, const std::string& ecu, const std::string& kind,
              const std::string& name, const std::vector<std::string>& known,
              const std::vector<std::string>& elsewhere = {});
  // After a reload: every name may be warned about again.
  void clear();

  // The known names closest to name by edit distance, at most a few, in the order given;
  // none when even the closest differs too much to be a typo of it.
  static std::vector<std::string> closest(const std::string& name,
                                          const std::vector<std::string>& known);
  // Edits (insert, delete, replace, swap two neighbours) from a to b; case does not count.
  static std::size_t distance(const std::string& a, const std::string& b);
  // The warning's text, without the once-only bookkeeping.
  static std::string message(const std::string& command, const std::string& ecu,
                             const std::string& kind, const std::string& name,
                             const std::vector<std::string>& known,
                             const std::vector<std::string>& elsewhere);

 private:
  const std::string logClass_;
  // guard_ guards warned_ and full_.
  std::mutex guard_;
  std::set<std::string> warned_;
  bool full_ = false;
};
