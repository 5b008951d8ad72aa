// Lets tests put fake host services into the command factory, which
// otherwise only init fills from the component manager.
#pragma once

#include <memory>
#include <utility>

#include "dispatch/URLCommandFactory.h"

struct FactoryTestAccess {
  static URLCommandFactory& factory() { return *URLCommandFactory::getInstance(); }
  static void setTextService(IBText* service) { factory().textService_ = service; }
  static void setDataManager(IDataManager* service) { factory().dataManager_ = service; }
  static void setDiagData(IDiagData* service) { factory().diagData_ = service; }
  static void setDiagServices(IDiagServices* service) { factory().diagServices_ = service; }
  static void setEcuName(const QString& name) {
    URLCommandFactory::Settings settings = *factory().settings_;
    settings.ecuName = name;
    factory().settings_ = std::make_shared<const URLCommandFactory::Settings>(std::move(settings));
  }
  static void clearServices() {
    setTextService(nullptr);
    setDataManager(nullptr);
    setDiagData(nullptr);
    setDiagServices(nullptr);
  }
};
