// snapshot: one still image, or a numbered series, from single frames.
#include <CLI/CLI.hpp>

#include <memory>

#include "acquire_options.h"
#include "cli_error.h"
#include "commands.h"
#include "parse.h"
#include "still_files.h"

namespace rezive::cli {
namespace {

struct SnapshotOptions {
    StillOptions still;
    AcquireOptions acquire;
    int32_t count = 1;
};

int RunSnapshot(const SnapshotOptions& options, Context& context, Output& out) {
    const int32_t format = ResolveFileFormat(options.still);
    Session session(context.global, out);
    ApplyAcquireOptions(session, out, options.acquire);
    ApplyStillOptions(session, options.still);
    const RzHandle h = session.Handle();
    if (options.count > 1) {
        // Capture mode keeps the camera prepared between the shots of a series.
        session.Check(Rezive_Capture(h), "preparing the camera for a series");
    }
    SavedSeries series;
    bool interrupted = false;
    for (int32_t k = 1; k <= options.count; ++k) {
        if (Interrupted()) {
            interrupted = true;
            break;
        }
        session.ClearErrors();
        session.Check(Rezive_SnapShot(h, nullptr, 0, 1), "taking a snapshot");
        series.Save(session, options.still, k, options.count, format);
    }
    if (options.count > 1) Rezive_StopPreview(h);
    return series.Report(out, interrupted);
}

}  // namespace

Command AddSnapshotCommand(CLI::App& app) {
    auto options = std::make_shared<SnapshotOptions>();
    CLI::App* command = app.add_subcommand("snapshot", "Save a still image (or a numbered series)");
    AddStillOptions(*command, options->still, "snapshot.png");
    command->add_option("--count", options->count, "number of images; names get -0001, -0002, ...")
        ->check(CLI::Range(1, 1000000));
    AddAcquireOptions(*command, options->acquire);
    return {command, [options](Context& context, Output& out) {
                return RunSnapshot(*options, context, out);
            }};
}

}  // namespace rezive::cli
