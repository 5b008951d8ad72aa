#pragma once

#include <ace/Mutex.h>
#include <ace/SString.h>
#include <ace/Thread_Mutex.h>

#include <QMap>
#include <QString>
#include <atomic>

#include "mask/SyntaxInterpreter.h"

class CommandHandlerBase;
class RequestDesc;
class IBText;
class IDataManager;
class IDiagData;
class IDiagServices;
class IComponentManager;

using CommandCreator = CommandHandlerBase* (*)();

// Process-wide: the configuration, the host services and the table from
// command words to handlers. Written by init on the host's thread only;
// connection threads read it afterwards.
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
  // The mask's numeric value truncated toward zero; 0 on any failure.
  int evaluateMask(ACE_WString mask);

  QString getEcuName() const { return ecuName; }
  QString getDataRoot() const { return dataRoot; }
  QString getGUIHtmlFolder() const { return guiHtmlFolder; }
  QString getJSAPIFolder() const { return jsApiFolder; }
  QString getMWExternalFolder() const { return mwExternalFolder; }
  QString getMWECUSpecificFolder() const { return mwEcuSpecificFolder; }
  QString getATWSFolder() const { return atwsFolder; }
  bool isDevelopmentMode() const { return developmentMode; }

  IBText* textService = nullptr;
  IDataManager* dataManager = nullptr;
  IDiagData* diagData = nullptr;
  IDiagServices* diagServices = nullptr;
  IComponentManager* componentManager = nullptr;

 private:
  URLCommandFactory();

  QString ecuName;
  bool developmentMode = false;
  QString dataRoot;
  QString guiHtmlFolder;
  QString guiJsFolder;
  QString jsApiFolder;
  QString flowFolder;
  QString styleFolder;
  QString mwExternalFolder;
  QString mwEcuSpecificFolder;
  QString atwsFolder;
  SyntaxInterpreter maskInterpreter;
  // The interpreter and its store are single-threaded; connection threads
  // evaluate masks one at a time under this lock.
  ACE_Thread_Mutex maskMutex;

  // Read without the lock by getInstance's first test, hence atomic.
  static std::atomic<URLCommandFactory*> instance;
  // Guards the creation of the singleton.
  static ACE_Mutex instanceMutex;
  friend struct URLCommandFactoryReaper;
  static const QMap<QString, CommandCreator> commandsMap;
};
