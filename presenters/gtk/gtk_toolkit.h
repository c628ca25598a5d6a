// The toolkit as this module shares it with the application: started once, on one thread, and
// only ever touched from the thread that runs it.
#pragma once

#include <string>

namespace rezive::gtk {

// Starts the toolkit on the calling thread unless the application already runs it; false with
// the reason in *why when no display can be opened. Once started it stays up for the process.
bool StartToolkit(std::string* why);

// While alive on a thread that may run dialogs, that thread owns the toolkit's main context;
// Held() is false (with the reason) on any other thread, or once the display has gone.
class ToolkitThread {
public:
    ToolkitThread();
    ~ToolkitThread();
    ToolkitThread(const ToolkitThread&) = delete;
    ToolkitThread& operator=(const ToolkitThread&) = delete;
    bool Held() const { return held_; }
    const std::string& Why() const { return why_; }

private:
    bool held_ = false;
    std::string why_;
};

// True once the connection to the display has broken; the toolkit then is a husk that must
// not be asked to show anything again.
bool DisplayGone();

}  // namespace rezive::gtk
