#pragma once

#include "dispatch/CommandHandlerBase.h"
#include "handlers/XmlReadBudget.h"

// "fileExists", "readFile", "readXMLFile", "writeFile", "deleteFile".
class UtilitiesHandler : public CommandHandlerBase {
 public:
  bool processRequest(QByteArray& reply) override;
  bool checkParameters() override;

 private:
  // An XML reply's share of the read budget, held while the handler lives:
  // until its reply has been sent.
  XmlReadBudget::Lease xmlLease_;
};
