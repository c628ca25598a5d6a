// rezive-cam: the command-line tool of the camera SDK. It uses the public C API only.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>

#include "cli_error.h"
#include "commands.h"
#include "error_names.h"

using namespace rezive::cli;

namespace {

void PrintFailure(const CliError& error, const Output& out) {
    Json document = Json::MakeObject();
    Json failure = Json::MakeObject();
    if (error.Codes().empty()) {
        std::fprintf(stderr, "error: %s\n", error.what());
        failure.Set("code", nullptr);
        failure.Set("message", error.what());
    } else {
        // The first code is the cause; later ones are what the calling operations added.
        std::fprintf(stderr, "error %d: %s (%s)\n", error.Code(), ErrorMeaning(error.Code()),
                     error.what());
        if (!error.Cause().empty()) std::fprintf(stderr, "  cause: %s\n", error.Cause().c_str());
        if (!error.Hint().empty()) std::fprintf(stderr, "  hint: %s\n", error.Hint().c_str());
        for (size_t k = 1; k < error.Codes().size(); ++k) {
            if (error.Codes()[k] == error.Code()) continue;
            std::fprintf(stderr, "  then error %d: %s\n", error.Codes()[k],
                         ErrorMeaning(error.Codes()[k]));
        }
        failure.Set("code", error.Code());
        failure.Set("meaning", ErrorMeaning(error.Code()));
        failure.Set("while", error.what());
        if (!error.Cause().empty()) failure.Set("cause", error.Cause());
        if (!error.Hint().empty()) failure.Set("hint", error.Hint());
        Json codes = Json::MakeArray();
        for (const int32_t code : error.Codes()) codes.Push(code);
        failure.Set("codes", std::move(codes));
    }
    if (out.Json()) {
        document.Set("error", std::move(failure));
        std::printf("%s\n", document.Dump().c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"rezive-cam: capture, record and set up 417DIR cameras (the virtual camera when "
                 "none is attached)",
                 "rezive-cam"};
    app.require_subcommand(1);
    app.fallthrough();  // global options may also follow the subcommand
    Context context;
    app.add_option("--device", context.global.device, "camera slot (see list)")
        ->check(CLI::NonNegativeNumber);
    app.add_flag("--virtual", context.global.useVirtual,
                 "use the virtual camera, on purpose, whatever is attached");
    app.add_flag("--json", context.global.json, "machine-readable output (one JSON document)");
    app.add_flag("-q,--quiet", context.global.quiet, "no notes or progress on standard error");
    app.add_flag("-v,--verbose", context.global.verbose, "more detail on standard error");
    app.set_version_flag("--version", std::string("rezive-cam ") + REZIVE_CAM_VERSION);
    app.footer(
        "The virtual camera stands in only when no camera is attached at all (no USB device of "
        "the id table, no /dev/Daro417DIRVUD-* node), and the tool says so. A camera that is "
        "attached but cannot be opened is an error with its cause (exit 2), never replaced: "
        "--virtual uses the virtual camera on purpose.\n"
        "Every failure prints \"error N: meaning\" and exits with N (the SDK error code), 64 "
        "for a bad command line, 65 when the library gave no code, 130 after Ctrl-C.\n"
        "Settings are kept in $XDG_CONFIG_HOME/Ruredo/Rezive417DIRVUDSdk.reg "
        "(or REZIVE_SETTINGS_FILE).");

    const Command commands[] = {
        AddListCommand(app),     AddInfoCommand(app),    AddSnapshotCommand(app),
        AddRecordCommand(app),   AddPreviewCommand(app), AddTriggerCommand(app),
        AddGetCommand(app),      AddSetCommand(app),     AddLoadDefectsCommand(app),
        AddDialogCommand(app),
    };

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : kExitUsage;
    }

    const Output::Level level = context.global.quiet     ? Output::Level::kQuiet
                                : context.global.verbose ? Output::Level::kVerbose
                                                         : Output::Level::kNormal;
    Output out(context.global.json, level);
    InstallInterruptHandler();
    for (const Command& command : commands) {
        if (!command.app->parsed()) continue;
        try {
            return command.run(context, out);
        } catch (const CliError& error) {
            PrintFailure(error, out);
            return error.ExitStatus();
        } catch (const std::exception& error) {
            PrintFailure(CliError(error.what()), out);
            return kExitNoCode;
        }
    }
    return kExitUsage;
}
