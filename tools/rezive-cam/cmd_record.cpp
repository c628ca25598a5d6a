// record: an AVI file of the live preview for a given time.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <memory>

#include "acquire_options.h"
#include "avi_header.h"
#include "cli_error.h"
#include "commands.h"
#include "frame_counts.h"
#include "frame_stream.h"
#include "parse.h"

namespace rezive::cli {
namespace {

struct RecordOptions {
    std::string output;
    std::string duration = "3s";
    bool showWindow = false;
    AcquireOptions acquire;
};

// How long after the duration the tool waits for the recorder to finish the file by itself
// before it stops the preview (which finishes the file with the frames so far).
constexpr double kFinishGraceSeconds = 5.0;
// With no frame at all the library ends the preview after 6 s; this is the tool's own limit.
constexpr double kFirstFrameLimitSeconds = 15.0;

std::string ProgressLine(const StreamStats& stats, double durationSeconds) {
    char line[160];
    std::snprintf(line, sizeof line, "recording: %lld frames  %.1f / %.1f s  %.1f fps",
                  static_cast<long long>(stats.frames), stats.SecondsSinceFirstFrame(),
                  durationSeconds, stats.DeliveredRate());
    return line;
}

int RunRecord(const RecordOptions& options, Context& context, Output& out) {
    const auto durationMs = ParseDurationMs(options.duration);
    if (!durationMs) {
        throw CliError("--duration takes a time like 3s, 2.5s or 500ms", kExitUsage);
    }
    ChooseDisplay(options.showWindow, out);
    Session session(context.global, out);
    ApplyAcquireOptions(session, out, options.acquire);
    const RzHandle h = session.Handle();
    session.ClearErrors();
    session.Check(Rezive_Record(h, options.output.c_str(), *durationMs, options.showWindow ? 1 : 0),
                  "starting the recording to " + options.output);
    // Recording runs on a preview; the callback target (cleared by Rezive_Record) brings its
    // frame messages to this tool without restarting anything.
    session.Check(Rezive_CallBackPreview(h, session.Window(), nullptr, 0, 1),
                  "receiving frame messages");

    const double durationSeconds = *durationMs / 1000.0;
    StreamStats stats;
    bool interrupted = false;
    bool windowClosed = false;
    auto lastProgress = StreamStats::Clock::time_point{};
    while (true) {
        PumpMessage(session, 100, stats);
        // Closing the shown window ends the recording early, as Ctrl-C does.
        if (Interrupted() || (options.showWindow && RzGetPreviewWindow(h) == 0)) {
            interrupted = true;
            windowClosed = !Interrupted();
            break;
        }
        if (stats.Fatal()) break;
        if (stats.frames == 0) {
            if (stats.SecondsSinceStart() > kFirstFrameLimitSeconds) break;
            continue;
        }
        if (StreamStats::Clock::now() - lastProgress >= std::chrono::milliseconds(200)) {
            out.Progress(ProgressLine(stats, durationSeconds));
            lastProgress = StreamStats::Clock::now();
        }
        // The library says when its recording has ended (and the file is finished).
        if (ReadFrameCounts(h).recording == 0) break;
        if (stats.SecondsSinceFirstFrame() >= durationSeconds + kFinishGraceSeconds) break;
    }
    out.FinishProgress();
    // Stopping the preview ends a recording that is still running and finishes its file.
    Rezive_StopPreview(h);
    const RzStreamStats counts = ReadFrameCounts(h);
    if (stats.Fatal()) {
        std::vector<int32_t> codes = stats.FatalCodes();
        throw CliError("recording to " + options.output, std::move(codes));
    }
    if (stats.frames == 0 && !interrupted) {
        throw CliError("no frame arrived within " + std::to_string(int(kFirstFrameLimitSeconds)) +
                       " s while recording to " + options.output);
    }
    const auto summary = ReadAviSummary(options.output);
    if (!summary) throw CliError(options.output + " was not finished as an AVI file");

    Json document = Json::MakeObject();
    document.Set("path", options.output);
    document.Set("frames", summary->frames);
    document.Set("width", summary->width);
    document.Set("height", summary->height);
    document.Set("frames_per_second", summary->framesPerSecond);
    document.Set("duration_ms", *durationMs);
    document.Set("bytes", static_cast<int64_t>(summary->fileBytes));
    document.Set("interrupted", interrupted);
    document.Set("window_closed", windowClosed);
    document.Set("stream", FrameCountsJson(counts));
    char text[1024];
    std::snprintf(text, sizeof text, "recorded %s: %u frames, %d x %d, %.1f fps, %.1f MB%s\n",
                  options.output.c_str(), summary->frames, summary->width, summary->height,
                  summary->framesPerSecond, summary->fileBytes / 1e6,
                  interrupted ? " (interrupted)" : "");
    out.Result(document, std::string(text) + FrameCountsLine(counts, true) + "\n");
    // The user closing the window asked for the end: a finished file, not an interruption.
    return interrupted && !windowClosed ? kExitInterrupted : 0;
}

}  // namespace

Command AddRecordCommand(CLI::App& app) {
    auto options = std::make_shared<RecordOptions>();
    CLI::App* command = app.add_subcommand(
        "record", "Record the live preview into an uncompressed AVI file (Ctrl-C ends it early)");
    command->add_option("-o,--output", options->output, "AVI file to write")->required();
    command->add_option("--duration", options->duration, "length, e.g. 3s, 2.5s, 500ms")
        ->capture_default_str();
    command->add_flag("--show,--show-window", options->showWindow,
                      "show the preview window on the display while recording; closing it ends "
                      "the recording early");
    AddAcquireOptions(*command, options->acquire);
    return {command, [options](Context& context, Output& out) {
                return RunRecord(*options, context, out);
            }};
}

}  // namespace rezive::cli
