#include "settings_table.h"

#include "parse.h"

#include <climits>

namespace rezive::cli {
namespace {

std::string HelpOf(const RzSettingInfo& info) {
    std::string help = info.description;
    if (info.kind != RZ_SETTING_NUMBER) return help;
    std::string range;
    if (info.values != nullptr) {
        for (int32_t k = 0; k < info.valueCount; ++k) {
            if (k > 0) range += ", ";
            range += std::to_string(info.values[k]);
        }
    } else if (info.maximum < INT32_MAX) {
        range = std::to_string(info.minimum) + ".." + std::to_string(info.maximum);
    }
    if (*info.unit != '\0') {
        if (!range.empty()) range += ' ';
        range += info.unit;
    }
    return range.empty() ? help : help + " (" + range + ")";
}

}  // namespace

bool SettingInfo::get(RzHandle handle, int32_t* value) const {
    return RzGetSettingValue(handle, name, value) == 1;
}

int32_t SettingInfo::set(RzHandle handle, int32_t value) const {
    return RzSetSettingValue(handle, name, value);
}

const std::vector<SettingInfo>& Settings() {
    static const std::vector<SettingInfo> table = [] {
        std::vector<SettingInfo> settings;
        for (int32_t k = 0; k < RzGetSettingCount(); ++k) {
            RzSettingInfo info{};
            info.size = sizeof info;
            if (RzGetSettingInfo(k, nullptr, &info) != 1) continue;
            SettingInfo setting{info.name, HelpOf(info), {}, info.persistence == RZ_SETTING_KEPT};
            if (info.valueNames != nullptr)
                setting.valueNames.assign(info.valueNames, info.valueNames + info.valueCount);
            settings.push_back(std::move(setting));
        }
        return settings;
    }();
    return table;
}

const SettingInfo* FindSetting(const std::string& name) {
    for (const auto& setting : Settings()) {
        if (name == setting.name) return &setting;
    }
    return nullptr;
}

namespace {

// A switch is named off and on; its value is also typed as yes/no, true/false, 1/0.
bool IsSwitch(const SettingInfo& setting) {
    return setting.valueNames.size() == 2 && std::string(setting.valueNames[0]) == "off" &&
           std::string(setting.valueNames[1]) == "on";
}

}  // namespace

std::optional<int32_t> ParseSettingValue(const SettingInfo& setting, const std::string& text) {
    for (size_t k = 0; k < setting.valueNames.size(); ++k) {
        if (text == setting.valueNames[k]) return static_cast<int32_t>(k);
    }
    if (IsSwitch(setting)) {
        if (auto on = ParseSwitch(text)) return on;
    }
    return ParseInt(text);
}

std::string FormatSettingValue(const SettingInfo& setting, int32_t value) {
    if (value >= 0 && static_cast<size_t>(value) < setting.valueNames.size()) {
        return setting.valueNames[static_cast<size_t>(value)];
    }
    return std::to_string(value);
}

Json SettingValueJson(const SettingInfo& setting, int32_t value) {
    if (IsSwitch(setting) && (value == 0 || value == 1)) return Json(value == 1);
    if (value >= 0 && static_cast<size_t>(value) < setting.valueNames.size()) {
        return Json(setting.valueNames[static_cast<size_t>(value)]);
    }
    return Json(value);
}

}  // namespace rezive::cli
