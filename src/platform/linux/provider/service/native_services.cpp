#include "platform/linux/provider/service/native_services.h"

#include "platform/heap/heap_values.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/service/provider_codes.h"
#include "platform/linux/provider/service/provider_objects.h"
#include "platform/linux/provider/service/wql_query.h"
#include "platform/linux/provider/values/firmware_text.h"

namespace hwident {
namespace {

std::string Narrow(CountedString text) {
  return AsciiFromWide(std::u16string_view(text, HeapStringLength(text)));
}

}  // namespace

ResultCode NativeServices::ExecQuery(CountedString language, CountedString query, std::int32_t,
                                     ObjectEnumerator** enumerator) {
  if (enumerator == nullptr || language == nullptr || query == nullptr) return kInvalidParameter;
  *enumerator = nullptr;
  if (!EqualsIgnoringCase(Narrow(language), "WQL")) return kInvalidQueryType;
  const std::optional<std::string> className = ParseSelectAll(Narrow(query));
  // The codes follow the service's own: bad syntax and an unknown class are
  // told apart, though the core treats every non-zero code alike.
  if (!className) return kInvalidQuery;
  const ClassSchema* schema = FindProviderClass(*className);
  if (schema == nullptr) return kInvalidClass;
  // A fresh machine view per query: its file cache lives with the query's
  // enumerator and no longer, so a later query sees current values.
  *enumerator = new ProviderEnumerator(
      *schema, std::make_unique<Machine>(*sources_.reader, *sources_.live),
      sources_.announcements ? sources_.announcements->TakeForQuery() : PrintedProperties());
  return kOk;
}

ResultCode NativeLocator::ConnectServer(CountedString ns, std::int32_t, Services** services) {
  if (services == nullptr) return kInvalidParameter;
  *services = nullptr;
  if (ns == nullptr || !IsServedNamespace(Narrow(ns))) return kInvalidNamespace;
  *services = new NativeServices(sources_);
  return kOk;
}

}  // namespace hwident
