// Win32_CDROMDrive: one object per optical drive (/sys/block/srN).
#include "platform/linux/provider/classes/provider_classes.h"

#include "platform/linux/provider/sources/storage/optical_drive.h"
#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

using M = Machine;
using I = const std::string&;

// Each property reads the drive afresh; the machine's file cache makes the
// repeated reads free.
template <typename Read>
Fact WithDrive(M& m, I name, Read read) {
  const std::optional<OpticalDrive> drive = ReadOpticalDrive(m, name);
  if (!drive) return Fact::Null();
  return read(*drive);
}

Fact DeviceId(M& m, I name) {
  return WithDrive(m, name, [](const OpticalDrive& d) { return Fact::Text(CdromDeviceId(d)); });
}

// Windows shows a drive letter; Linux has the mount point while a medium is
// mounted and the device node otherwise.
Fact Drive(M& m, I name) {
  return WithDrive(m, name, [&m](const OpticalDrive& d) {
    return Fact::Text(MountPoint(m, d).value_or("/dev/" + d.name));
  });
}

// The friendly name Windows builds from INQUIRY: vendor and product, and a
// suffix for drives on USB.
Fact Caption(M& m, I name) {
  return WithDrive(m, name, [](const OpticalDrive& d) {
    if (!d.vendor && !d.model) return Fact::Null();
    std::string text = Trim(d.vendor.value_or("")) + " " + Trim(d.model.value_or(""));
    text = Trim(text);
    if (d.bus == DriveBus::kUsb) text += " USB Device";
    return Fact::Text(text);
  });
}

// Media loaded: udev's probe result when udev keeps one; a mounted medium
// is loaded in any case; otherwise unknown.
Fact MediaLoaded(M& m, I name) {
  return WithDrive(m, name, [&m](const OpticalDrive& d) {
    if (d.deviceNumbers) {
      if (const auto& udev = m.Raw("/run/udev/data/b" + *d.deviceNumbers)) {
        return Fact::Flag(udev->find("E:ID_CDROM_MEDIA=1") != std::string::npos);
      }
    }
    if (MountPoint(m, d)) return Fact::Flag(true);
    return Fact::Null();
  });
}

// The strongest thing the drive can do, in the words Windows uses.
Fact MediaType(M& m, I name) {
  const auto writesDvd = CdromCapability(m, name, "Can write DVD-R");
  const auto readsDvd = CdromCapability(m, name, "Can read DVD");
  const auto writesCd = CdromCapability(m, name, "Can write CD-R");
  if (!writesDvd && !readsDvd && !writesCd) return Fact::Null();
  if (writesDvd.value_or(false)) return Constant("DVD Writer");
  if (readsDvd.value_or(false)) return Constant("DVD-ROM");
  if (writesCd.value_or(false)) return Constant("CD Writer");
  return Constant("CD-ROM");
}

// 3 random access, 4 supports writing, 7 removable media.
Fact Capabilities(M& m, I name) {
  const auto writesCd = CdromCapability(m, name, "Can write CD-R");
  if (!writesCd) return Fact::Null();
  if (*writesCd) return Fact::List({"3", "4", "7"});
  return Fact::List({"3", "7"});
}

Fact SerialNumber(M& m, I name) {
  return WithDrive(m, name, [](const OpticalDrive& d) {
    if (d.bus == DriveBus::kAta) return FactFrom(d.ataSerial);
    if (d.bus == DriveBus::kUsb) return FactFrom(d.usbSerial);
    return Fact::Null();
  });
}

Fact Revision(M& m, I name) {
  return WithDrive(m, name, [](const OpticalDrive& d) { return FactFrom(d.revision); });
}

template <int OpticalDrive::*Field>
Fact Address(M& m, I name) {
  return WithDrive(m, name, [](const OpticalDrive& d) { return Fact::Number(d.*Field); });
}

constexpr PropertySchema kProperties[] = {
    {"Capabilities", CimType::kUint16Array, Capabilities},
    {"Caption", CimType::kString, Caption},
    {"Description", CimType::kString, [](M&, I) { return Constant("CD-ROM Drive"); }},
    {"DeviceID", CimType::kString, DeviceId},
    {"Drive", CimType::kString, Drive},
    {"Id", CimType::kString, Drive},
    {"Manufacturer", CimType::kString, [](M&, I) { return Constant("(Standard CD-ROM drives)"); }},
    {"MediaLoaded", CimType::kBoolean, MediaLoaded},
    {"MediaType", CimType::kString, MediaType},
    {"MfrAssignedRevisionLevel", CimType::kString, Revision},
    {"Name", CimType::kString, Caption},
    {"PNPDeviceID", CimType::kString, DeviceId},
    {"RevisionLevel", CimType::kString, Revision},
    {"SCSIBus", CimType::kUint32, Address<&OpticalDrive::channel>},
    {"SCSILogicalUnit", CimType::kUint16, Address<&OpticalDrive::lun>},
    {"SCSIPort", CimType::kUint16, Address<&OpticalDrive::host>},
    {"SCSITargetId", CimType::kUint16, Address<&OpticalDrive::target>},
    {"SerialNumber", CimType::kString, SerialNumber},
    {"Status", CimType::kString, [](M&, I) { return Constant("OK"); }},
};

}  // namespace

const ClassSchema& CdromDriveClass() {
  static const ClassSchema schema{"Win32_CDROMDrive", OpticalDriveNames, kProperties};
  return schema;
}

}  // namespace hwident
