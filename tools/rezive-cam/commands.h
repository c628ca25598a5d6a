// The subcommands of rezive-cam. Each Add function declares its subcommand with its options on
// the application and returns how to run it once the command line has been parsed.
#pragma once

#include <functional>

#include "output.h"
#include "session.h"

namespace CLI {
class App;
}

namespace rezive::cli {

struct Context {
    GlobalOptions global;
};

struct Command {
    CLI::App* app = nullptr;
    // Runs the command; returns the exit status (failures are thrown as CliError).
    std::function<int(Context&, Output&)> run;
};

Command AddListCommand(CLI::App& app);
Command AddInfoCommand(CLI::App& app);
Command AddSnapshotCommand(CLI::App& app);
Command AddRecordCommand(CLI::App& app);
Command AddPreviewCommand(CLI::App& app);
Command AddTriggerCommand(CLI::App& app);
Command AddGetCommand(CLI::App& app);
Command AddSetCommand(CLI::App& app);
Command AddLoadDefectsCommand(CLI::App& app);
Command AddDialogCommand(CLI::App& app);

}  // namespace rezive::cli
