#pragma once

#include <memory>

#include "dispatch/CommandHandlerBase.h"
#include "dispatch/URLCommandFactory.h"

// "fileExists", "readFile", "readXMLFile", "writeFile", "deleteFile".

class UtilitiesHandler : public CommandHandlerBase {
 public:
  // Each command's answer: always 200, a failure shows only in the body.
  Reply answerExists();
  Reply answerRead();
  Reply answerReadXml();
  Reply answerWrite();
  Reply answerDelete();

 private:
  // The factory's settings, or null with the error logged.
  static std::shared_ptr<const URLCommandFactory::Settings> settings();
  // The file in the ATWS folder that the request names.
  QString atwsName(const URLCommandFactory::Settings& settings) const;
  Reply read(bool xml);
};
