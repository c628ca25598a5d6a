// Per-process isolation for tests: a private settings file, shared-memory name and temp folder.
#pragma once

#include <string>

namespace rezive::test {

// Folder private to this test process (created on first use, removed at exit).
const std::string& TempDir();

// A fresh path inside TempDir() with the given suffix.
std::string TempPath(const std::string& suffix);

// Points REZIVE_SHARED_NAME and REZIVE_SETTINGS_FILE at private values for this process, and
// hides DISPLAY so that preview windows stay headless.
void IsolateProcess();

// The display this process was started with (empty when none), for tests of the X11 presenter.
std::string TestDisplay();

}  // namespace rezive::test
