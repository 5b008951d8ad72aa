#pragma once

#include "dispatch/CommandHandlerBase.h"
#include "handlers/XmlReadBudget.h"

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
  // An XML reply's share of the read budget, held while the handler lives:
  // until its reply has been sent.
  XmlReadBudget::Lease xmlLease_;
};
