// The pointer query as GDK sees it from this module. GDK reads the button, modifier and group
// state that XIQueryPointer hands back even when the query failed, and on a broken connection
// every query fails, leaving that state as whatever was on the stack: the next crossing or
// tooltip after the X server went would crash the application in GDK. The module defines the
// query itself, ahead of libXi in the lookup order of the toolkit it loads, and answers a failed
// or no longer possible query with an empty state. An application that links the toolkit
// itself resolves the query to its own libXi; its display loss was never this module's to
// survive (it keeps its own handlers).
#include <X11/extensions/XInput2.h>
#include <dlfcn.h>

#include "gtk_toolkit.h"

namespace {

using QueryPointer = Bool (*)(Display*, int, Window, Window*, Window*, double*, double*, double*,
                              double*, XIButtonState*, XIModifierState*, XIGroupState*);

QueryPointer RealQuery() {
    static const QueryPointer real =
        reinterpret_cast<QueryPointer>(dlsym(RTLD_NEXT, "XIQueryPointer"));
    return real;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) Bool XIQueryPointer(
    Display* display, int device, Window window, Window* root, Window* child, double* rootX,
    double* rootY, double* winX, double* winY, XIButtonState* buttons, XIModifierState* mods,
    XIGroupState* group) {
    const QueryPointer real = RealQuery();
    if (real != nullptr && !rezive::gtk::DisplayGone() &&
        real(display, device, window, root, child, rootX, rootY, winX, winY, buttons, mods, group))
        return True;
    // Nothing is known about the pointer: no buttons down, no modifiers, at the window's origin.
    if (root != nullptr) *root = None;
    if (child != nullptr) *child = None;
    for (double* d : {rootX, rootY, winX, winY})
        if (d != nullptr) *d = 0.0;
    if (buttons != nullptr) *buttons = XIButtonState{0, nullptr};
    if (mods != nullptr) *mods = XIModifierState{0, 0, 0, 0};
    if (group != nullptr) *group = XIGroupState{0, 0, 0, 0};
    return False;
}
