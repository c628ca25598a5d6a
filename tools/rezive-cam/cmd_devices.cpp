// list and info: what is attached and how the selected camera is set up.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "commands.h"
#include "settings_read.h"

namespace rezive::cli {
namespace {

struct DeviceName {
    int32_t slot;
    std::string name;
};

std::vector<DeviceName> ListDevices(const Session& session) {
    char names[16][256] = {};
    const int32_t count = Rezive_EnumDevice(session.Handle(), names);
    std::vector<DeviceName> devices;
    for (int32_t k = 0; k < count && k < 16; ++k) {
        names[k][255] = '\0';
        devices.push_back({k, names[k]});
    }
    return devices;
}

std::string Format(const char* format, auto... values) {
    char line[512];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

int RunList(Context& context, Output& out) {
    Session session(context.global, out);
    const auto devices = ListDevices(session);
    Json document = Json::MakeObject();
    Json cameras = Json::MakeArray();
    std::string text;
    for (const auto& device : devices) {
        Json camera = Json::MakeObject();
        camera.Set("slot", device.slot);
        camera.Set("name", device.name);
        cameras.Push(std::move(camera));
        text += Format("%d  %s\n", device.slot, device.name.c_str());
    }
    if (devices.empty()) text = "no cameras\n";
    document.Set("cameras", std::move(cameras));
    document.Set("virtual_fallback", session.FellBack());
    out.Result(document, text);
    return 0;
}

int RunInfo(Context& context, Output& out) {
    Session session(context.global, out);
    const RzHandle h = session.Handle();
    RzCameraInfo info = {};
    info.size = sizeof info;
    session.Check(Rezive_GetCameraInfo(h, &info), "reading the camera information");
    int32_t totalWidth = 0, x = 0, width = 0, totalHeight = 0, y = 0, height = 0;
    session.Check(Rezive_GetCaptureWindowEx(h, &totalWidth, &x, &width, &totalHeight, &y, &height),
                  "reading the capture window");
    char name[256] = {};
    session.Check(Rezive_GetDeviceName(h, session.Device(), name, sizeof name),
                  "reading the device name");
    const int32_t version = Rezive_GetDllVersion();
    const auto values = ReadAllSettings(session);

    Json document = Json::MakeObject();
    Json camera = Json::MakeObject();
    camera.Set("slot", session.Device());
    camera.Set("name", std::string(name));
    camera.Set("sensor_width", info.width);
    camera.Set("sensor_height", info.height);
    camera.Set("gain_min", info.gainMin);
    camera.Set("gain_max", info.gainMax);
    camera.Set("exposure_min", info.exposureMin);
    camera.Set("exposure_max", info.exposureMax);
    document.Set("camera", std::move(camera));
    Json window = Json::MakeObject();
    window.Set("x", x);
    window.Set("y", y);
    window.Set("width", width);
    window.Set("height", height);
    document.Set("capture_window", std::move(window));
    document.Set("settings", SettingsJson(values));
    Json versions = Json::MakeObject();
    versions.Set("library", version);
    versions.Set("library_hex", Format("0x%08X", static_cast<unsigned>(version)));
    versions.Set("rezive_cam", REZIVE_CAM_VERSION);
    document.Set("version", std::move(versions));
    document.Set("virtual_fallback", session.FellBack());

    std::string text;
    text += Format("camera       slot %d: %s\n", session.Device(), name);
    text += Format("sensor       %d x %d, gain %d..%d, exposure %d..%d lines\n", info.width,
                   info.height, info.gainMin, info.gainMax, info.exposureMin, info.exposureMax);
    text += Format("window       %d x %d at %d,%d\n", width, height, x, y);
    text += Format("library      %d (0x%08X)\n", version, static_cast<unsigned>(version));
    text += Format("rezive-cam   %s\n", REZIVE_CAM_VERSION);
    text += "settings\n" + SettingsText(values, "  ");
    out.Result(document, text);
    return 0;
}

}  // namespace

Command AddListCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand("list", "List the cameras with their slot and name");
    return {command, RunList};
}

Command AddInfoCommand(CLI::App& app) {
    CLI::App* command =
        app.add_subcommand("info", "Show camera information, current settings and versions");
    return {command, RunInfo};
}

}  // namespace rezive::cli
