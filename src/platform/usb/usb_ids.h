// The USB ids taken as cameras: one table made of the built-in list (generated at build time
// from packaging/udev/usb-ids, the same list the udev rule is made from), /etc/rezive/usb-ids,
// $XDG_CONFIG_HOME/rezive/usb-ids and REZIVE_USB_IDS=vvvv:pppp[,...].
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rezive::platform::usb {

struct UsbId {
    uint16_t vendor = 0;
    uint16_t product = 0;
    bool operator==(const UsbId&) const = default;
};

// One "vvvv:pppp" (four hexadecimal digits each, surrounding blanks allowed); false otherwise.
bool ParseUsbId(std::string_view token, UsbId* id);
// A file's text: one id a line, '#' starts a comment; lines that are not an id are skipped, so
// a damaged file never hides the good lines. Appends to `ids`, leaving out repeats.
void ParseUsbIdLines(std::string_view text, std::vector<UsbId>* ids);
// The environment's list: ids separated by commas; bad items are skipped.
void ParseUsbIdList(std::string_view text, std::vector<UsbId>* ids);

// The whole table as it stands now (files and environment are read at each call).
std::vector<UsbId> LoadUsbIdTable();
bool Contains(const std::vector<UsbId>& ids, UsbId id);

}  // namespace rezive::platform::usb
