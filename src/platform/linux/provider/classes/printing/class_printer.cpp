// Win32_Printer: one object per CUPS queue.
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/printing/cups_queues.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

Fact Name(M& m, I key) {
  const Printer* printer = PrinterAt(m, key);
  return printer ? Fact::Text(printer->name) : Fact::Null();
}

Fact Default(M& m, I key) {
  const Printer* printer = PrinterAt(m, key);
  return printer && printer->isDefault ? Fact::Flag(*printer->isDefault) : Fact::Null();
}

Fact DriverName(M& m, I key) {
  const Printer* printer = PrinterAt(m, key);
  return printer ? FactFrom(printer->nickName) : Fact::Null();
}

// A field of the queue's configuration, which only root reads.
template <std::optional<std::string> CupsQueue::*Field>
Fact QueueText(M& m, I key) {
  const Printer* printer = PrinterAt(m, key);
  if (printer == nullptr || !printer->queue) return Fact::Null();
  return FactFrom((*printer->queue).*Field);
}

// A "Yes"/"No" field of the queue's configuration.
std::optional<bool> QueueFlag(M& m, I key, std::optional<std::string> CupsQueue::*field) {
  const Printer* printer = PrinterAt(m, key);
  if (printer == nullptr || !printer->queue) return std::nullopt;
  const std::optional<std::string>& text = (*printer->queue).*field;
  if (!text) return std::nullopt;
  if (*text == "Yes") return true;
  if (*text == "No") return false;
  return std::nullopt;
}

Fact Shared(M& m, I key) {
  const auto shared = QueueFlag(m, key, &CupsQueue::shared);
  return shared ? Fact::Flag(*shared) : Fact::Null();
}

// Shared queues are shared under their own name.
Fact ShareName(M& m, I key) {
  const auto shared = QueueFlag(m, key, &CupsQueue::shared);
  if (!shared) return Fact::Null();
  return *shared ? Name(m, key) : Fact::Null();
}

std::optional<bool> Network(M& m, I key) {
  const Printer* printer = PrinterAt(m, key);
  if (printer == nullptr || !printer->queue || !printer->queue->deviceUri) return std::nullopt;
  return IsNetworkUri(*printer->queue->deviceUri);
}

Fact PortName(M& m, I key) {
  const Printer* printer = PrinterAt(m, key);
  if (printer == nullptr || !printer->queue || !printer->queue->deviceUri) return Fact::Null();
  return Fact::Text(WithoutUserInfo(*printer->queue->deviceUri));
}

// The scheduler keeps a queue Idle, Processing (a job printing) or
// Stopped (paused by an administrator or by a failing backend).
enum class QueueState { kIdle, kProcessing, kStopped };

std::optional<QueueState> State(M& m, I key) {
  const Printer* printer = PrinterAt(m, key);
  if (printer == nullptr || !printer->queue || !printer->queue->state) return std::nullopt;
  const std::string& state = *printer->queue->state;
  if (state == "Idle") return QueueState::kIdle;
  if (state == "Processing") return QueueState::kProcessing;
  if (state == "Stopped") return QueueState::kStopped;
  return std::nullopt;
}

// PrinterStatus: 3 Idle, 4 Printing, 6 Stopped Printing.
Fact PrinterStatus(M& m, I key) {
  const auto state = State(m, key);
  if (!state) return Fact::Null();
  return Fact::Number(*state == QueueState::kIdle ? 3 : *state == QueueState::kProcessing ? 4 : 6);
}

// ExtendedPrinterStatus: 3 Idle, 4 Printing, 8 Paused.
Fact ExtendedPrinterStatus(M& m, I key) {
  const auto state = State(m, key);
  if (!state) return Fact::Null();
  return Fact::Number(*state == QueueState::kIdle ? 3 : *state == QueueState::kProcessing ? 4 : 8);
}

// PrinterState: 0 Idle, 11 Printing, 1 Paused.
Fact PrinterState(M& m, I key) {
  const auto state = State(m, key);
  if (!state) return Fact::Null();
  return Fact::Number(*state == QueueState::kIdle ? 0 : *state == QueueState::kProcessing ? 11 : 1);
}

// A stopped queue that still accepts jobs keeps them until it is started
// again, as a printer used off line does.
Fact WorkOffline(M& m, I key) {
  const auto state = State(m, key);
  const auto accepting = QueueFlag(m, key, &CupsQueue::accepting);
  if (!state || !accepting) return Fact::Null();
  return Fact::Flag(*state == QueueState::kStopped && *accepting);
}

// OK while the queue prints and takes jobs; Degraded when it is stopped or
// refuses new jobs.
Fact Status(M& m, I key) {
  const auto state = State(m, key);
  const auto accepting = QueueFlag(m, key, &CupsQueue::accepting);
  if (!state || !accepting) return Fact::Null();
  return Constant(*state != QueueState::kStopped && *accepting ? "OK" : "Degraded");
}

