// Reading settings through the API and showing them, shared by get and info.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "json.h"
#include "session.h"
#include "settings_table.h"

namespace rezive::cli {

using SettingValues = std::vector<std::pair<const SettingInfo*, int32_t>>;

// Reads one setting; a failure (flag cleared, or an error the read reported) throws CliError.
int32_t ReadSetting(Session& session, const SettingInfo& setting);
SettingValues ReadAllSettings(Session& session);

Json SettingsJson(const SettingValues& values);
// "name  value" lines; settings the library does not keep between runs are marked.
std::string SettingsText(const SettingValues& values, const std::string& indent);

}  // namespace rezive::cli
