// The print-queue and share parsers on untrusted bytes, alone and through
// their classes. One byte picks the parser, the next the live facts (root
// or not); the rest is the file, or several files split at NULs in the
// order each picker names them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_machine_support.h"
#include "platform/heap/heap_values.h"
#include "platform/linux/provider/machine/machine.h"
#include "platform/linux/provider/service/class_schema.h"
#include "platform/linux/provider/sources/printing/cups_queues.h"
#include "platform/linux/provider/sources/sharing/samba_config.h"
#include "platform/linux/provider/values/cim_value.h"

namespace {

using hwident::fuzz::AddFiles;
using hwident::fuzz::PickedLiveFacts;
using hwident::fuzz::ReadEveryProperty;

void Check(bool rule) {
  if (!rule) std::abort();
}

// A queue name may become a file name: never a path or a directory.
void CheckQueueName(const std::string& name) {
  Check(!name.empty() && name != "." && name != "..");
  Check(name.find('/') == std::string::npos);
}

void PrintersConf(const std::string& text, std::uint8_t) {
  for (const hwident::CupsQueue& queue : hwident::ParsePrintersConf(text)) {
    CheckQueueName(queue.name);
    if (queue.deviceUri) {
      const std::string port = hwident::WithoutUserInfo(*queue.deviceUri);
      Check(port.size() <= queue.deviceUri->size());
      hwident::IsNetworkUri(*queue.deviceUri);
    }
  }
}

void SmallFiles(const std::string& text, std::uint8_t) {
  if (const auto nick = hwident::PpdNickName(text)) {
    Check(nick->find('"') == std::string::npos && nick->find('\n') == std::string::npos);
  }
  if (const auto name = hwident::LpoptionsDefault(text)) CheckQueueName(*name);
  const std::string port = hwident::WithoutUserInfo(text);
  Check(port.size() <= text.size());
  hwident::IsNetworkUri(text);
}

// smb.conf and two files it may include (or that include it), parsed
// alone and with the parse's bounds checked.
void SambaConfig(const std::string& text, std::uint8_t) {
  hwident::MemorySourceReader reader;
  AddFiles(reader, {"/etc/samba/smb.conf", "/etc/samba/a.conf", "/etc/samba/b.conf"}, text);
  std::size_t reads = 0;
  const auto config = hwident::ParseSambaConfig(
      "/etc/samba/smb.conf", [&](const std::string& path) -> std::optional<std::string> {
        ++reads;
        return reader.Read(path);
      });
  Check(reads <= 1 + static_cast<std::size_t>(hwident::kMaxSambaIncludes));
  if (!config) return;
  for (const hwident::SambaSection& section : config->sections) {
    Check(!section.name.empty());
    for (const auto& [key, value] : section.parameters) Check(!key.empty() && key != "include");
  }
}

// Every property of the class over a machine holding the files given.
void ReadClass(const std::string& className, const std::vector<std::string>& paths,
               std::string_view files, std::uint8_t pick) {
  hwident::MemorySourceReader reader;
  AddFiles(reader, paths, files);
  const PickedLiveFacts live(pick);
  Check(ReadEveryProperty(reader, live, className));
}

const std::vector<std::string> kCupsFiles = {"/etc/cups/printers.conf", "/etc/cups/ppd/A.ppd",
                                             "/etc/cups/ppd/B.ppd", "/etc/cups/lpoptions"};

void Printer(const std::string& text, std::uint8_t pick) {
  ReadClass("Win32_Printer", kCupsFiles, text, pick);
}

void Share(const std::string& text, std::uint8_t pick) {
  std::vector<std::string> paths = {"/etc/samba/smb.conf", "/etc/samba/a.conf"};
  paths.insert(paths.end(), kCupsFiles.begin(), kCupsFiles.end());
  ReadClass("Win32_Share", paths, text, pick);
  ReadClass("Win32_ComputerSystem", paths, text, pick);
}

// Indexed by the input's first byte; seeds depend on the order.
constexpr void (*kParsers[])(const std::string&, std::uint8_t) = {
    PrintersConf, SmallFiles, SambaConfig, Printer, Share,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  kParsers[data[0] % std::size(kParsers)](text, data[1]);
  return 0;
}
