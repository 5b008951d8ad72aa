#pragma once

#include "dispatch/CommandHandlerBase.h"

// "fileExists", "readFile", "readXMLFile", "writeFile", "deleteFile".
class UtilitiesHandler : public CommandHandlerBase {
 public:
  bool processRequest(QByteArray& reply) override;
  bool checkParameters() override;
};
