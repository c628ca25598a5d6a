// list and info: what is attached and how the selected camera is set up.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>

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

// The library's description of the USB bus, one line per device.
std::vector<std::string> UsbLines(bool all) {
    std::string text(4096, '\0');
    int32_t n = RzDescribeUsbDevices(text.data(), static_cast<int32_t>(text.size()), all ? 1 : 0);
    if (n >= static_cast<int32_t>(text.size())) {
        text.assign(static_cast<size_t>(n) + 1, '\0');
        n = RzDescribeUsbDevices(text.data(), static_cast<int32_t>(text.size()), all ? 1 : 0);
    }
    text.resize(n > 0 ? std::min<size_t>(static_cast<size_t>(n), text.size()) : 0);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Attached cameras that cannot be used, said where a user sees them, with what to do.
void NoteUnusableCameras(const Output& out) {
    for (const RzAttachedCamera& camera : AttachedCameras()) {
        if (camera.cause != RZ_CAUSE_NONE) out.Note(std::string("rezive-cam: ") + camera.reason);
    }
}

// list --usb: the vendor-class devices with the camera's three pipes and those of the id table
// (every device with -v, with the reason it is not a camera), so a user finds the line to add.
int RunListUsb(Output& out) {
    Json devices = Json::MakeArray();
    std::string text;
    const auto lines = UsbLines(out.Verbose());
    for (const auto& line : lines) {
        devices.Push(Json(line));
        text += line + "\n";
    }
    if (lines.empty()) text = "no USB device with the camera's three pipes (bulk OUT, bulk IN, bulk IN)\n";
    Json document = Json::MakeObject();
    document.Set("usb_devices", std::move(devices));
    out.Result(document, text);
    return 0;
}

int RunList(bool usb, Context& context, Output& out) {
    if (usb) return RunListUsb(out);
    Session session(context.global, out);
    if (!session.FellBack()) NoteUnusableCameras(out);
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
    auto usb = std::make_shared<bool>(false);
    CLI::App* command = app.add_subcommand("list", "List the cameras with their slot and name");
    command->add_flag("--usb", *usb,
                      "list the USB devices that have the camera's pipes, with ids and path "
                      "(every device, with the reason, under -v)");
    return {command, [usb](Context& context, Output& out) { return RunList(*usb, context, out); }};
}

Command AddInfoCommand(CLI::App& app) {
    CLI::App* command =
        app.add_subcommand("info", "Show camera information, current settings and versions");
    return {command, RunInfo};
}

}  // namespace rezive::cli
