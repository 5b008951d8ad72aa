// Lets tests put fake host services into the command factory, which
// otherwise only init fills from the component manager.
#pragma once

#include "dispatch/URLCommandFactory.h"

struct FactoryTestAccess {
  static URLCommandFactory& factory() { return *URLCommandFactory::getInstance(); }
  static void setTextService(IBText* service) { factory().textService_ = service; }
  static void setDataManager(IDataManager* service) { factory().dataManager_ = service; }
  static void setDiagData(IDiagData* service) { factory().diagData_ = service; }
  static void setDiagServices(IDiagServices* service) { factory().diagServices_ = service; }
  static void setEcuName(const QString& name) { factory().ecuName_ = name; }
  static void clearServices() {
    setTextService(nullptr);
    setDataManager(nullptr);
    setDiagData(nullptr);
    setDiagServices(nullptr);
  }
};
