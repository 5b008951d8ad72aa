#pragma once

#include "dispatch/CommandHandlerBase.h"

// "fileExists", "readFile", "readXMLFile", "writeFile", "deleteFile".
class URLCommandFactory;

class UtilitiesHandler : public CommandHandlerBase {
 public:
  // Each command's answer: always 200, a failure shows only in the body.
  Reply answerExists();
  Reply answerRead();
  Reply answerReadXml();
  Reply answerWrite();
  Reply answerDelete();

 private:
  // The factory, or null with the error logged.
  static URLCommandFactory* factory();
  Reply read(bool xml);
};
