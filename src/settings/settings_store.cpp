#include "settings/settings_store.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/registry_file.h"

// Every operation opens the settings file, moves its group and lets go: the store keeps no state,
// so several camera objects (and processes) can share one file. Values are stored as the 32-bit
// two's complement of the signed fields and taken back unchanged, without range checks.

namespace rezive::settings {
namespace {

using platform::RegistryKey;
using platform::RegistryReader;
using platform::RegistryWriter;

constexpr const char* kRootKey = "Software\\Ruredo\\Rezive417DIRVUDSdk";
constexpr int kMaxPresets = 100;

template <typename Record, typename Field>
struct Entry {
    const char* name;
    Field Record::*field;
};

constexpr Entry<AnalogSettings, Setting> kAnalogValues[] = {
    {"Global", &AnalogSettings::globalGain},   {"ColorG1", &AnalogSettings::colorGainG1},
    {"ColorR", &AnalogSettings::colorGainR},   {"ColorB", &AnalogSettings::colorGainB},
    {"ColorG2", &AnalogSettings::colorGainG2}, {"Exposure", &AnalogSettings::exposure},
    {"V_Mirror", &AnalogSettings::mirrorV},    {"H_Mirror", &AnalogSettings::mirrorH},
    {"AutoIris", &AnalogSettings::autoIris},
};

constexpr Entry<FilterSettings, Setting> kFilterValues[] = {
    {"Brightness", &FilterSettings::brightness}, {"Contrast", &FilterSettings::contrast},
    {"Hue", &FilterSettings::hue},               {"Saturation", &FilterSettings::saturation},
    {"Sharpness", &FilterSettings::sharpness},   {"R_Gain", &FilterSettings::redGain},
    {"G_Gain", &FilterSettings::greenGain},      {"B_Gain", &FilterSettings::blueGain},
    {"Gamma", &FilterSettings::gamma},           {"BayerMode", &FilterSettings::bayerMode},
};

constexpr Entry<FilterSettings, Setting> kGrayValues[] = {
    {"Mode", &FilterSettings::grayMode},         {"GainR1", &FilterSettings::grayGainR},
    {"GainG1", &FilterSettings::grayGainG1},     {"GainG2", &FilterSettings::grayGainG2},
    {"GainB1", &FilterSettings::grayGainB},      {"OffsetR1", &FilterSettings::grayOffsetR},
    {"OffsetG1", &FilterSettings::grayOffsetG1}, {"OffsetG2", &FilterSettings::grayOffsetG2},
    {"OffsetB1", &FilterSettings::grayOffsetB},
};

constexpr Entry<FormatSettings, Setting> kFormatValues[] = {
    {"Color", &FormatSettings::colorMode},
    {"SubSample", &FormatSettings::subSample},
    {"WaitTime", &FormatSettings::waitTime},
    {"Clock", &FormatSettings::clock},
};

constexpr Entry<CaptureGeometry, int32_t> kPresetValues[] = {
    {"TH", &CaptureGeometry::totalWidth}, {"TV", &CaptureGeometry::totalHeight},
    {"EH", &CaptureGeometry::width},      {"EV", &CaptureGeometry::height},
    {"EHS", &CaptureGeometry::xOffset},   {"EVS", &CaptureGeometry::yOffset},
    {"Buf", &CaptureGeometry::bufferCount},
};

std::string Numbered(const char* prefix, int32_t n) {
    char name[32];
    std::snprintf(name, sizeof name, "%s_%02d", prefix, static_cast<int>(n));
    return name;
}

std::string CameraKey(int32_t deviceNumber) { return Numbered("Camera", deviceNumber); }

// Copies every value present into its field; a missing value leaves its field as it was.
template <typename Record, typename Field, size_t N>
void ReadValues(const RegistryKey& key, const Entry<Record, Field> (&entries)[N], Record& record) {
    for (const auto& e : entries) {
        if (std::optional<uint32_t> v = key.ReadDword(e.name)) record.*e.field = static_cast<int32_t>(*v);
    }
}

template <typename Record, typename Field, size_t N>
void WriteValues(const RegistryKey& key, const Entry<Record, Field> (&entries)[N], const Record& record) {
    for (const auto& e : entries) {
        key.WriteDword(e.name, static_cast<uint32_t>(static_cast<int32_t>(record.*e.field)));
    }
}

// "Camera_%02d\<group>" of the device in a snapshot of the file; closed when any key is missing.
RegistryKey OpenGroup(RegistryReader& reader, int32_t deviceNumber, const char* group) {
    return reader.CurrentUser().Open(kRootKey).Open(CameraKey(deviceNumber)).Open(group);
}

template <typename Record, typename Field, size_t N>
int32_t SaveGroup(const Entry<Record, Field> (&entries)[N], const Record& record, int32_t deviceNumber,
                  const char* group, bool createCamera) {
    RegistryWriter writer(platform::SettingsFilePath());
    const RegistryKey root = writer.CurrentUser().Create(kRootKey);
    const RegistryKey camera =
        createCamera ? root.Create(CameraKey(deviceNumber)) : root.Open(CameraKey(deviceNumber));
    const RegistryKey key = camera.Create(group);
    if (!key) return 0;
    WriteValues(key, entries, record);
    return writer.Commit() ? 1 : 0;
}

// First run: root, "Camera_%02d" and its "Size_00" with the full sensor window and the format a
// new user starts with (24-bit colour, 1 ms wait, clock code 2).
void CreateFirstRunTree(int32_t deviceNumber) {
    RegistryWriter writer(platform::SettingsFilePath());
    // Another process may have made the tree since the caller looked; keep what it wrote.
    if (writer.CurrentUser().Open(kRootKey)) return;
    const RegistryKey root = writer.CurrentUser().Create(kRootKey);
    const RegistryKey camera = root.Create(CameraKey(deviceNumber));
    const RegistryKey size = camera.Create("Size_00");
    if (!size) return;
    WriteValues(size, kPresetValues, CaptureGeometry{});
    FormatSettings firstRun;
    firstRun.colorMode = 2;
    firstRun.subSample = 0;
    firstRun.waitTime = 1;
    firstRun.clock = 2;
    camera.WriteDword("Size", 0);
    WriteValues(camera, kFormatValues, firstRun);
    writer.Commit();
}

}  // namespace

void DefaultAnalog(AnalogSettings& analog, int32_t sensorMirrorV, int32_t sensorMirrorH) {
    analog.globalGain = 0;
    analog.colorGainG1 = 0;
    analog.colorGainR = 0;
    analog.colorGainB = 0;
    analog.colorGainG2 = 0;
    analog.exposure = 637;
    analog.mirrorV = sensorMirrorV;
    analog.mirrorH = sensorMirrorH;
    analog.autoIris = 0;
}

void DefaultFilter(FilterSettings& f) {
    f.brightness = 0;
    f.contrast = 0;
    f.hue = 0;
    f.saturation = 0;
    f.sharpness = 0;
    f.redGain = 100;
    f.greenGain = 100;
    f.blueGain = 100;
    f.gamma = 100;
    f.bayerMode = 3;
    f.autoWhiteBalance = 0;
    f.autoWhiteBalanceOnceA = 0;
    f.autoWhiteBalanceOnceB = 0;
    f.grayAutoGain = 0;
}

void DefaultGray(FilterSettings& f) {
    f.grayMode = 0;
    f.grayGainR = 128;
    f.grayGainG1 = 128;
    f.grayGainG2 = 128;
    f.grayGainB = 128;
    f.grayOffsetR = 0;
    f.grayOffsetG1 = 0;
    f.grayOffsetG2 = 0;
    f.grayOffsetB = 0;
}

int32_t LoadFormatAtStart(CaptureGeometry& geometry, int32_t deviceNumber) {
    {
        RegistryReader reader(platform::SettingsFilePath());
        const RegistryKey root = reader.CurrentUser().Open(kRootKey);
        if (root) {
            const RegistryKey camera = root.Open(CameraKey(deviceNumber));
            const std::optional<uint32_t> index = camera.ReadDword("Size");
            if (!index) return 0;
            const RegistryKey preset = camera.Open(Numbered("Size", static_cast<int32_t>(*index)));
            if (!preset) return 0;
            ReadValues(preset, kPresetValues, geometry);
            return 1;
        }
    }
    CreateFirstRunTree(deviceNumber);
    return 0;
}

int32_t LoadFormatValues(FormatSettings& format, int32_t deviceNumber) {
    RegistryReader reader(platform::SettingsFilePath());
    const RegistryKey camera = reader.CurrentUser().Open(kRootKey).Open(CameraKey(deviceNumber));
    if (!camera) return 0;
    ReadValues(camera, kFormatValues, format);
    return 1;
}

// A missing key, or a missing value in the key, gives the default of the table: values are never
// carried over from another device or from the value stored before them.
int32_t LoadAnalogGroup(AnalogSettings& analog, int32_t deviceNumber, int32_t sensorMirrorV,
                        int32_t sensorMirrorH) {
    AnalogSettings loaded;
    DefaultAnalog(loaded, sensorMirrorV, sensorMirrorH);
    RegistryReader reader(platform::SettingsFilePath());
    if (const RegistryKey gain = OpenGroup(reader, deviceNumber, "Gain")) ReadValues(gain, kAnalogValues, loaded);
    analog = loaded;
    return 1;
}

int32_t SaveAnalogGroup(const AnalogSettings& analog, int32_t deviceNumber) {
    return SaveGroup(kAnalogValues, analog, deviceNumber, "Gain", true);
}

// A filter-record group: its values when the key exists (a missing value keeps its field),
// else the group's defaults.
template <typename Table>
int32_t LoadFilterRecordGroup(FilterSettings& filters, int32_t deviceNumber, const char* group,
                              const Table& values, void (*defaults)(FilterSettings&)) {
    RegistryReader reader(platform::SettingsFilePath());
    const RegistryKey key = OpenGroup(reader, deviceNumber, group);
    if (!key) {
        defaults(filters);
        return 0;
    }
    ReadValues(key, values, filters);
    return 1;
}

int32_t LoadFilterGroup(FilterSettings& filters, int32_t deviceNumber) {
    return LoadFilterRecordGroup(filters, deviceNumber, "Filter", kFilterValues, DefaultFilter);
}

int32_t SaveFilterGroup(const FilterSettings& filters, int32_t deviceNumber) {
    return SaveGroup(kFilterValues, filters, deviceNumber, "Filter", true);
}

int32_t LoadGrayGroup(FilterSettings& filters, int32_t deviceNumber) {
    return LoadFilterRecordGroup(filters, deviceNumber, "Gray", kGrayValues, DefaultGray);
}

// The camera key is not created here: every caller saves the analog and filter groups first.
int32_t SaveGrayGroup(const FilterSettings& filters, int32_t deviceNumber) {
    return SaveGroup(kGrayValues, filters, deviceNumber, "Gray", false);
}

// Presets live under the camera's key, where the first run and the video-format dialog keep
// them. The search stops at the first missing index; a preset lacking "EH" or "EV" never
// matches, and its other missing values take the full-sensor defaults.
PresetResult FindSizePreset(int32_t width, int32_t height, int32_t deviceNumber,
                            CaptureGeometry* preset) {
    RegistryReader reader(platform::SettingsFilePath());
    const RegistryKey root = reader.CurrentUser().Open(kRootKey);
    if (!root) return PresetResult::kNoRoot;
    const RegistryKey camera = root.Open(CameraKey(deviceNumber));
    for (int32_t i = 0; i < kMaxPresets; ++i) {
        const RegistryKey key = camera.Open(Numbered("Size", i));
        if (!key) break;
        const std::optional<uint32_t> eh = key.ReadDword("EH");
        const std::optional<uint32_t> ev = key.ReadDword("EV");
        if (!eh || !ev || static_cast<int32_t>(*eh) != width || static_cast<int32_t>(*ev) != height) continue;
        CaptureGeometry found;
        ReadValues(key, kPresetValues, found);
        if (preset) *preset = found;
        return PresetResult::kFound;
    }
    return PresetResult::kNoMatch;
}

void ReadFormatDialogState(FormatDialogState& state, int32_t deviceNumber) {
    RegistryReader reader(platform::SettingsFilePath());
    const RegistryKey camera = reader.CurrentUser().Open(kRootKey).Open(CameraKey(deviceNumber));
    if (!camera) return;
    int32_t count = 0;
    while (count < FormatDialogState::kMaxPresets) {
        const RegistryKey key = camera.Open(Numbered("Size", count));
        if (!key) break;
        ReadValues(key, kPresetValues, state.presets[static_cast<size_t>(count)]);
        ++count;
    }
    state.presetCount = count;
    if (std::optional<uint32_t> v = camera.ReadDword("Size")) state.sizeIndex = static_cast<int32_t>(*v);
    if (std::optional<uint32_t> v = camera.ReadDword("Color")) state.colorMode = static_cast<int32_t>(*v);
    if (std::optional<uint32_t> v = camera.ReadDword("SubSample")) state.subSample = static_cast<int32_t>(*v);
    if (std::optional<uint32_t> v = camera.ReadDword("WaitTime")) state.waitTime = static_cast<int32_t>(*v);
    if (std::optional<uint32_t> v = camera.ReadDword("Clock")) state.clock = static_cast<int32_t>(*v);
}

bool WriteFormatDialogState(const FormatDialogState& state, int32_t deviceNumber) {
    RegistryWriter writer(platform::SettingsFilePath());
    const RegistryKey camera = writer.CurrentUser().Create(kRootKey).Create(CameraKey(deviceNumber));
    if (!camera) return false;
    const int32_t count = std::min(state.presetCount, FormatDialogState::kMaxPresets);
    for (int32_t i = 0; i < count; ++i) {
        const RegistryKey key = camera.Create(Numbered("Size", i));
        if (!key) break;
        WriteValues(key, kPresetValues, state.presets[static_cast<size_t>(i)]);
    }
    auto write = [&camera](const char* name, int32_t value) {
        camera.WriteDword(name, static_cast<uint32_t>(value));
    };
    write("Size", state.sizeIndex);
    write("Color", state.colorMode);
    write("SubSample", 0);  // the only sub-sampling the dialog offers
    write("WaitTime", state.waitTime);
    write("Clock", state.clock);
    return writer.Commit();
}

}  // namespace rezive::settings