Fact Null(M&, I) {
  return Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    // What the queue configuration and the PPD give.
    {"Caption", CimType::kString, Name},
    {"Comment", CimType::kString, QueueText<&CupsQueue::info>},
    {"Default", CimType::kBoolean, Default},
    {"DeviceID", CimType::kString, Name},
    {"DriverName", CimType::kString, DriverName},
    {"ExtendedPrinterStatus", CimType::kUint16, ExtendedPrinterStatus},
    {"Local", CimType::kBoolean,
     [](M& m, I key) {
       const auto network = Network(m, key);
       return network ? Fact::Flag(!*network) : Fact::Null();
     }},
    {"Location", CimType::kString, QueueText<&CupsQueue::location>},
    {"Name", CimType::kString, Name},
    {"Network", CimType::kBoolean,
     [](M& m, I key) {
       const auto network = Network(m, key);
       return network ? Fact::Flag(*network) : Fact::Null();
     }},
    {"PortName", CimType::kString, PortName},
    {"PrinterState", CimType::kUint32, PrinterState},
    {"PrinterStatus", CimType::kUint16, PrinterStatus},
    {"Shared", CimType::kBoolean, Shared},
    {"ShareName", CimType::kString, ShareName},
    {"Status", CimType::kString, Status},
    {"WorkOffline", CimType::kBoolean, WorkOffline},
    // Fixed by the class or the machine.
    {"CreationClassName", CimType::kString, [](M&, I) { return Constant("Win32_Printer"); }},
    {"SystemCreationClassName", CimType::kString,
     [](M&, I) { return Constant("Win32_ComputerSystem"); }},
    {"SystemName", CimType::kString, [](M& m, I) { return FactFrom(NetBiosName(m)); }},
    // Windows spooler and driver settings and device capabilities: the
    // queue configuration holds no counterpart, or only in the PPD's own
    // terms, so they stay null rather than guessed. ServerName is null for
    // a queue of this machine on Windows too.
    {"Attributes", CimType::kUint32, Null},
    {"Availability", CimType::kUint16, Null},
    {"AvailableJobSheets", CimType::kStringArray, Null},
    {"AveragePagesPerMinute", CimType::kUint32, Null},
    {"Capabilities", CimType::kUint16Array, Null},
    {"CapabilityDescriptions", CimType::kStringArray, Null},
    {"CharSetsSupported", CimType::kStringArray, Null},
    {"ConfigManagerErrorCode", CimType::kUint32, Null},
    {"ConfigManagerUserConfig", CimType::kBoolean, Null},
    {"CurrentCapabilities", CimType::kUint16Array, Null},
    {"CurrentCharSet", CimType::kString, Null},
    {"CurrentLanguage", CimType::kUint16, Null},
    {"CurrentMimeType", CimType::kString, Null},
    {"CurrentNaturalLanguage", CimType::kString, Null},
    {"CurrentPaperType", CimType::kString, Null},
    {"DefaultCapabilities", CimType::kUint16Array, Null},
    {"DefaultCopies", CimType::kUint32, Null},
    {"DefaultLanguage", CimType::kUint16, Null},
    {"DefaultMimeType", CimType::kString, Null},
    {"DefaultNumberUp", CimType::kUint32, Null},
    {"DefaultPaperType", CimType::kString, Null},
    {"DefaultPriority", CimType::kUint32, Null},
    {"Description", CimType::kString, Null},
    {"DetectedErrorState", CimType::kUint16, Null},
    {"Direct", CimType::kBoolean, Null},
    {"DoCompleteFirst", CimType::kBoolean, Null},
    {"EnableBIDI", CimType::kBoolean, Null},
    {"EnableDevQueryPrint", CimType::kBoolean, Null},
    {"ErrorCleared", CimType::kBoolean, Null},
    {"ErrorDescription", CimType::kString, Null},
    {"ErrorInformation", CimType::kStringArray, Null},
    {"ExtendedDetectedErrorState", CimType::kUint16, Null},
    {"Hidden", CimType::kBoolean, Null},
    {"HorizontalResolution", CimType::kUint32, Null},
    {"InstallDate", CimType::kDatetime, Null},
    {"JobCountSinceLastReset", CimType::kUint32, Null},
    {"KeepPrintedJobs", CimType::kBoolean, Null},
    {"LanguagesSupported", CimType::kUint16Array, Null},
    {"LastErrorCode", CimType::kUint32, Null},
    {"MarkingTechnology", CimType::kUint16, Null},
    {"MaxCopies", CimType::kUint32, Null},
    {"MaxNumberUp", CimType::kUint32, Null},
    {"MaxSizeSupported", CimType::kUint32, Null},
    {"MimeTypesSupported", CimType::kStringArray, Null},
    {"NaturalLanguagesSupported", CimType::kStringArray, Null},
    {"PaperSizesSupported", CimType::kUint16Array, Null},
    {"PaperTypesAvailable", CimType::kStringArray, Null},
    {"Parameters", CimType::kString, Null},
    {"PNPDeviceID", CimType::kString, Null},
    {"PowerManagementCapabilities", CimType::kUint16Array, Null},
    {"PowerManagementSupported", CimType::kBoolean, Null},
    {"PrinterPaperNames", CimType::kStringArray, Null},
    {"PrintJobDataType", CimType::kString, Null},
    {"PrintProcessor", CimType::kString, Null},
    {"Priority", CimType::kUint32, Null},
    {"Published", CimType::kBoolean, Null},
    {"Queued", CimType::kBoolean, Null},
    {"RawOnly", CimType::kBoolean, Null},
    {"SeparatorFile", CimType::kString, Null},
    {"ServerName", CimType::kString, Null},
    {"SpoolEnabled", CimType::kBoolean, Null},
    {"StartTime", CimType::kDatetime, Null},
    {"StatusInfo", CimType::kUint16, Null},
    {"TimeOfLastReset", CimType::kDatetime, Null},
    {"UntilTime", CimType::kDatetime, Null},
    {"VerticalResolution", CimType::kUint32, Null},
};

}  // namespace

const ClassSchema& PrinterClass() {
  static const ClassSchema schema{"Win32_Printer", PrinterKeys, kProperties};
  return schema;
}

}  // namespace hwident
