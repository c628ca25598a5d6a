#include "platform/usb/usb_ids.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace rezive::platform::usb {
namespace {

// Generated from packaging/udev/usb-ids: empty until the maker's ids are known.
constexpr UsbId kBuiltInIds[] = {
#include "rezive_builtin_usb_ids.inc"
    {0, 0}};

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool Hex4(std::string_view s, uint16_t* value) {
    if (s.size() != 4) return false;
    uint16_t v = 0;
    for (char c : s) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        v = static_cast<uint16_t>(v * 16 + digit);
    }
    *value = v;
    return true;
}

void Add(std::vector<UsbId>* ids, UsbId id) {
    if (!Contains(*ids, id)) ids->push_back(id);
}

void AddFile(const std::string& path, std::vector<UsbId>* ids) {
    std::ifstream file(path);
    if (!file) return;
    std::ostringstream text;
    text << file.rdbuf();
    ParseUsbIdLines(text.str(), ids);
}

}  // namespace

bool ParseUsbId(std::string_view token, UsbId* id) {
    token = Trim(token);
    const size_t colon = token.find(':');
    if (colon == std::string_view::npos) return false;
    UsbId parsed;
    if (!Hex4(token.substr(0, colon), &parsed.vendor) ||
        !Hex4(token.substr(colon + 1), &parsed.product)) {
        return false;
    }
    *id = parsed;
    return true;
}

void ParseUsbIdLines(std::string_view text, std::vector<UsbId>* ids) {
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        line = line.substr(0, line.find('#'));
        UsbId id;
        if (ParseUsbId(line, &id)) Add(ids, id);
    }
}

void ParseUsbIdList(std::string_view text, std::vector<UsbId>* ids) {
    while (!text.empty()) {
        const size_t end = std::min(text.find(','), text.size());
        UsbId id;
        if (ParseUsbId(text.substr(0, end), &id)) Add(ids, id);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

std::vector<UsbId> LoadUsbIdTable() {
    std::vector<UsbId> ids;
    for (const UsbId& id : kBuiltInIds) {
        if (id.vendor != 0 || id.product != 0) Add(&ids, id);
    }
    AddFile("/etc/rezive/usb-ids", &ids);
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        AddFile(std::string(xdg) + "/rezive/usb-ids", &ids);
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        AddFile(std::string(home) + "/.config/rezive/usb-ids", &ids);
    }
    if (const char* list = std::getenv("REZIVE_USB_IDS")) ParseUsbIdList(list, &ids);
    return ids;
}

bool Contains(const std::vector<UsbId>& ids, UsbId id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace rezive::platform::usb
