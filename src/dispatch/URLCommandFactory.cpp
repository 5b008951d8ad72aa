#include "dispatch/URLCommandFactory.h"

#include <ace/Guard_T.h>

#include <QDir>
#include <QStringList>
#include <climits>
#include <cmath>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>

#include "BSet.h"
#include "ComponentManagerFactory.h"
#include "IBText.h"
#include "IComponentManager.h"
#include "ID.h"
#include "IDataManager.h"
#include "IDiagData.h"
#include "IDiagServices.h"
#include "StringSet.h"
#include "ZrkUtils.h"
#include "dispatch/CommandHandlerBase.h"
#include "dispatch/CommandTable.h"
#include "dispatch/ResponseConstants.h"
#include "http/RequestDesc.h"
#include "mask/ExpressionStore.h"
#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/WideText.h"

namespace {

// Where the command starts: after "scheme://host[:port]" and the slashes that
// follow it, or after the slashes the target starts with. The scheme runs to
// the first ':'; a host or port not followed by a slash is no prefix at all.
qsizetype commandStart(QStringView url) {
  const auto slashesFrom = [url](qsizetype at) {
    while (at < url.size() && url[at] == u'/') ++at;
    return at;
  };
  const qsizetype colon = url.indexOf(u':');
  if (colon > 0 && url.mid(colon).startsWith(u"://")) {
    const qsizetype host = colon + 3;
    qsizetype at = host;
    while (at < url.size() && url[at] != u':' && url[at] != u'/') ++at;
    bool prefix = at > host;
    if (prefix && at < url.size() && url[at] == u':') {
      const qsizetype port = ++at;
      while (at < url.size() && url[at] >= u'0' && url[at] <= u'9') ++at;
      prefix = at > port;
    }
    if (prefix && at < url.size() && url[at] == u'/') return slashesFrom(at);
  }
  return slashesFrom(0);
}

const wchar_t* const kClass = L"URLCommandFactory";

const wchar_t* const kDevelopmentModeKey =
    L"data:/Configuration/OrvaneFunctionTests/DevelopmentMode";
const wchar_t* const kMaskStatesKey = L"data:/Auto/InternalOwner/UCEs/%s/States";
constexpr wchar_t kDataRootKey[] = L"data:/Configuration/OrvaneData/OrvaneDataRoot";

// The 8-bit form the mask store is keyed by: each wide character cut to a byte.
std::unique_ptr<char[]> toAscii(const ACE_WString& text) {
  const size_t length = text.length();
  auto narrow = std::make_unique<char[]>(length + 1);
  for (size_t i = 0; i < length; ++i) narrow[i] = static_cast<char>(text[i]);
  narrow[length] = '\0';
  return narrow;
}

}  // namespace

std::atomic<URLCommandFactory*> URLCommandFactory::instance_{nullptr};
ACE_Mutex URLCommandFactory::instanceMutex_;
const QMap<QString, CommandCreator> URLCommandFactory::commandsMap_ =
    URLCommandFactory::initCommandsMap();

// The singleton goes with the module, not before: nothing else may free it.
struct URLCommandFactoryReaper {
  ~URLCommandFactoryReaper() { delete URLCommandFactory::instance_.exchange(nullptr); }
};
static URLCommandFactoryReaper reaper;

URLCommandFactory::URLCommandFactory() = default;

URLCommandFactory::~URLCommandFactory() = default;

URLCommandFactory* URLCommandFactory::getInstance() {
  URLCommandFactory* factory = instance_.load(std::memory_order_acquire);
  if (factory == nullptr) {
    ACE_Guard<ACE_Mutex> guard(instanceMutex_);
    factory = instance_.load(std::memory_order_relaxed);
    if (factory == nullptr) {
      factory = new (std::nothrow) URLCommandFactory();
      instance_.store(factory, std::memory_order_release);
    }
  }
  return factory;
}

