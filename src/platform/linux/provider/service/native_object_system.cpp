#include "platform/linux/provider/service/native_object_system.h"

#include "platform/heap/heap_values.h"
#include "platform/linux/provider/service/native_services.h"
#include "platform/linux/provider/service/provider_codes.h"

namespace hwident {

// Root-only files are readable exactly when the program runs as root, so the
// reader takes the same answer the live facts give.
NativeObjectSystem::NativeObjectSystem(std::string root) {
  auto live = std::make_shared<SystemLiveFacts>(root);
  const bool asRoot = live->IsRoot();
  reader_ = std::make_shared<RootedSourceReader>(std::move(root), asRoot);
  live_ = std::move(live);
}

NativeObjectSystem::NativeObjectSystem(std::shared_ptr<SourceReader> reader,
                                       std::shared_ptr<const LiveFacts> live)
    : reader_(std::move(reader)), live_(std::move(live)) {}

ResultCode NativeObjectSystem::CreateLocator(Locator** locator) {
  if (locator == nullptr) return kInvalidParameter;
  *locator = new NativeLocator(ProviderSources{reader_, live_, announcements_});
  return kOk;
}

CountedString NativeObjectSystem::AllocString(const WideChar* text) {
  return HeapAllocString(text);
}

CountedString NativeObjectSystem::AllocStringLen(const WideChar* text, std::uint32_t length) {
  return HeapAllocStringLen(text, length);
}

void NativeObjectSystem::FreeString(CountedString text) {
  HeapFreeString(text);
}

void NativeObjectSystem::ClearValue(Variant* value) {
  HeapClearValue(value);
}

void NativeObjectSystem::ExpectProperties(const std::vector<WideText>& names) {
  announcements_->Announce(names);
}

}  // namespace hwident
