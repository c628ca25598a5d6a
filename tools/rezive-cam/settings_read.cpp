#include "settings_read.h"

#include "cli_error.h"

namespace rezive::cli {

int32_t ReadSetting(Session& session, const SettingInfo& setting) {
    session.ClearErrors();
    int32_t value = 0;
    const bool ok = setting.get(session.Handle(), &value);
    std::vector<int32_t> codes = session.TakeErrors();
    if (!ok || !codes.empty()) {
        throw CliError(std::string("reading ") + setting.name, std::move(codes));
    }
    return value;
}

SettingValues ReadAllSettings(Session& session) {
    SettingValues values;
    for (const auto& setting : Settings()) values.emplace_back(&setting, ReadSetting(session, setting));
    return values;
}

Json SettingsJson(const SettingValues& values) {
    Json document = Json::MakeObject();
    for (const auto& [setting, value] : values) {
        document.Set(setting->name, SettingValueJson(*setting, value));
    }
    return document;
}

std::string SettingsText(const SettingValues& values, const std::string& indent) {
    std::string text;
    for (const auto& [setting, value] : values) {
        std::string line = indent + setting->name;
        line.resize(indent.size() + 20, ' ');
        line += FormatSettingValue(*setting, value);
        if (!setting->persisted) {
            line.resize(std::max<size_t>(line.size(), indent.size() + 34), ' ');
            line += "(this run only)";
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace rezive::cli
