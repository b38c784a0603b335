#pragma once

#include <memory>
#include <string>

#include "platform/linux/provider/machine/live_facts.h"
#include "platform/linux/provider/machine/source_reader.h"
#include "platform/linux/provider/service/printed_properties.h"
#include "platform/management_service.h"

namespace hwident {

// The object system of the native Linux build. There is no apartment and no
// process security to set up; the locator connects to a provider that reads
// the machine's identity from sysfs, procfs and /etc below root.
class NativeObjectSystem final : public ObjectSystem {
 public:
  // root is the filesystem root every path is read below ("/" for the
  // running machine, a fixture tree in tests).
  explicit NativeObjectSystem(std::string root);
  // For tests: a given reader and given live facts.
  NativeObjectSystem(std::shared_ptr<SourceReader> reader, std::shared_ptr<const LiveFacts> live);

  ResultCode InitializeApartment() override { return kOk; }
  ResultCode InitializeSecurity() override { return kOk; }
  ResultCode CreateLocator(Locator** locator) override;

  CountedString AllocString(const WideChar* text) override;
  CountedString AllocStringLen(const WideChar* text, std::uint32_t length) override;
  void FreeString(CountedString text) override;
  void ClearValue(Variant* value) override;
  void ExpectProperties(const std::vector<WideText>& names) override;

 private:
  std::shared_ptr<SourceReader> reader_;
  std::shared_ptr<const LiveFacts> live_;
  std::shared_ptr<PropertyAnnouncements> announcements_ = std::make_shared<PropertyAnnouncements>();
};

}  // namespace hwident