// The command table's words and creators.
QMap<QString, CommandCreator> URLCommandFactory::initCommandsMap() {
  QMap<QString, CommandCreator> map;
  for (const Command* command = commandsBegin(); command != commandsEnd(); ++command)
    map.insert(QString::fromLatin1(command->word), command->create);
  return map;
}

// The host's services this component calls; false, logged, at the first one
// missing, the text service excepted. Under the settings guard.
bool URLCommandFactory::connectServices(const QString& ecuName) {
  componentManager_ = ComponentManagerFactory::getComponentManager();
  if (componentManager_ == nullptr) {
    FT_LOG_ERROR(kClass, L"[init]: Error loading Component Manager.");
    return false;
  }
  if (componentManager_->getComponent(ID("makora:DM?DataManager"), &dataManager_) != 0) {
    FT_LOG_ERROR(kClass, L"[init]: Error loading Data Manager.");
    return false;
  }
  if (componentManager_->getComponent(ID("diagData:DiagData"), &diagData_) != 0) {
    FT_LOG_ERROR(kClass, L"[init]: Error loading Diag Data.");
    return false;
  }
  const ACE_WString diagServicesId =
      ZrkUtils::wideSprintf(L"diagServices:DiagServices?EcuDiag#%s", FT_W(ecuName));
  if (componentManager_->getComponent(ID(diagServicesId), &diagServices_) != 0) {
    FT_LOG_ERROR(kClass, L"[init]: Error loading Diag Services.");
    return false;
  }
  if (componentManager_->getComponent(ID("makora:BText?BText"), &textService_) != 0)
    FT_LOG_ERROR(kClass, L"[init]: Error loading Btext.");

  return true;
}

// The data root, absolute and ending in '/', and the folders below it.
// Under the settings guard.
void URLCommandFactory::readFolders(Settings& settings) {
  const QString root = extractConfValue(ACE_WString(kDataRootKey, std::size(kDataRootKey) - 1),
                                        QStringLiteral("../../Data/GenAppli/KVL/"),
                                        QStringLiteral("Orvane Server Root path"));
  settings.dataRoot = QDir::cleanPath(QDir::current().absoluteFilePath(root));
  if (!settings.dataRoot.endsWith(u'/')) settings.dataRoot += u'/';

  // The folders, in the order of their settings; each is kept as read.
  struct FolderSetting {
    const wchar_t* key;
    const char* defaultValue;
    const char* label;
    QString Settings::*member;
  };
  static const FolderSetting folders[] = {
      {L"data:/Configuration/OrvaneFunctionTests/GUIHtmlFolder", "/Scenario/gui/",
       "GUI HTML folder", &Settings::guiHtmlFolder},
      {L"data:/Configuration/OrvaneFunctionTests/GUIJSFolder", "/Scenario/gui/scripts/",
       "GUI JavaScript folder", &Settings::guiJsFolder},
      {L"data:/Configuration/OrvaneFunctionTests/GUIJSAPIFolder", "/Scripts/",
       "JavaScript API folder", &Settings::jsApiFolder},
      {L"data:/Configuration/OrvaneFunctionTests/FlowFolder", "/Scenario/scf/", "Flowchart folder",
       &Settings::flowFolder},
      {L"data:/Configuration/OrvaneFunctionTests/StyleFolder", "/Scenario/gui/Style/", "CSS folder",
       &Settings::styleFolder},
      {L"data:/Configuration/OrvaneFunctionTests/MWExternalFolder", "/ExternalFiles/",
       "MW External folder", &Settings::mwExternalFolder},
      {L"data:/Configuration/OrvaneFunctionTests/MWECUSpecificFolder", "/ECUSpecific/",
       "MW ECU Specific folder", &Settings::mwEcuSpecificFolder},
      {L"data:/Configuration/OrvaneFunctionTests/ATWSFolder", "/ApplicationData/ATWS/",
       "ATWS folder", &Settings::atwsFolder},
  };
  for (const FolderSetting& folder : folders)
    settings.*folder.member = extractConfValue(ACE_WString(folder.key, std::wcslen(folder.key)),
                                               QString::fromLatin1(folder.defaultValue),
                                               QString::fromLatin1(folder.label));
}

