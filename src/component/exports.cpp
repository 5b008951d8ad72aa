// The module's only entry points: the host creates the server and its proxy here.
#include "component/CQFTServer.h"
#include "component/PQFTServer.h"
#include "platform/Export.h"
#include "platform/WideText.h"

namespace {

// An identifier names this component when its query is empty or "OrvFTServer".
bool namesThisComponent(const ACE_WString& query) {
  return query.length() == 0 || fromWide(query) == QLatin1String("OrvFTServer");
}

}  // namespace

extern "C" FT_EXPORT IComponent* createComponent(const ID& id) {
  ACE_WString query;
  id.getFullQuery(query);
  if (!namesThisComponent(query)) return nullptr;
  return new CQFTServer(id);
}

extern "C" FT_EXPORT ProxyComponent* createProxy(const ID& id, IComponent* component) {
  ACE_WString query;
  id.getQuery(query);
  if (!namesThisComponent(query)) return nullptr;
  return new PQFTServer(component);
}
