#pragma once

#include <nlohmann/json.hpp>
#include <string>

// A recording of the control panel written as a check of the `ft` fixture: the page opened as
// it was, the page's actions and the panel's changes each after as many requests of the same
// command as they came after, then the page's final texts and the answers the recording saw.
class RecordedCheck {
 public:
  // Its implicit members can throw only when memory runs out.
  struct Source {              // NOLINT(bugprone-exception-escape)
    nlohmann::json steps;      // PanelRecords::recording()'s, in the order they came
    std::string dataFile;      // the data file's name, beside the check
    std::string fixture;       // the import path of the fixture, from the check's folder
    std::string panelAddress;  // an answer naming it differs in every run
    nlohmann::json texts;      // [{"selector": S, "texts": [...]}], the page's at the end
    std::string title;
  };

  // The check's text, or empty with the reason when the recording cannot be replayed.
  static std::string text(const Source& source, std::string& error);

  // Writes folder/NAME.check.mjs whole or not at all, over an existing one only when asked.
  // 200, or the HTTP status of the reason in error; path is the file's.
  static int save(const std::string& folder, const std::string& name, const std::string& text,
                  bool overwrite, std::string& path, std::string& error);

  // How a check in folder imports the fixture found above the executable: relative inside
  // the project, absolute outside it. Empty with the reason when there is none.
  static std::string fixtureImport(const std::string& folder, std::string& error);
};