void URLCommandFactory::init(const QString& newEcuName) {
  FT_LOG_TRACE(kClass, L"[URLCommandFactory::init()]: Method started.");
  std::unique_lock lock(settingsGuard_);
  // What is not read again keeps its value; the name is taken even when a
  // service is missing.
  Settings next = *settings_;
  next.ecuName = newEcuName;
  const bool connected = connectServices(next.ecuName);
  if (connected) {
    if (dataManager_->readFlag(ID(kDevelopmentModeKey), next.developmentMode) != 0)
      FT_LOG_TRACE(kClass, L"[init]: FT server production mode");
    readFolders(next);
  }
  settings_ = std::make_shared<const Settings>(std::move(next));
  // The mask variables are the interpreter's to guard; only this thread
  // writes what getAllMaskFromDM reads here.
  lock.unlock();
  if (!connected) return;

  if (!getAllMaskFromDM())
    FT_LOG_TRACE(kClass,
                 L"[init]: The mask cannot be read from DM or the uri does not contain them");
  FT_LOG_TRACE(kClass, L"[URLCommandFactory::init()]: Method end.");
}

QString URLCommandFactory::extractConfValue(const ACE_WString& key, const QString& defaultValue,
                                            const QString& label) {
  ACE_WString read;
  if (dataManager_ == nullptr || dataManager_->readString(ID(key), read) != 0) {
    FT_LOG_TRACE(kClass, L"[init]: Using default %s '%s'", FT_W(label), FT_W(defaultValue));
    return defaultValue;
  }
  QString value = fromWide(read);
  FT_LOG_TRACE(kClass, L"[init]: %s '%s'", FT_W(label), FT_W(value));
  return value;
}

// The command is the target without its scheme, host, port and leading slashes,
// up to the first '?' (question marks it starts with skipped).
bool URLCommandFactory::extractURLCommand(const QString url, QString& command) {
  FT_LOG_TRACE(kClass,
               L"[URLCommandFactory::extractURLCommand(const QString, QString&)]: Method started.");
  const QStringView rest = QStringView(url).mid(commandStart(url));
  qsizetype begin = 0;
  while (begin < rest.size() && rest[begin] == u'?') ++begin;
  if (begin == rest.size()) {
    command = rest.toString();  // nothing but question marks, or nothing
  } else {
    const qsizetype end = rest.indexOf(u'?', begin);
    command = rest.mid(begin, end < 0 ? rest.size() - begin : end - begin).toString();
  }
  FT_LOG_TRACE(kClass,
               L"[URLCommandFactory::extractURLCommand(const QString, QString&)]: Method end.");
  return true;
}

// The query is the text after the last '?' (the whole target without one);
// quotes are dropped, pieces split at '&', names from values at the last '='.
bool URLCommandFactory::extractURLParameters(const QString url,
                                             QMap<QString, QString>& parameters) {
  FT_LOG_TRACE(kClass,
               L"[URLCommandFactory::extractURLParameters(const QString, ACE_Vector<QString>&)]: "
               L"Method started.");
  const QStringList parts = url.split(u'?', Qt::SkipEmptyParts);
  QString query = parts.isEmpty() ? QString() : parts.last();
  query.remove(u'"');
  const QStringList pieces = query.split(u'&', Qt::SkipEmptyParts);
  for (const QString& piece : pieces) {
    const QStringList nameValue = piece.split(u'=', Qt::SkipEmptyParts);
    const QString name = nameValue.isEmpty() ? QString() : nameValue.first();
    const QString value = nameValue.size() > 1 ? nameValue.last() : QString();
    parameters.insert(name, value);
  }
  FT_LOG_TRACE(kClass,
               L"[URLCommandFactory::extractURLParameters(const QString, ACE_Vector<QString>&)]: "
               L"Method end.");
  return true;
}

