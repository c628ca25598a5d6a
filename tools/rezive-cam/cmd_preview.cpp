// preview: the live preview, with the frame rate on the terminal, until Ctrl-C or --duration (or,
// with --show, until the user closes the window on the display). With --reconnect a camera that
// goes away is waited for, and the preview resumes on it with its settings when it is back.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include "acquire_options.h"
#include "cli_error.h"
#include "commands.h"
#include "frame_counts.h"
#include "frame_stream.h"
#include "parse.h"

namespace rezive::cli {
namespace {

struct PreviewOptions {
    std::string duration;  // empty: until Ctrl-C
    bool noWindow = false;
    bool show = false;
    bool reconnect = false;
    AcquireOptions acquire;
};

constexpr int32_t kNameTableEntries = 16;  // the library fills at most 10

// Whether the session's slot holds a camera now: the library lists the cameras present at the
// call, and a camera plugged in again takes its old slot.
bool CameraPresent(Session& session) {
    char names[kNameTableEntries][256] = {};
    return Rezive_EnumDevice(session.Handle(), names) > session.Device();
}

// Waits for the camera to be back, until Ctrl-C or the end of the preview's time.
bool WaitForCamera(Session& session, const std::function<bool()>& timeUp) {
    while (!Interrupted() && !timeUp()) {
        if (CameraPresent(session)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return false;
}

std::string StatusLine(const StreamStats& stats) {
    char line[200];
    std::snprintf(line, sizeof line,
                  "preview: %lld frames  %.1f s  %.1f fps delivered  %.1f fps camera  "
                  "%lld failed",
                  static_cast<long long>(stats.frames), stats.SecondsSinceStart(),
                  stats.DeliveredRate(), stats.cameraRate10 / 10.0,
                  static_cast<long long>(stats.failedFrames));
    return line;
}

int RunPreview(const PreviewOptions& options, Context& context, Output& out) {
    std::optional<int32_t> durationMs;
    if (!options.duration.empty()) {
        durationMs = ParseDurationMs(options.duration);
        if (!durationMs) throw CliError("--duration takes a time like 10s or 500ms", kExitUsage);
    }
    if (options.show && options.noWindow) throw CliError("--show and --no-window exclude each other", kExitUsage);
    ChooseDisplay(options.show, out);
    auto session = std::make_unique<Session>(context.global, out);
    auto start = [&] {
        ApplyAcquireOptions(*session, out, options.acquire);
        if (options.noWindow) {
            // An empty preview rectangle without a parent asks for no window at all.
            session->Check(Rezive_SetPreviewWindow(session->Handle(), 0, 0, 0, 0, 0),
                           "turning the window off");
        }
        session->ClearErrors();
        session->Check(Rezive_CallBackPreview(session->Handle(), session->Window(), nullptr, 0, 1),
                       "starting the preview");
    };
    start();
    if (!durationMs) out.Note("rezive-cam: previewing; press Ctrl-C to stop");

    StreamStats stats;
    auto timeUp = [&] { return durationMs && stats.SecondsSinceStart() * 1000.0 >= *durationMs; };
    auto lastStatus = StreamStats::Clock::now();
    bool closed = false;
    int64_t reconnects = 0;
    while (!Interrupted()) {
        const int64_t failedBefore = stats.failedFrames;
        PumpMessage(*session, 100, stats);
        // A camera pulled out shows first as failed frames; the stream ends after a while.
        const bool failing = stats.Fatal() || stats.failedFrames != failedBefore;
        if (options.reconnect && failing && !session->FellBack() && !CameraPresent(*session)) {
            out.FinishProgress();
            out.Note("rezive-cam: the camera went away; waiting for it to come back");
            Rezive_StopPreview(session->Handle());
            if (!WaitForCamera(*session, timeUp)) {
                if (Interrupted()) break;  // the user stopped the wait: an ordinary end
                throw CliError("waiting for the camera to come back",
                               std::vector<int32_t>{RZ_ERR_DEVICE_UNAVAILABLE});
            }
            // A new camera object over the camera that is back: the old one saves the settings
            // as it goes, the new one loads them and writes them to the sensor.
            session.reset();
            session = std::make_unique<Session>(context.global, out);
            start();
            stats.errors.clear();
            stats.endCode = 0;
            ++reconnects;
            out.Note("rezive-cam: the camera is back; previewing again");
            continue;
        }
        if (stats.Fatal()) break;
        // The user closed the window (at any time since the start, however soon): that ends the
        // preview as Ctrl-C does.
        if (options.show && RzGetPreviewWindow(session->Handle()) == 0) {
            closed = true;
            break;
        }
        if (timeUp()) break;
        if (StreamStats::Clock::now() - lastStatus >= std::chrono::milliseconds(500)) {
            out.Progress(StatusLine(stats));
            lastStatus = StreamStats::Clock::now();
        }
    }
    out.FinishProgress();
    Rezive_StopPreview(session->Handle());
    // Read after the stop: frames still in the ring then count as skipped, so every frame the
    // camera sent is accounted for. After a reconnection they are the new camera object's.
    const RzStreamStats counts = ReadFrameCounts(session->Handle());
    if (stats.Fatal()) {
        std::vector<int32_t> codes = stats.FatalCodes();
        throw CliError("previewing", std::move(codes));
    }

    Json document = Json::MakeObject();
    document.Set("frames", stats.frames);
    document.Set("seconds", stats.SecondsSinceStart());
    document.Set("delivered_fps", stats.DeliveredRate());
    document.Set("camera_fps", stats.cameraRate10 / 10.0);
    document.Set("failed_frames", stats.failedFrames);
    document.Set("window", !options.noWindow);
    document.Set("window_closed", closed);
    if (options.reconnect) document.Set("reconnects", reconnects);
    document.Set("stream", FrameCountsJson(counts));
    out.Result(document, StatusLine(stats) + "\n" + FrameCountsLine(counts, false) + "\n");
    return 0;
}

}  // namespace

Command AddPreviewCommand(CLI::App& app) {
    auto options = std::make_shared<PreviewOptions>();
    CLI::App* command = app.add_subcommand(
        "preview", "Run the live preview and show the frame rate, until Ctrl-C or --duration");
    command->add_option("--duration", options->duration, "stop after this time, e.g. 10s");
    command->add_flag("--no-window", options->noWindow, "do not open the preview window");
    command->add_flag("--show", options->show,
                      "show the preview window on the display; closing it ends the preview");
    command->add_flag("--reconnect", options->reconnect,
                      "when the camera goes away, wait for it and resume on it with its settings");
    AddAcquireOptions(*command, options->acquire);
    return {command, [options](Context& context, Output& out) {
                return RunPreview(*options, context, out);
            }};
}

}  // namespace rezive::cli
