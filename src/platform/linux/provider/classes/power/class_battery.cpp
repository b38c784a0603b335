// Win32_Battery: one object per system battery (/sys/class/power_supply).
#include "platform/linux/provider/classes/provider_classes.h"
#include "platform/linux/provider/sources/system/proc_files.h"
#include "platform/linux/provider/values/number_text.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

const std::string kPowerSupply = "/sys/class/power_supply/";

std::optional<std::int64_t> Attribute(M& m, I name, const std::string& attribute) {
  const auto text = m.Text(kPowerSupply + name + "/" + attribute);
  const auto value = text ? ParseDecimal(*text) : std::nullopt;
  if (!value || *value < 0) return std::nullopt;
  return value;
}

// A mouse's or headset's battery is a power supply too, but of that device
// ("scope" Device); Windows lists only the batteries that run the system.
std::vector<std::string> Batteries(M& m) {
  std::vector<std::string> names;
  for (const std::string& name : m.List(kPowerSupply)) {
    if (m.Text(kPowerSupply + name + "/type") != "Battery") continue;
    if (m.Text(kPowerSupply + name + "/scope") == "Device") continue;
    names.push_back(name);
  }
  return names;
}

Fact Text(M& m, I name, const std::string& attribute) {
  return FactFrom(m.Text(kPowerSupply + name + "/" + attribute));
}

// Capacities in mWh. Batteries that count charge (µAh) rather than energy
// (µWh) give it at their design voltage; without one there is no energy.
std::optional<std::int64_t> MilliwattHours(M& m, I name, const std::string& kind) {
  if (const auto energy = Attribute(m, name, "energy_" + kind)) return *energy / 1000;
  const auto charge = Attribute(m, name, "charge_" + kind);
  auto volts = Attribute(m, name, "voltage_min_design");
  if (!volts) volts = Attribute(m, name, "voltage_max_design");
  if (!charge || !volts || *volts > 1000000000) return std::nullopt;
  // µAh × µV is 1e-9 mWh; dividing the voltage first keeps the product in
  // range for any real battery, and a charge no battery holds gives nothing.
  const auto product = CheckedMultiply(*charge, *volts / 1000);
  if (!product) return std::nullopt;
  return *product / 1000000;
}

Fact Capacity(M& m, I name, const std::string& kind) {
  const auto value = MilliwattHours(m, name, kind);
  return value ? Fact::Number(*value) : Fact::Null();
}

// Windows' numbers: 1 discharging, 2 on mains and not charging, 3 full,
// 4 low, 5 critical, 6 charging.
Fact BatteryStatus(M& m, I name) {
  const auto status = m.Text(kPowerSupply + name + "/status");
  if (!status) return Fact::Null();
  if (*status == "Discharging") {
    const auto level = m.Text(kPowerSupply + name + "/capacity_level");
    if (level == "Critical") return Fact::Number(5);
    if (level == "Low") return Fact::Number(4);
    return Fact::Number(1);
  }
  if (*status == "Charging") return Fact::Number(6);
  if (*status == "Full") return Fact::Number(3);
  if (*status == "Not charging") return Fact::Number(2);
  return Fact::Null();
}

// Minutes left at the present draw, while discharging. Windows shows
// 71582788 (its "unknown") on mains power; here that is null.
Fact EstimatedRunTime(M& m, I name) {
  if (m.Text(kPowerSupply + name + "/status") != "Discharging") return Fact::Null();
  auto left = Attribute(m, name, "energy_now");
  auto rate = Attribute(m, name, "power_now");
  if (!left || !rate) {
    left = Attribute(m, name, "charge_now");
    rate = Attribute(m, name, "current_now");
  }
  if (!left || !rate || *rate == 0 || *left > (std::int64_t{1} << 40)) return Fact::Null();
  return Fact::Number(*left * 60 / *rate);
}

// CIM chemistry numbers: 2 unknown, 4 NiCd, 5 NiMH, 6 lithium-ion,
// 8 lithium polymer, 1 other.
Fact Chemistry(M& m, I name) {
  const auto technology = m.Text(kPowerSupply + name + "/technology");
  if (!technology) return Fact::Null();
  if (*technology == "Li-ion" || *technology == "LiFe") return Fact::Number(6);
  if (*technology == "Li-poly") return Fact::Number(8);
  if (*technology == "NiMH") return Fact::Number(5);
  if (*technology == "NiCd") return Fact::Number(4);
  if (*technology == "Unknown") return Fact::Number(2);
  return Fact::Number(1);
}

// Windows joins the serial number, maker and name the battery reports
// ("1034SANYO45N1029"); the pieces it has, in that order.
Fact DeviceId(M& m, I name) {
  std::string id;
  for (const char* part : {"serial_number", "manufacturer", "model_name"}) {
    id += Trim(m.Text(kPowerSupply + name + "/" + part).value_or(""));
  }
  return id.empty() ? Fact::Null() : Fact::Text(id);
}

// An ACPI battery is ACPI\PNP0C0A\<uid> on Windows, from the same ACPI ids.
Fact PnpDeviceId(M& m, I name) {
  const auto device = m.Resolve(kPowerSupply + name + "/device");
  if (!device) return Fact::Null();
  const auto hid = m.Text(*device + "/hid");
  const auto uid = m.Text(*device + "/uid");
  if (!hid || !uid) return Fact::Null();
  return Fact::Text(ToUpper("ACPI\\" + *hid + "\\" + *uid));
}

Fact DesignVoltage(M& m, I name) {
  const auto microvolts = Attribute(m, name, "voltage_min_design");
  return microvolts ? Fact::Text(std::to_string(*microvolts / 1000)) : Fact::Null();
}

Fact ChargeRemaining(M& m, I name) {
  const auto percent = Attribute(m, name, "capacity");
  return percent && *percent <= 100 ? Fact::Number(*percent) : Fact::Null();
}

constexpr PropertySchema kProperties[] = {
    {"BatteryStatus", CimType::kUint16, BatteryStatus},
    {"Caption", CimType::kString, [](M&, I) { return Constant("Internal Battery"); }},
    {"Chemistry", CimType::kUint16, Chemistry},
    {"Description", CimType::kString, [](M&, I) { return Constant("Internal Battery"); }},
    {"DesignCapacity", CimType::kUint32, [](M& m, I n) { return Capacity(m, n, "full_design"); }},
    {"DesignVoltage", CimType::kUint64, DesignVoltage},
    {"DeviceID", CimType::kString, DeviceId},
    {"EstimatedChargeRemaining", CimType::kUint16, ChargeRemaining},
    {"EstimatedRunTime", CimType::kUint32, EstimatedRunTime},
    {"FullChargeCapacity", CimType::kUint32, [](M& m, I n) { return Capacity(m, n, "full"); }},
    {"Name", CimType::kString, [](M& m, I n) { return Text(m, n, "model_name"); }},
    {"PNPDeviceID", CimType::kString, PnpDeviceId},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
};

}  // namespace

const ClassSchema& BatteryClass() {
  static const ClassSchema schema{"Win32_Battery", Batteries, kProperties};
  return schema;
}

}  // namespace hwident
