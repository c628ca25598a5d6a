#include "still_files.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli_error.h"
#include "parse.h"
#include "settings_table.h"

namespace rezive::cli {

void AddStillOptions(CLI::App& command, StillOptions& options, const std::string& defaultName) {
    options.output = defaultName;
    command.add_option("-o,--output", options.output, "image file (numbered for a series)")
        ->capture_default_str();
    command.add_option("--format", options.format,
                       "bmp, raw, jpeg, jpeg-normal, jpeg-low, png or tiff (default: from the "
                       "file name)")
        ->check(CLI::IsMember({"bmp", "raw", "jpeg", "jpeg-normal", "jpeg-low", "png", "tiff"}));
    command
        .add_option("--png-level", options.pngLevel,
                    "PNG compression: 1 (fastest) to 9 (smallest file), 0 uncompressed, -1 "
                    "libpng's default; the pixels are the same at every level")
        ->check(CLI::Range(RZ_PNG_LEVEL_DEFAULT, RZ_PNG_LEVEL_MAX))
        ->capture_default_str();
}

void ApplyStillOptions(Session& session, const StillOptions& options) {
    session.Check(RzSetPngCompressionLevel(session.Handle(), options.pngLevel),
                  "setting the PNG compression level");
}

int32_t ResolveFileFormat(const StillOptions& options) {
    if (!options.format.empty()) {
        if (auto format = FileFormatByName(options.format)) return *format;
    }
    if (auto format = FileFormatByExtension(options.output)) return *format;
    throw CliError("cannot tell the image format of " + options.output +
                       "; give --format or a .bmp/.raw/.jpg/.png/.tif name",
                   kExitUsage);
}

SavedFile SaveCurrentImage(Session& session, const std::string& path, int32_t format) {
    const RzHandle h = session.Handle();
    session.ClearErrors();
    if (Rezive_SaveImage(h, path.c_str(), format) == 0) {
        std::vector<int32_t> codes = session.TakeErrors();
        if (codes.empty()) {
            // The writers give no code when the file itself cannot be written.
            throw CliError("cannot write " + path + " (is the folder there and writable?)");
        }
        throw CliError("saving " + path, std::move(codes));
    }
    SavedFile file{path, format, Rezive_Width(h), Rezive_Height(h), 0};
    const int32_t code = Rezive_GetColorMode(h);
    file.bitsPerPixel = RZ_BITS_OF_COLOR_MODE(code);
    return file;
}

Json SavedFileJson(const SavedFile& file) {
    Json document = Json::MakeObject();
    document.Set("path", file.path);
    document.Set("format", FileFormatName(file.format));
    document.Set("width", file.width);
    document.Set("height", file.height);
    document.Set("bits_per_pixel", file.bitsPerPixel);
    return document;
}

std::string SavedFileText(const SavedFile& file) {
    char line[1024];
    std::snprintf(line, sizeof line, "saved %s (%s, %d x %d, %d bits per pixel)\n",
                  file.path.c_str(), FileFormatName(file.format), file.width, file.height,
                  file.bitsPerPixel);
    return line;
}

}  // namespace rezive::cli

namespace rezive::cli {

void SavedSeries::Save(Session& session, const StillOptions& options, int32_t k, int32_t count,
                       int32_t format) {
    const std::string path = count > 1 ? NumberedName(options.output, k) : options.output;
    const SavedFile file = SaveCurrentImage(session, path, format);
    files_.Push(SavedFileJson(file));
    text_ += SavedFileText(file);
}

int SavedSeries::Report(Output& out, bool interrupted) {
    Json document = Json::MakeObject();
    document.Set("files", std::move(files_));
    document.Set("interrupted", interrupted);
    out.Result(document, text_);
    return interrupted ? kExitInterrupted : 0;
}

}  // namespace rezive::cli
