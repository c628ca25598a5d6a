// get, set and load-defects: the camera's settings through the API. The library keeps the
// sensor, filter and gray settings in its settings store when the camera is released, so set
// only has to set them; the others last for one run and are marked so.
#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <map>
#include <memory>

#include "acquire_options.h"
#include "cli_error.h"
#include "commands.h"
#include "settings_read.h"

namespace rezive::cli {
namespace {

struct GetOptions {
    std::vector<std::string> names;
};

int RunGet(const GetOptions& options, Context& context, Output& out) {
    std::vector<const SettingInfo*> wanted;
    for (const auto& name : options.names) {
        const SettingInfo* setting = FindSetting(name);
        if (setting == nullptr) throw CliError("unknown setting " + name, kExitUsage);
        wanted.push_back(setting);
    }
    Session session(context.global, out);
    SettingValues values;
    if (wanted.empty()) {
        values = ReadAllSettings(session);
    } else {
        for (const SettingInfo* setting : wanted) {
            values.emplace_back(setting, ReadSetting(session, *setting));
        }
    }
    out.Result(SettingsJson(values), SettingsText(values, ""));
    return 0;
}

struct SetOptions {
    std::map<std::string, std::string> values;  // by setting name, as typed
    std::vector<std::string> words;             // NAME VALUE or NAME=VALUE, after the options
};

// Adds the settings typed as words ("brightness -20", "gamma=120") to those given as options,
// under the names get takes; a setting named twice is a mistake, not a choice of the last.
void TakeWords(SetOptions& options) {
    for (size_t k = 0; k < options.words.size(); ++k) {
        std::string name = options.words[k];
        std::string value;
        if (const size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (k + 1 < options.words.size()) {
            value = options.words[++k];
        } else {
            throw CliError("set " + name + ": a value must follow the name", kExitUsage);
        }
        if (FindSetting(name) == nullptr) throw CliError("unknown setting " + name, kExitUsage);
        if (!options.values.emplace(name, value).second) {
            throw CliError("set: " + name + " is given twice", kExitUsage);
        }
    }
    options.words.clear();
}

// Puts back every kept setting that differs from its value before a failed set, so that a
// rejected value does not leave half of the command applied (and saved at release).
void Restore(Session& session, const SettingValues& before) {
    for (const auto& [setting, value] : before) {
        int32_t now = 0;
        if (setting->get(session.Handle(), &now) && now != value) setting->set(session.Handle(), value);
    }
    session.ClearErrors();
}

int RunSet(SetOptions& options, Context& context, Output& out) {
    TakeWords(options);
    if (options.values.empty()) throw CliError("set needs at least one setting; see --help", kExitUsage);
    if (options.values.count("exposure") && options.values.count("exposure-ms")) {
        throw CliError("give --exposure or --exposure-ms, not both", kExitUsage);
    }
    // Parse everything before touching the camera.
    std::vector<std::pair<const SettingInfo*, int32_t>> changes;
    bool whiteBalanceOnce = false;
    for (const auto& setting : Settings()) {
        const auto typed = options.values.find(setting.name);
        if (typed == options.values.end()) continue;
        if (std::string(setting.name) == "auto-wb" && typed->second == "once") {
            whiteBalanceOnce = true;
            continue;
        }
        const auto value = ParseSettingValue(setting, typed->second);
        if (!value) {
            throw CliError("--" + typed->first + ": cannot read '" + typed->second + "'", kExitUsage);
        }
        changes.emplace_back(&setting, *value);
    }

    Session session(context.global, out);
    SettingValues before;
    for (const auto& setting : Settings()) {
        // exposure-ms is a view of exposure; restoring the lines restores both.
        if (setting.persisted && std::string(setting.name) != "exposure-ms") {
            before.emplace_back(&setting, ReadSetting(session, setting));
        }
    }
    try {
        for (const auto& [setting, value] : changes) {
            session.ClearErrors();
            session.Check(setting->set(session.Handle(), value),
                          std::string("setting ") + setting->name + " to " +
                              FormatSettingValue(*setting, value));
        }
        if (whiteBalanceOnce) MeasureWhiteBalanceOnce(session);
    } catch (const CliError&) {
        Restore(session, before);
        throw;
    }

    SettingValues after;
    std::vector<std::string> thisRunOnly;
    for (const auto& [setting, value] : changes) {
        after.emplace_back(setting, ReadSetting(session, *setting));
        if (!setting->persisted) thisRunOnly.push_back(setting->name);
    }
    if (whiteBalanceOnce) {
        for (const char* name : {"wb-red", "wb-green", "wb-blue"}) {
            after.emplace_back(FindSetting(name), ReadSetting(session, *FindSetting(name)));
        }
    }
    if (!thisRunOnly.empty()) {
        std::string names;
        for (const auto& name : thisRunOnly) names += (names.empty() ? "" : ", ") + name;
        out.Note("rezive-cam: note: the library does not keep " + names +
                 " between runs; give them to snapshot, record, preview or trigger instead");
    }
    Json document = Json::MakeObject();
    document.Set("settings", SettingsJson(after));
    Json notKept = Json::MakeArray();
    for (const auto& name : thisRunOnly) notKept.Push(name);
    document.Set("not_kept", std::move(notKept));
    out.Result(document, SettingsText(after, ""));
    return 0;
}

struct LoadDefectsOptions {
    std::string file;
};

int RunLoadDefects(const LoadDefectsOptions& options, Context& context, Output& out) {
    Session session(context.global, out);
    LoadDefects(session, options.file);
    struct stat info = {};
    stat(options.file.c_str(), &info);
    const int64_t entries = static_cast<int64_t>(info.st_size) / 8;  // 8-byte (x, y) records
    out.Note("rezive-cam: note: the camera keeps a defect list only while it is open; give "
             "--defects FILE to snapshot, record, preview or trigger to use it");
    Json document = Json::MakeObject();
    document.Set("path", options.file);
    document.Set("entries", entries);
    out.Result(document, "loaded " + std::to_string(entries) + " defect pixels from " +
                             options.file + "\n");
    return 0;
}

}  // namespace

Command AddGetCommand(CLI::App& app) {
    auto options = std::make_shared<GetOptions>();
    std::string names;
    for (const auto& setting : Settings()) names += std::string(names.empty() ? "" : ", ") + setting.name;
    CLI::App* command = app.add_subcommand("get", "Show settings (all, or those named)");
    command->add_option("names", options->names, "settings to show: " + names);
    return {command, [options](Context& context, Output& out) {
                return RunGet(*options, context, out);
            }};
}

Command AddSetCommand(CLI::App& app) {
    auto options = std::make_shared<SetOptions>();
    CLI::App* command = app.add_subcommand(
        "set", "Change settings; the library keeps them for the next run (except those marked)");
    for (const auto& setting : Settings()) {
        std::string help = setting.help;
        if (!setting.valueNames.empty()) {
            help += ": ";
            for (size_t k = 0; k < setting.valueNames.size(); ++k) {
                help += (k ? "|" : "") + std::string(setting.valueNames[k]);
            }
            if (std::string(setting.name) == "auto-wb") help += "|once (measure now, keep gains)";
        }
        if (!setting.persisted) help += " [this run only]";
        const std::string name = setting.name;
        command->add_option_function<std::string>(
            "--" + name, [options, name](const std::string& value) { options->values[name] = value; },
            help);
    }
    command->add_option("settings", options->words,
                        "NAME VALUE or NAME=VALUE pairs, the names get takes "
                        "(set brightness -20 gamma=120)");
    return {command, [options](Context& context, Output& out) {
                return RunSet(*options, context, out);
            }};
}

Command AddLoadDefectsCommand(CLI::App& app) {
    auto options = std::make_shared<LoadDefectsOptions>();
    CLI::App* command = app.add_subcommand(
        "load-defects", "Check that a defect-pixel file loads (8-byte x, y records)");
    command->add_option("file", options->file, "defect-pixel file")->required();
    return {command, [options](Context& context, Output& out) {
                return RunLoadDefects(*options, context, out);
            }};
}

}  // namespace rezive::cli
