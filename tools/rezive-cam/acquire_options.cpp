#include "acquire_options.h"

#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "cli_error.h"
#include "settings_table.h"

namespace rezive::cli {
namespace {

constexpr int32_t kSensorWidth = 1280;
constexpr int32_t kSensorHeight = 720;

}  // namespace

void AddAcquireOptions(CLI::App& command, AcquireOptions& options) {
    command.add_option("--color", options.color, "bits per pixel: 8, 16, 24, 32, 48 or 64")
        ->check(CLI::IsMember({8, 16, 24, 32, 48, 64}));
    command.add_option("--window", options.window,
                       "capture window: W H (centred) or X Y W H, in sensor pixels")
        ->expected(2, 4)
        ->type_name("W H|X Y W H");
    command.add_option("--wait-time", options.waitTime,
                       "milliseconds the preview loop waits before each frame");
    command.add_option("--defects", options.defects,
                       "defect-pixel file to load; switches defect correction on");
    command.add_option("--auto-wb", options.autoWb, "automatic white balance: once, on or off")
        ->check(CLI::IsMember({"once", "on", "off"}));
}

void ApplyCaptureWindow(Session& session, const std::vector<int32_t>& window) {
    if (window.size() != 2 && window.size() != 4) {
        throw CliError("--window takes W H or X Y W H", kExitUsage);
    }
    int32_t x, y, w, h;
    if (window.size() == 2) {
        w = window[0];
        h = window[1];
        x = (kSensorWidth - w) / 2 & ~1;
        y = (kSensorHeight - h) / 2 & ~1;
    } else {
        x = window[0];
        y = window[1];
        w = window[2];
        h = window[3];
    }
    // The library validates the window; out-of-range values come back as its error 7.
    session.Check(Rezive_SetCaptureWindowEx(session.Handle(), kSensorWidth, x, w, kSensorHeight,
                                            y, h),
                  "setting the capture window");
}

void MeasureWhiteBalanceOnce(Session& session) {
    const RzHandle h = session.Handle();
    // White balance is measured on the mosaic while it becomes a colour image, so the
    // measuring frame is taken in a colour mode and the user's mode comes back afterwards.
    const int32_t code = Rezive_GetColorMode(h);
    const int32_t bits = RZ_BITS_OF_COLOR_MODE(code);
    session.Check(Rezive_SetColorMode(h, RZ_BITS_BGR24),
                  "selecting a colour mode for white balance");
    session.Check(Rezive_SetBayerGainAuto(h, 1), "switching automatic white balance on");
    const int32_t shot = Rezive_SnapShot(h, nullptr, 0, 1);
    Rezive_SetBayerGainAuto(h, 0);
    if (bits > 0) Rezive_SetColorMode(h, bits);
    session.Check(shot, "taking the white-balance frame");
}

void LoadDefects(Session& session, const std::string& fileName) {
    // The library reads any file it can open and gives no code when it cannot; say why here.
    struct stat info;
    if (stat(fileName.c_str(), &info) != 0) {
        throw CliError("cannot read defect file " + fileName + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) throw CliError("defect file " + fileName + " is not a file");
    session.Check(Rezive_LoadConfigFileA(session.Handle(), fileName.c_str()),
                  "loading defect file " + fileName);
    session.Check(Rezive_SetConfigFilter(session.Handle(), 1), "switching defect correction on");
}

void ApplyAcquireOptions(Session& session, Output& out, const AcquireOptions& options) {
    const RzHandle h = session.Handle();
    if (options.color) {
        session.Check(Rezive_SetColorMode(h, *options.color),
                      "setting the colour mode to " + std::to_string(*options.color));
    }
    if (!options.window.empty()) ApplyCaptureWindow(session, options.window);
    if (options.waitTime) {
        session.Check(Rezive_SetWaitTime(h, *options.waitTime),
                      "setting the wait time to " + std::to_string(*options.waitTime));
    }
    if (!options.defects.empty()) LoadDefects(session, options.defects);
    if (options.autoWb == "once") {
        MeasureWhiteBalanceOnce(session);
        out.Detail("rezive-cam: white balance measured");
    } else if (!options.autoWb.empty()) {
        session.Check(Rezive_SetBayerGainAuto(h, options.autoWb == "on" ? 1 : 0),
                      "setting automatic white balance " + options.autoWb);
    }
}

}  // namespace rezive::cli
