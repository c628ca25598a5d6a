// Every camera setting the library's settings table has, by its name: how its values are
// spelled and whether the library keeps it between runs (it saves the sensor, filter and gray
// groups when a camera object is released). Reading and setting go through the library by name.
#pragma once

#include <ReziveSdk.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "json.h"

namespace rezive::cli {

// One setting of the library's table, as the tool shows it.
struct SettingInfo {
    const char* name;
    std::string help;  // the library's description with its range and unit
    // Value names for enumerations and switches, index = value (empty for plain numbers).
    std::vector<const char*> valueNames;
    bool persisted;
    // Reads the value; false when the library reports a failure.
    bool get(RzHandle handle, int32_t* value) const;
    // Sets the value; the library's result (1 or 0).
    int32_t set(RzHandle handle, int32_t value) const;
};

const std::vector<SettingInfo>& Settings();
const SettingInfo* FindSetting(const std::string& name);

// Parses a value typed for this setting: a number or one of its value names.
std::optional<int32_t> ParseSettingValue(const SettingInfo& setting, const std::string& text);
// The value as text (its name for enumerations) and as JSON (name or number).
std::string FormatSettingValue(const SettingInfo& setting, int32_t value);
Json SettingValueJson(const SettingInfo& setting, int32_t value);

}  // namespace rezive::cli
