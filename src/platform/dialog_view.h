// The boundary between a property dialog's model (its controls, their state and what each event
// does, all toolkit-free) and a view that shows it on a display (the GTK presenter module). The
// model lives above this layer; the view sees only what is declared here.
//
// Threads: a dialog has one thread, the one that asked for it. DialogView::Run, and every
// DialogHost call except Wake-up and Ended, happen on that thread. Other threads (scripting
// calls, the acquisition worker) never touch a view: they queue work with the host, which calls
// the wake-up function the view installed, and the view's loop then calls RunQueued.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rezive::platform {

enum class ControlKind : uint8_t {
    Tab,          // tab control: items are the tab labels; selection is the tab shown
    GroupBox,     // a frame with a caption around other controls
    Static,       // a label
    DropDown,     // a drop-down list: items, selection (-1 for none)
    Edit,         // a one-line text field
    Trackbar,     // a horizontal slider: minimum..maximum, position, page size
    UpDown,       // two arrows that step the number in its buddy edit within minimum..maximum
    CheckBox,
    RadioButton,  // consecutive radio buttons of one page form a group
    PushButton,
};

// One control as the model holds it. Positions and sizes are in dialog units (a quarter of the
// font's average character width across, an eighth of its height down), relative to the frame,
// or to the page's origin for controls on a page.
struct DialogControl {
    int32_t id = -1;  // -1 for controls the model never addresses (labels, group boxes)
    ControlKind kind = ControlKind::Static;
    int32_t page = 0;  // 0: the frame itself; n > 0: page n, shown inside the tab control
    int16_t x = 0;
    int16_t y = 0;
    int16_t width = 0;
    int16_t height = 0;
    std::string text;  // UTF-8; for an edit its content
    // Styles, fixed by the template.
    bool readOnly = false;       // edit
    bool defaultButton = false;  // push button pressed by Enter
    bool ownerDrawn = false;     // tab control drawn by the dialog itself (plain, button-face)
    int32_t buddy = -1;          // up-down: index (in DialogDescription::controls) of its edit
    // State, changed by the model.
    bool enabled = true;
    bool checked = false;  // check box, radio button
    int32_t minimum = 0;   // trackbar, up-down
    int32_t maximum = 0;
    int32_t pageSize = 0;  // trackbar
    int32_t position = 0;  // trackbar, up-down
    std::vector<std::string> items;  // drop-down, tab
    int32_t selection = -1;          // drop-down, tab
};

// A page is a child window of the tab control; tab i (0-based) shows page i + 1.
struct DialogPage {
    int16_t width = 0;  // dialog units
    int16_t height = 0;
    int16_t originX = 30;  // pixels inside the tab control's client area
    int16_t originY = 25;
    bool visible = false;
};

struct DialogDescription {
    std::string caption;  // UTF-8 window title
    int16_t width = 0;    // dialog units
    int16_t height = 0;
    std::vector<DialogControl> controls;
    std::vector<DialogPage> pages;  // pages[0] is page 1
};

// What the user did, reported by the view; `control` is an index into the controls.
enum class ControlEventKind : uint8_t {
    TextChanged,       // edit: text is the new content
    SelectionChanged,  // drop-down or tab: value is the new selection
    Clicked,           // push button, check box (the model toggles it), radio button
    Scrolled,          // trackbar: value is the new position
    Stepped,           // up-down: value is +1 or -1
    Close,             // the window's close box or Escape: the dialog cancels
};

struct ControlEvent {
    int32_t control = -1;
    ControlEventKind kind = ControlEventKind::Clicked;
    int32_t value = 0;
    std::string text;
};

// The model side of a shown dialog.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    // Stays valid, with the same controls in the same order, while the dialog is shown; only the
    // state fields change, and only on the dialog's thread.
    virtual const DialogDescription& Description() const = 0;
    // The view shows the dialog: the model runs the application's dialog hook, if any.
    virtual void Opened() = 0;
    // A user action. The model updates the control's state itself (and any control its handler
    // changes); the view then applies TakeChanges. The view must not report its own updates
    // (setting an entry's text from the model is not a user's TextChanged).
    virtual void Handle(const ControlEvent& event) = 0;
    // Indices of the controls, and whether page visibility, changed since the last call.
    virtual std::vector<int32_t> TakeChanges(bool* pagesChanged) = 0;
    // Runs the work other threads queued for this dialog.
    virtual void RunQueued() = 0;
    // True once the dialog has an end result; the view then closes its window and returns.
    // Any thread.
    virtual bool Ended() const = 0;
    // Called by the host from any thread whenever work is queued or the dialog ends; the view
    // passes an empty function before it returns from Run.
    virtual void SetWakeup(std::function<void()> wakeup) = 0;
};

// A display that can show dialogs. Run shows the dialog modally, over the native window parent
// when it is not 0 (else centred on the screen), and returns when host.Ended() holds. It returns
// false without showing anything when it cannot show the dialog here (for example, called on a
// thread other than the one that runs the toolkit), with the reason in *why.
class DialogView {
public:
    virtual ~DialogView() = default;
    virtual bool Run(DialogHost& host, uint64_t parent, std::string* why) = 0;
};

// The dialog module's entry point, looked up by this name. Returns a view owned by the caller,
// or null with a one-line reason in note (no display, toolkit fails to start).
inline constexpr uint32_t kDialogViewAbi = 1;
using CreateDialogViewFunction = DialogView* (*)(uint32_t abi, char* note, size_t noteSize);
inline constexpr const char* kCreateDialogViewSymbol = "rezive_create_dialog_view";

// Sets the view explicitly (null: none, dialogs run only through the application's hook); no
// module is loaded after that. Tests use it to put a view of their own in.
void SetDialogView(std::shared_ptr<DialogView> view);
// The view in use: on first need the GTK dialog module is loaded when a display is configured
// (DISPLAY or WAYLAND_DISPLAY, unless REZIVE_PRESENTER=headless) and it starts; null otherwise.
std::shared_ptr<DialogView> CurrentDialogView();

}  // namespace rezive::platform
