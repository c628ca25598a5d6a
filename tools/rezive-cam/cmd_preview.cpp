// preview: the live preview, with the frame rate on the terminal, until Ctrl-C or --duration (or,
// with --show, until the user closes the window on the display).
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

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
    AcquireOptions acquire;
};

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
    Session session(context.global, out);
    ApplyAcquireOptions(session, out, options.acquire);
    const RzHandle h = session.Handle();
    if (options.noWindow) {
        // An empty preview rectangle without a parent asks for no window at all.
        session.Check(Rezive_SetPreviewWindow(h, 0, 0, 0, 0, 0), "turning the window off");
    }
    session.ClearErrors();
    session.Check(Rezive_CallBackPreview(h, session.Window(), nullptr, 0, 1),
                  "starting the preview");
    if (!durationMs) out.Note("rezive-cam: previewing; press Ctrl-C to stop");

    StreamStats stats;
    auto lastStatus = StreamStats::Clock::now();
    bool closed = false;
    while (!Interrupted()) {
        PumpMessage(session, 100, stats);
        if (stats.Fatal()) break;
        // The user closed the window (at any time since the start, however soon): that ends the
        // preview as Ctrl-C does.
        if (options.show && RzGetPreviewWindow(h) == 0) {
            closed = true;
            break;
        }
        if (durationMs && stats.SecondsSinceStart() * 1000.0 >= *durationMs) break;
        if (StreamStats::Clock::now() - lastStatus >= std::chrono::milliseconds(500)) {
            out.Progress(StatusLine(stats));
            lastStatus = StreamStats::Clock::now();
        }
    }
    out.FinishProgress();
    Rezive_StopPreview(h);
    // Read after the stop: frames still in the ring then count as skipped, so every frame the
    // camera sent is accounted for.
    const RzStreamStats counts = ReadFrameCounts(h);
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
    AddAcquireOptions(*command, options->acquire);
    return {command, [options](Context& context, Output& out) {
                return RunPreview(*options, context, out);
            }};
}

}  // namespace rezive::cli