CommandHandlerBase* URLCommandFactory::getCommandFromURL(const RequestDesc& desc) {
  FT_LOG_TRACE(kClass, L"[getCommandFromURL(const RequestDesc&)]: Method started.");
  const QString target = desc.getRequest();
  QString command;
  QMap<QString, QString> parameters;
  extractURLCommand(target, command);
  extractURLParameters(target, parameters);

  const CommandCreator creator = commandsMap_.value(command, guiFileCreator());
  if (creator == nullptr) {
    FT_LOG_ERROR(kClass,
                 L"[getCommandFromURL(const RequestDesc&)]: failed to find creator function for "
                 L"command type '%s'",
                 FT_W(command));
    return nullptr;
  }
  std::unique_ptr<CommandHandlerBase> handler(creator());
  if (!handler) {
    FT_LOG_ERROR(kClass,
                 L"[getCommandFromURL(const RequestDesc&)]: creator function for command type '%s' "
                 L"returned NULL",
                 FT_W(command));
    return nullptr;
  }
  handler->setParameters(parameters);
  handler->setCommand(command);
  if (!handler->checkParameters()) {
    FT_LOG_ERROR(kClass, L"[getCommandFromURL(const RequestDesc&)]: checkParameter fails.");
    return nullptr;
  }
  FT_LOG_TRACE(kClass, L"[getCommandFromURL(const RequestDesc&)]: Method end.");
  return handler.release();
}

// Every entry of the ECU's state set becomes a mask variable; one that is not
// an integer becomes 0.
bool URLCommandFactory::getAllMaskFromDM() {
  FT_LOG_TRACE(kClass, L"[URLCommandFactory::getAllMaskFromDM()]: Method started");
  BSet states(0);
  if (dataManager_ == nullptr ||
      dataManager_->readSet(ID(ZrkUtils::wideSprintf(kMaskStatesKey, FT_W(getEcuName()))),
                            states) != 0) {
    FT_LOG_TRACE(kClass, L"[URLCommandFactory::getAllMaskFromDM()]: Method end");
    return false;
  }
  const StringSet names = states.getAllKeys();
  std::vector<std::pair<std::string, long>> variables;
  for (int index = 0; index < names.length(); ++index) {
    ACE_WString name;
    names.getAt(index, name);
    long value = 0;
    if (states.getInt(name, value) != 0)
      FT_LOG_WARNING(kClass, L"[getAllMaskFromDM()]: Error getting mask: %s", name.c_str());
    variables.emplace_back(toAscii(name).get(), value);
  }
  // All at once: a mask evaluated meanwhile sees the old values or the new, never a mix.
  maskInterpreter_.getStore()->setVariables(variables, 0);
  FT_LOG_TRACE(kClass, L"[URLCommandFactory::getAllMaskFromDM()]: Method end");
  return true;
}

// The mask's value truncated toward zero; anything the interpreter cannot
// evaluate leaves the preset 0.
int URLCommandFactory::evaluateMask(ACE_WString mask, const QString& item) {
  FT_LOG_TRACE(kClass, L"[URLCommandFactory::evaluateMask()]: Method started");
  double result = 0.0;
  const std::unique_ptr<char[]> text = toAscii(mask);
  // A broken mask answers 0 like one that does not apply: say why, once.
  if (maskInterpreter_.evaluate(text.get(), result) < 0) {
    ACE_Guard<ACE_Thread_Mutex> guard(maskWarningsMutex_);
    if (maskWarnings_.size() < limits::kMaxMaskWarnings &&
        maskWarnings_.insert(std::string(text.get()) + '\n' + mask::failure()).second)
      FT_LOG_WARNING(kClass, L"[evaluateMask()]: The mask of %s cannot work: '%s': %s", FT_W(item),
                     FT_W(QString::fromLatin1(text.get())),
                     FT_W(QString::fromLatin1(mask::failure().c_str())));
  }
  FT_LOG_TRACE(kClass, L"[URLCommandFactory::evaluateMask()]: Method end");
  if (!std::isfinite(result)) return 0;
  const double truncated = std::trunc(result);
  if (truncated >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (truncated <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(truncated);
}
