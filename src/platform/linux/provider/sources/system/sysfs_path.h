#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hwident {

// The non-empty components of a sysfs path, in order: a device's resolved
// path names the buses it hangs from ("…/ata2/host1/…", "…/usb1/1-2/…").
std::vector<std::string> PathComponents(const std::string& path);

// "ata2" -> 2, "usb1" -> 1 for the prefix given; nothing for anything else.
std::optional<int> NumberedComponent(const std::string& part, const std::string& prefix);

// The value of the first of text's "KEY=value" lines (a uevent file, a
// udev record's "E:KEY=value") whose key is key; nothing when none is.
std::optional<std::string> UeventValue(const std::string& text, const std::string& key);

// Where a link holding target leads, worked out from the two texts alone:
// sysfs links name a device's canonical directory, so no part of the way
// is another link, and the kernel need not walk it. ".." at the root stays
// at the root.
std::string JoinLink(const std::string& link, const std::string& target);

}  // namespace hwident
