// Saving the camera's current image, shared by snapshot and trigger.
#pragma once

#include <cstdint>
#include <string>

#include "json.h"
#include "session.h"

namespace CLI {
class App;
}

namespace rezive::cli {

struct StillOptions {
    std::string output;
    std::string format;  // --format name; empty: guessed from the file name
    int32_t pngLevel = RZ_PNG_LEVEL_DEFAULT;
};

void AddStillOptions(CLI::App& command, StillOptions& options, const std::string& defaultName);
// Gives the camera what the options say about its files (the PNG compression level).
void ApplyStillOptions(Session& session, const StillOptions& options);
// The SDK file type of the options; a usage error when neither --format nor the name tells.
int32_t ResolveFileFormat(const StillOptions& options);

struct SavedFile {
    std::string path;
    int32_t format;
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
};

// Saves the current image; failures throw CliError.
SavedFile SaveCurrentImage(Session& session, const std::string& path, int32_t format);
Json SavedFileJson(const SavedFile& file);
std::string SavedFileText(const SavedFile& file);

// The files of a snapshot or trigger run, saved one by one and reported together.
class SavedSeries {
public:
    // Saves the current image as image k of count (numbered names when count > 1).
    void Save(Session& session, const StillOptions& options, int32_t k, int32_t count,
              int32_t format);
    // Prints the result ("files" and "interrupted" in JSON) and returns the exit status.
    int Report(Output& out, bool interrupted);

private:
    Json files_ = Json::MakeArray();
    std::string text_;
};

}  // namespace rezive::cli
