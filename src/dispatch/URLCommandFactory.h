#pragma once

#include <ace/Mutex.h>
#include <ace/SString.h>
#include <ace/Thread_Mutex.h>

#include <QMap>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>

#include "dispatch/CommandTable.h"
#include "mask/SyntaxInterpreter.h"

class RequestDesc;
class IBText;
class IDataManager;
class IDiagData;
class IDiagServices;
class IComponentManager;

// Process-wide: the configuration, the host services and the table from
// command words to handlers. Written by init on the host's thread; a host may
// configure again while connection threads read, hence settingsGuard_.
class URLCommandFactory {
 public:
  static URLCommandFactory* getInstance();
  virtual ~URLCommandFactory();

  void init(const QString& ecuName);
  // A new handler with validated parameters, owned by the caller, or null.
  CommandHandlerBase* getCommandFromURL(const RequestDesc& desc);
  QString extractConfValue(const ACE_WString& key, const QString& defaultValue,
                           const QString& label);

  static bool extractURLCommand(const QString url, QString& command);
  static bool extractURLParameters(const QString url, QMap<QString, QString>& parameters);
  static QMap<QString, CommandCreator> initCommandsMap();

  bool getAllMaskFromDM();
  // The mask's numeric value truncated toward zero; 0 on any failure, which
  // is logged once per mask text and cause, naming the item.
  int evaluateMask(ACE_WString mask, const QString& item = QString());

  // What init read, fixed until the next init: a request that takes them once
  // sees one configuration throughout, whatever a reload changes meanwhile.
  struct Settings {
    QString ecuName;
    bool developmentMode = false;
    QString dataRoot;  // absolute, ending in '/'
    QString guiHtmlFolder;
    QString guiJsFolder;
    QString jsApiFolder;
    QString flowFolder;
    QString styleFolder;
    QString mwExternalFolder;
    QString mwEcuSpecificFolder;
    QString atwsFolder;
  };
  std::shared_ptr<const Settings> getSettings() const { return locked(settings_); }

  QString getEcuName() const { return getSettings()->ecuName; }
  QString getDataRoot() const { return getSettings()->dataRoot; }
  QString getGUIHtmlFolder() const { return getSettings()->guiHtmlFolder; }
  QString getJSAPIFolder() const { return getSettings()->jsApiFolder; }
  QString getMWExternalFolder() const { return getSettings()->mwExternalFolder; }
  QString getMWECUSpecificFolder() const { return getSettings()->mwEcuSpecificFolder; }
  QString getATWSFolder() const { return getSettings()->atwsFolder; }
  bool isDevelopmentMode() const { return getSettings()->developmentMode; }

  // The host services init obtained; each is null when it was not delivered.
  IBText* getTextService() const { return locked(textService_); }
  IDataManager* getDataManager() const { return locked(dataManager_); }
  IDiagData* getDiagData() const { return locked(diagData_); }
  IDiagServices* getDiagServices() const { return locked(diagServices_); }

 private:
  bool connectServices(const QString& ecuName);
  void readFolders(Settings& settings);
  URLCommandFactory();

  // Guards the host services and the settings below: init replaces them
  // while connection threads may be reading them.
  mutable std::shared_mutex settingsGuard_;
  template <typename T>
  T locked(const T& member) const {
    std::shared_lock lock(settingsGuard_);
    return member;
  }
  IComponentManager* componentManager_ = nullptr;
  IBText* textService_ = nullptr;
  IDataManager* dataManager_ = nullptr;
  IDiagData* diagData_ = nullptr;
  IDiagServices* diagServices_ = nullptr;

  // Replaced whole, never changed in place.
  std::shared_ptr<const Settings> settings_ = std::make_shared<const Settings>();
  // Connection threads evaluate masks at once, without a lock of ours.
  SyntaxInterpreter maskInterpreter_;
  // Mask texts and causes already warned about; guarded by maskWarningsMutex_.
  ACE_Thread_Mutex maskWarningsMutex_;
  std::set<std::string> maskWarnings_;

  // Read without the lock by getInstance's first test, hence atomic.
  static std::atomic<URLCommandFactory*> instance_;
  // Guards the creation of the singleton.
  static ACE_Mutex instanceMutex_;
  static const QMap<QString, CommandCreator> commandsMap_;

  friend struct URLCommandFactoryReaper;
  // Tests plug fake host services in without a component manager.
  friend struct FactoryTestAccess;
};
