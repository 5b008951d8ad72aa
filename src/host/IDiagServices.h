#pragma once

#include "DRQuery.h"
#include "IComponent.h"

// "diagServices:DiagServices?EcuDiag#<ECU>": executes queries on the vehicle.
class HOST_API IDiagServices : public IComponent {
 public:
  ~IDiagServices() override;
  // 0 once the query was executed and its outcome stored in the data manager;
  // any other status means it was not sent.
  virtual int executeQuery(const DRQuery& query) = 0;
};
