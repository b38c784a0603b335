#pragma once

#include <memory>

#include "platform/linux/provider/machine/live_facts.h"
#include "platform/linux/provider/machine/source_reader.h"
#include "platform/linux/provider/service/printed_properties.h"
#include "platform/management_service.h"

namespace hwident {

// What every connection reads the machine through; shared so a connection
// may outlive the object system that made it.
struct ProviderSources {
  std::shared_ptr<SourceReader> reader;
  std::shared_ptr<const LiveFacts> live;
  // What the object system was told the next query's caller will print.
  std::shared_ptr<PropertyAnnouncements> announcements;
};

// A connection to root\cimv2. Answers "select * from CLASS" for the
// provider's classes, in the query language WQL.
class NativeServices final : public Services {
 public:
  explicit NativeServices(ProviderSources sources) : sources_(std::move(sources)) {}

  ResultCode ExecQuery(CountedString language, CountedString query, std::int32_t flags,
                       ObjectEnumerator** enumerator) override;
  void Release() override { delete this; }

 private:
  ~NativeServices() = default;

  ProviderSources sources_;
};

// Makes connections; reads nothing itself.
class NativeLocator final : public Locator {
 public:
  explicit NativeLocator(ProviderSources sources) : sources_(std::move(sources)) {}

  ResultCode ConnectServer(CountedString ns, std::int32_t flags, Services** services) override;
  void Release() override { delete this; }

 private:
  ~NativeLocator() = default;

  ProviderSources sources_;
};

}  // namespace hwident
