// The native widgets of one dialog: built from its description, kept in step with the model's
// state, and reporting what the user does as control events.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialog_layout.h"
#include "platform/dialog_view.h"

namespace rezive::gtk {

// Widgets carry the name "rezive-control-N" (N the control's index; an up-down's arrows end in
// "-up" and "-down"), so that tests and accessibility tools can find them.
std::string ControlWidgetName(int32_t index);

class DialogWidgets {
public:
    using Report = std::function<void(const platform::ControlEvent&)>;

    DialogWidgets(const platform::DialogDescription& description, Report report);
    ~DialogWidgets();
    DialogWidgets(const DialogWidgets&) = delete;
    DialogWidgets& operator=(const DialogWidgets&) = delete;

    GtkWidget* Window() const { return window_; }

    // Shows the model's state of these controls (and the pages' visibility); none of it is
    // reported back as a user's event.
    void Apply(const std::vector<int32_t>& controls, bool pages);
    void ApplyAll();

    // Destroys the window; the widgets are gone after this.
    void Destroy();

private:
    struct Slot {
        DialogWidgets* owner = nullptr;
        int32_t index = 0;
        GtkWidget* widget = nullptr;  // the control's own widget (for an up-down: its box)
        GtkWidget* label = nullptr;   // a group box's caption
        GtkWidget* none = nullptr;    // a radio group's hidden member: no button checked
        int32_t upDown = -1;          // an edit's up-down, which its arrow keys step
        std::vector<std::string> items;
    };

    void Build();
    FontUnits MeasureFont() const;
    std::vector<PixelRect> Layout(const FontUnits& units) const;
    GtkWidget* Create(Slot& slot, int32_t index);
    void Place(int32_t index, GtkWidget* widget, const PixelRect& rect);
    void ApplyControl(int32_t index);
    void ApplyPages();
    void Emit(const platform::ControlEvent& event);

    static void OnEntryChanged(GtkEditable*, gpointer slot);
    static void OnComboChanged(GtkComboBox*, gpointer slot);
    static void OnSwitchPage(GtkNotebook*, GtkWidget*, guint page, gpointer slot);
    static void OnValueChanged(GtkRange*, gpointer slot);
    static void OnStepUp(GtkButton*, gpointer slot);
    static void OnStepDown(GtkButton*, gpointer slot);
    static gboolean OnEntryKey(GtkWidget*, GdkEventKey*, gpointer slot);
    static void OnToggled(GtkToggleButton*, gpointer slot);
    static void OnClicked(GtkButton*, gpointer slot);
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
    static gboolean OnWindowKey(GtkWidget*, GdkEventKey*, gpointer self);
    static void OnNotebookAllocated(GtkWidget*, GdkRectangle*, gpointer self);

    const platform::DialogDescription& description_;
    Report report_;
    std::vector<Slot> slots_;
    GtkWidget* window_ = nullptr;
    GtkWidget* frame_ = nullptr;
    GtkWidget* notebook_ = nullptr;
    std::vector<GtkWidget*> pageContents_;  // [p - 1]: page p's controls
    std::vector<PixelRect> rects_;
    int applying_ = 0;  // while above 0, widget signals are the model's doing, not the user's
};

}  // namespace rezive::gtk
