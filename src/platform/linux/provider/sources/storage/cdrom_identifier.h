#pragma once

#include <string>

namespace hwident {

// The device identifiers Windows gives an optical drive, by the bus it sits
// on. Each is upper-cased as WMI shows it; the instance part comes last,
// after a backslash, as the caller builds it.

// ATA/ATAPI: "IDE\CDROM", the ATA model text with blanks as underscores
// padded with underscores to exactly 40 characters, the firmware revision
// likewise to exactly 8, a backslash and the instance part.
std::string IdeCdromId(const std::string& model, const std::string& revision,
                       const std::string& instance);

// SCSI (storport era, no revision field): "SCSI\CDROM&VEN_v&PROD_p\instance".
std::string ScsiCdromId(const std::string& vendor, const std::string& product,
                        const std::string& instance);

// USB mass storage: "USBSTOR\CDROM&VEN_v&PROD_p&REV_r\instance".
std::string UsbCdromId(const std::string& vendor, const std::string& product,
                       const std::string& revision, const std::string& instance);

// An INQUIRY field as these identifiers carry it: trailing blanks dropped,
// each remaining blank an underscore.
std::string InquiryField(const std::string& field);

}  // namespace hwident
