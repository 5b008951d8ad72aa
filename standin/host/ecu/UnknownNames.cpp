#include "UnknownNames.h"

#include <algorithm>
#include <cctype>

#include "MakoraLog_Static.h"
#include "StandinLimits.h"
#include "StandinLog.h"

namespace {

char folded(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

// Case does not count, so that "doorstate" finds "DoorState".
std::size_t UnknownNames::distance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) &&
          folded(a[i - 2]) == folded(b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

namespace {

// "A", "A or B", "A, B or C".
std::string either(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> UnknownNames::closest(const std::string& name,
                                               const std::vector<std::string>& known) {
  // A third of the name may be wrong, and two characters of a short one.
  const std::size_t limit = std::max<std::size_t>(2, name.size() / 3);
  std::size_t best = limit;
  std::vector<std::string> found;
  for (const std::string& candidate : known) {
    // Names far longer or shorter cannot be close: skip the table.
    const std::size_t gap = candidate.size() > name.size() ? candidate.size() - name.size()
                                                           : name.size() - candidate.size();
    if (gap > best) continue;
    const std::size_t edits = distance(name, candidate);
    if (edits < best) {
      best = edits;
      found.clear();
    }
    if (edits == best && found.size() < standin_limits::kNameSuggestions)
      found.push_back(candidate);
  }
  return found;
}

std::string UnknownNames::message(const std::string& command, const std::string& ecu,
                                  const std::string& kind, const std::string& name,
                                  const std::vector<std::string>& known,
                                  const std::vector<std::string>& elsewhere) {
  std::string text = command + ": ECU " + ecu + " has no " + kind + " " + name;
  if (!elsewhere.empty()) return text + "; it has a " + either(elsewhere) + " " + name;
  const std::vector<std::string> suggestions = closest(name, known);
  if (!suggestions.empty()) return text + "; did you mean " + either(suggestions) + "?";
  return text;
}

void UnknownNames::report(const std::string& command, const std::string& ecu,
                          const std::string& kind, const std::string& name,
                          const std::vector<std::string>& known,
                          const std::vector<std::string>& elsewhere) {
  if (!MakoraLog_Static::isEnabled(MakoraLog_Static::Warning)) return;
  {
    std::lock_guard<std::mutex> lock(guard_);
    if (full_) return;
    if (warned_.size() >= standin_limits::kUnknownNamesWarned) {
      full_ = true;
      StandinLog::write(
          MakoraLog_Static::Warning, logClass_,
          "more than " + std::to_string(standin_limits::kUnknownNamesWarned) +
              " unknown names asked for: no more such warnings until the next reload");
      return;
    }
    if (!warned_.insert(command + '\n' + kind + '\n' + name).second) return;
  }
  StandinLog::write(MakoraLog_Static::Warning, logClass_,
                    message(command, ecu, kind, name, known, elsewhere));
}

void UnknownNames::clear() {
  std::lock_guard<std::mutex> lock(guard_);
  warned_.clear();
  full_ = false;
}
