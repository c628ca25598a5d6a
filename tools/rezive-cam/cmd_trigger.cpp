// trigger: frames on the camera's software trigger, each saved as an image.
#include <CLI/CLI.hpp>

#include <chrono>
#include <memory>

#include "acquire_options.h"
#include "cli_error.h"
#include "commands.h"
#include "frame_stream.h"
#include "parse.h"
#include "still_files.h"

namespace rezive::cli {
namespace {

struct TriggerOptions {
    StillOptions still;
    AcquireOptions acquire;
    int32_t count = 1;
    std::string timeout = "10s";
};

// A pulse that comes before the camera waits for it can be lost; the tool pulses again when
// no frame followed within this time.
constexpr auto kRetriggerAfter = std::chrono::milliseconds(1000);

int RunTrigger(const TriggerOptions& options, Context& context, Output& out) {
    const int32_t format = ResolveFileFormat(options.still);
    const auto timeoutMs = ParseDurationMs(options.timeout);
    if (!timeoutMs || *timeoutMs == 0) {
        throw CliError("--timeout takes a time like 10s or 500ms", kExitUsage);
    }
    Session session(context.global, out);
    ApplyAcquireOptions(session, out, options.acquire);
    ApplyStillOptions(session, options.still);
    const RzHandle h = session.Handle();
    // Triggered acquisition would open the preview window; this tool only saves the frames.
    session.Check(Rezive_SetPreviewWindow(h, 0, 0, 0, 0, 0), "turning the window off");
    session.ClearErrors();
    session.Check(Rezive_Trigger(h, session.Window(), nullptr, 0, 1),
                  "starting triggered acquisition");

    SavedSeries series;
    bool interrupted = false;
    StreamStats stats;
    for (int32_t k = 1; k <= options.count && !interrupted; ++k) {
        const auto deadline =
            StreamStats::Clock::now() + std::chrono::milliseconds(*timeoutMs);
        const int64_t before = stats.frames;
        while (stats.frames == before) {
            if (Interrupted()) {
                interrupted = true;
                break;
            }
            const auto now = StreamStats::Clock::now();
            if (now >= deadline) {
                Rezive_StopPreview(h);
                throw CliError("no frame within " + options.timeout + " of the software trigger");
            }
            session.Check(RzSoftwareTrigger(h), "firing the software trigger");
            const auto retrigger = std::min(deadline, now + kRetriggerAfter);
            while (stats.frames == before && StreamStats::Clock::now() < retrigger &&
                   !Interrupted()) {
                PumpMessage(session, 50, stats);
                if (stats.Fatal()) {
                    Rezive_StopPreview(h);
                    throw CliError("waiting for a triggered frame", stats.FatalCodes());
                }
            }
        }
        if (interrupted) break;
        // The next frame only comes on the next pulse, so the image stays put while saving.
        series.Save(session, options.still, k, options.count, format);
    }
    Rezive_StopPreview(h);
    return series.Report(out, interrupted);
}

}  // namespace

Command AddTriggerCommand(CLI::App& app) {
    auto options = std::make_shared<TriggerOptions>();
    CLI::App* command = app.add_subcommand(
        "trigger", "Fire the software trigger and save each triggered frame");
    AddStillOptions(*command, options->still, "trigger.png");
    command->add_option("--count", options->count, "number of triggered frames")
        ->check(CLI::Range(1, 1000000));
    command->add_option("--timeout", options->timeout, "longest wait for each frame")
        ->capture_default_str();
    AddAcquireOptions(*command, options->acquire);
    return {command, [options](Context& context, Output& out) {
                return RunTrigger(*options, context, out);
            }};
}

}  // namespace rezive::cli
