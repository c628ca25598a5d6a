// Whole-file text access and line-ending helpers for tests of files the library reads and writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

namespace rezive::test {

// The whole file as bytes in a string (empty when it cannot be read).
inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Writes text to path as it is, replacing the file.
inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The names of the entries of a folder.
inline std::set<std::string> FolderEntries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// The text with every LF turned into CR LF, the line ending settings files are written with.
inline std::string Crlf(std::string_view lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace rezive::test
