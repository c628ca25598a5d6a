#include "gtk_controls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rezive::gtk {
namespace {

using platform::ControlEvent;
using platform::ControlEventKind;
using platform::ControlKind;
using platform::DialogControl;

// The toolkit's default widgets are sized for touch; dialog templates give a control about one
// line of text, so paddings and minimum sizes shrink inside these windows only.
constexpr const char* kCompactStyle = R"css(
.rezive-dialog entry { min-height: 0; padding-top: 0; padding-bottom: 0; padding-left: 3px; padding-right: 3px; }
.rezive-dialog button { min-height: 0; min-width: 0; padding: 0 6px; }
.rezive-dialog combobox button { padding: 0 3px; }
.rezive-dialog combobox arrow { min-height: 12px; min-width: 12px; }
.rezive-dialog .rezive-updown button { padding: 0; min-width: 0; min-height: 0; border-radius: 2px; }
.rezive-dialog scale { padding: 0; min-height: 0; }
.rezive-dialog scale trough { min-height: 4px; margin: 0 6px; }
.rezive-dialog scale slider { min-width: 12px; min-height: 12px; margin: -6px; }
.rezive-dialog check, .rezive-dialog radio { min-width: 12px; min-height: 12px; margin: 0 3px 0 0; }
.rezive-dialog checkbutton, .rezive-dialog radiobutton { padding: 0; }
.rezive-dialog notebook tab { min-height: 0; padding: 3px 10px; }
.rezive-dialog frame > border { border-radius: 3px; }
)css";

void InstallStyle() {
    static bool installed = false;
    if (installed) return;
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kCompactStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    installed = true;
}

bool Takes(ControlKind kind) {
    return kind != ControlKind::Static && kind != ControlKind::GroupBox;
}

GtkWidget* NewLabel(const std::string& text) {
    GtkWidget* label = gtk_label_new_with_mnemonic(MnemonicText(text).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_yalign(GTK_LABEL(label), 0);
    return label;
}

GtkWidget* ArrowButton(const char* icon, const std::string& name) {
    GtkWidget* button = gtk_button_new_from_icon_name(icon, GTK_ICON_SIZE_MENU);
    // Two arrows share one edit's height.
    gtk_image_set_pixel_size(GTK_IMAGE(gtk_button_get_image(GTK_BUTTON(button))), 8);
    gtk_widget_set_name(button, name.c_str());
    gtk_widget_set_can_focus(button, FALSE);
    return button;
}

}  // namespace

std::string ControlWidgetName(int32_t index) { return "rezive-control-" + std::to_string(index); }

DialogWidgets::DialogWidgets(const platform::DialogDescription& description, Report report)
    : description_(description), report_(std::move(report)) {
    ++applying_;
    Build();
    --applying_;
}

DialogWidgets::~DialogWidgets() { Destroy(); }

void DialogWidgets::Destroy() {
    for (Slot& slot : slots_) {
        if (slot.none != nullptr) {
            gtk_widget_destroy(slot.none);
            g_object_unref(slot.none);
            slot.none = nullptr;
        }
    }
    if (window_ != nullptr) {
        ++applying_;
        gtk_widget_destroy(window_);
        --applying_;
        window_ = nullptr;
    }
}

FontUnits DialogWidgets::MeasureFont() const {
    // The dialog font's height, and the average width of the letters, as the templates' units
    // were measured on their home system.
    PangoContext* context = gtk_widget_get_pango_context(window_);
    const PangoFontDescription* font = pango_context_get_font_description(context);
    PangoFontMetrics* metrics = pango_context_get_metrics(context, font, nullptr);
    FontUnits units;
    const int height = pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics);
    pango_font_metrics_unref(metrics);
    PangoLayout* layout = pango_layout_new(context);
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    pango_layout_set_text(layout, kLetters, -1);
    int width = 0;
    pango_layout_get_size(layout, &width, nullptr);
    g_object_unref(layout);
    if (width > 0) units.charWidth = static_cast<double>(width) / PANGO_SCALE / (sizeof kLetters - 1);
    if (height > 0) units.charHeight = static_cast<double>(height) / PANGO_SCALE;
    return units;
}

std::vector<PixelRect> DialogWidgets::Layout(const FontUnits& units) const {
    const auto& controls = description_.controls;
    std::vector<PixelRect> rects;
    rects.reserve(controls.size());
    for (const DialogControl& c : controls) rects.push_back(ToPixels(units, c.x, c.y, c.width, c.height));
    for (size_t i = 0; i < controls.size(); ++i) {
        const DialogControl& c = controls[i];
        if (c.kind != ControlKind::UpDown || c.buddy < 0 ||
            static_cast<size_t>(c.buddy) >= controls.size())
            continue;
        const DialogControl& buddy = controls[static_cast<size_t>(c.buddy)];
        if (buddy.kind == ControlKind::Edit && buddy.page == c.page)
            AlignUpDownRight(&rects[static_cast<size_t>(c.buddy)], &rects[i]);
    }
    return rects;
}

void DialogWidgets::Build() {
    InstallStyle();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(window_), "rezive-dialog");
    gtk_window_set_title(GTK_WINDOW(window_), description_.caption.c_str());
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnWindowKey), this);

    const FontUnits units = MeasureFont();
    rects_ = Layout(units);
    const PixelRect size = ToPixels(units, 0, 0, description_.width, description_.height);
    frame_ = gtk_fixed_new();
    gtk_widget_set_size_request(frame_, size.width, size.height);
    gtk_container_add(GTK_CONTAINER(window_), frame_);

    const auto& controls = description_.controls;
    slots_.resize(controls.size());
    // Pages live inside the first tab control; without one they sit on the frame at their origin.
    for (size_t i = 0; i < controls.size() && notebook_ == nullptr; ++i)
        if (controls[i].kind == ControlKind::Tab) notebook_ = gtk_notebook_new();
    for (const platform::DialogPage& page : description_.pages) {
        GtkWidget* content = gtk_fixed_new();
        const PixelRect r = ToPixels(units, 0, 0, page.width, page.height);
        gtk_widget_set_size_request(content, r.width, r.height);
        gtk_widget_set_no_show_all(content, TRUE);
        pageContents_.push_back(content);
    }
    bool notebookPlaced = false;
    for (size_t i = 0; i < controls.size(); ++i) {
        Slot& slot = slots_[i];
        slot.owner = this;
        slot.index = static_cast<int32_t>(i);
        if (controls[i].kind == ControlKind::Tab && !notebookPlaced) {
            slot.widget = notebook_;
            gtk_widget_set_name(notebook_, ControlWidgetName(static_cast<int32_t>(i)).c_str());
            notebookPlaced = true;
        } else {
            slot.widget = Create(slot, static_cast<int32_t>(i));
        }
        Place(static_cast<int32_t>(i), slot.widget, rects_[i]);
    }
    if (notebook_ != nullptr) {
        const DialogControl* tab = nullptr;
        for (const DialogControl& c : controls)
            if (c.kind == ControlKind::Tab) { tab = &c; break; }
        const size_t tabs = std::max(tab->items.size(), pageContents_.size());
        for (size_t t = 0; t < tabs; ++t) {
            GtkWidget* holder = gtk_fixed_new();
            if (t < pageContents_.size()) gtk_fixed_put(GTK_FIXED(holder), pageContents_[t], 0, 0);
            GtkWidget* label = gtk_label_new(t < tab->items.size() ? tab->items[t].c_str() : "");
            gtk_notebook_append_page(GTK_NOTEBOOK(notebook_), holder, label);
        }
        gtk_notebook_set_scrollable(GTK_NOTEBOOK(notebook_), TRUE);
        g_signal_connect_after(notebook_, "size-allocate", G_CALLBACK(OnNotebookAllocated), this);
        const int32_t tabIndex = static_cast<int32_t>(tab - controls.data());
        g_signal_connect_after(notebook_, "switch-page", G_CALLBACK(OnSwitchPage),
                               &slots_[static_cast<size_t>(tabIndex)]);
    } else {
        for (size_t p = 0; p < pageContents_.size(); ++p) {
            const platform::DialogPage& page = description_.pages[p];
            gtk_fixed_put(GTK_FIXED(frame_), pageContents_[p], page.originX, page.originY);
        }
    }
    // A label's mnemonic reaches the next control that takes input, as in any dialog.
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].kind != ControlKind::Static) continue;
        for (size_t j = i + 1; j < controls.size() && controls[j].page == controls[i].page; ++j) {
            if (!Takes(controls[j].kind) || controls[j].kind == ControlKind::UpDown) continue;
            gtk_label_set_mnemonic_widget(GTK_LABEL(slots_[i].widget), slots_[j].widget);
            break;
        }
    }
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].kind == ControlKind::PushButton && controls[i].defaultButton) {
            gtk_widget_set_can_default(slots_[i].widget, TRUE);
            gtk_widget_grab_default(slots_[i].widget);
        }
    ApplyAll();
    // Shown now, so the window's size is known before it is placed; pages wait for ApplyPages.
    gtk_widget_show_all(frame_);
    // One layout before the window is mapped puts the pages at their origin (which depends on
    // the notebook's tabs), so the first picture on screen is already the final one.
    GtkRequisition natural;
    gtk_widget_get_preferred_size(window_, nullptr, &natural);
    GtkAllocation all{0, 0, natural.width, natural.height};
    gtk_widget_size_allocate(window_, &all);
}

GtkWidget* DialogWidgets::Create(Slot& slot, int32_t index) {
    const auto& controls = description_.controls;
    const DialogControl& c = controls[static_cast<size_t>(index)];
    GtkWidget* w = nullptr;
    switch (c.kind) {
    case ControlKind::Tab:  // a second tab control: shown, its pages stay with the first
        w = gtk_notebook_new();
        break;
    case ControlKind::GroupBox:
        w = gtk_frame_new(nullptr);
        slot.label = NewLabel(c.text);
        gtk_frame_set_label_widget(GTK_FRAME(w), slot.label);
        break;
    case ControlKind::Static:
        w = NewLabel(c.text);
        break;
    case ControlKind::DropDown:
        w = gtk_combo_box_text_new();
        g_signal_connect(w, "changed", G_CALLBACK(OnComboChanged), &slot);
        break;
    case ControlKind::Edit:
        w = gtk_entry_new();
        gtk_entry_set_width_chars(GTK_ENTRY(w), 1);
        gtk_entry_set_activates_default(GTK_ENTRY(w), TRUE);
        gtk_editable_set_editable(GTK_EDITABLE(w), !c.readOnly);
        g_signal_connect(w, "changed", G_CALLBACK(OnEntryChanged), &slot);
        g_signal_connect(w, "key-press-event", G_CALLBACK(OnEntryKey), &slot);
        break;
    case ControlKind::Trackbar:
        w = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, nullptr);
        gtk_scale_set_draw_value(GTK_SCALE(w), FALSE);
        gtk_range_set_round_digits(GTK_RANGE(w), 0);
        g_signal_connect(w, "value-changed", G_CALLBACK(OnValueChanged), &slot);
        break;
    case ControlKind::UpDown: {
        w = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        gtk_box_set_homogeneous(GTK_BOX(w), TRUE);
        gtk_style_context_add_class(gtk_widget_get_style_context(w), "rezive-updown");
        const std::string name = ControlWidgetName(index);
        GtkWidget* up = ArrowButton("pan-up-symbolic", name + "-up");
        GtkWidget* down = ArrowButton("pan-down-symbolic", name + "-down");
        gtk_box_pack_start(GTK_BOX(w), up, TRUE, TRUE, 0);
        gtk_box_pack_start(GTK_BOX(w), down, TRUE, TRUE, 0);
        g_signal_connect(up, "clicked", G_CALLBACK(OnStepUp), &slot);
        g_signal_connect(down, "clicked", G_CALLBACK(OnStepDown), &slot);
        if (c.buddy >= 0 && static_cast<size_t>(c.buddy) < controls.size() &&
            controls[static_cast<size_t>(c.buddy)].kind == ControlKind::Edit)
            slots_[static_cast<size_t>(c.buddy)].upDown = index;
        break;
    }
    case ControlKind::CheckBox:
        w = c.text.empty() ? gtk_check_button_new()
                           : gtk_check_button_new_with_mnemonic(MnemonicText(c.text).c_str());
        g_signal_connect(w, "toggled", G_CALLBACK(OnToggled), &slot);
        break;
    case ControlKind::RadioButton: {
        // Consecutive radio buttons of a page form a group. Each group has a hidden member
        // that is checked when the model checks none of the visible ones.
        GtkWidget* first = nullptr;
        if (index > 0 && controls[static_cast<size_t>(index - 1)].kind == ControlKind::RadioButton &&
            controls[static_cast<size_t>(index - 1)].page == c.page)
            first = slots_[static_cast<size_t>(index - 1)].widget;
        if (first == nullptr) {
            slot.none = g_object_ref_sink(gtk_radio_button_new(nullptr));
            first = slot.none;
        }
        w = c.text.empty() ? gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(first))
                           : gtk_radio_button_new_with_mnemonic_from_widget(
                                 GTK_RADIO_BUTTON(first), MnemonicText(c.text).c_str());
        g_signal_connect(w, "toggled", G_CALLBACK(OnToggled), &slot);
        break;
    }
    case ControlKind::PushButton:
        w = c.text.empty() ? gtk_button_new()
                           : gtk_button_new_with_mnemonic(MnemonicText(c.text).c_str());
        g_signal_connect(w, "clicked", G_CALLBACK(OnClicked), &slot);
        break;
    }
    gtk_widget_set_name(w, ControlWidgetName(index).c_str());
    return w;
}

void DialogWidgets::Place(int32_t index, GtkWidget* widget, const PixelRect& rect) {
    const DialogControl& c = description_.controls[static_cast<size_t>(index)];
    // A drop-down's template height is that of its open list; closed it is one line high.
    const int height = c.kind == ControlKind::DropDown ? -1 : rect.height;
    gtk_widget_set_size_request(widget, std::max(rect.width, 1), height < 0 ? -1 : std::max(height, 1));
    GtkWidget* parent = frame_;
    if (c.page > 0 && static_cast<size_t>(c.page) <= pageContents_.size())
        parent = pageContents_[static_cast<size_t>(c.page - 1)];
    gtk_fixed_put(GTK_FIXED(parent), widget, rect.x, rect.y);
}

void DialogWidgets::ApplyAll() {
    std::vector<int32_t> all(description_.controls.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int32_t>(i);
    Apply(all, true);
}

void DialogWidgets::Apply(const std::vector<int32_t>& controls, bool pages) {
    if (window_ == nullptr) return;
    ++applying_;
    for (int32_t index : controls)
        if (index >= 0 && static_cast<size_t>(index) < slots_.size()) ApplyControl(index);
    if (pages) ApplyPages();
    --applying_;
}

void DialogWidgets::ApplyControl(int32_t index) {
    const DialogControl& c = description_.controls[static_cast<size_t>(index)];
    Slot& slot = slots_[static_cast<size_t>(index)];
    GtkWidget* w = slot.widget;
    if (static_cast<bool>(gtk_widget_get_sensitive(w)) != c.enabled) gtk_widget_set_sensitive(w, c.enabled);
    const std::string mnemonic = MnemonicText(c.text);
    switch (c.kind) {
    case ControlKind::Tab: {
        const int pages = gtk_notebook_get_n_pages(GTK_NOTEBOOK(w));
        for (int t = 0; t < pages && static_cast<size_t>(t) < c.items.size(); ++t) {
            GtkWidget* holder = gtk_notebook_get_nth_page(GTK_NOTEBOOK(w), t);
            const gchar* now = gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(w), holder);
            if (now == nullptr || c.items[static_cast<size_t>(t)] != now)
                gtk_notebook_set_tab_label_text(GTK_NOTEBOOK(w), holder, c.items[static_cast<size_t>(t)].c_str());
        }
        if (c.selection >= 0 && c.selection < pages &&
            gtk_notebook_get_current_page(GTK_NOTEBOOK(w)) != c.selection)
            gtk_notebook_set_current_page(GTK_NOTEBOOK(w), c.selection);
        break;
    }
    case ControlKind::GroupBox:
        if (gtk_label_get_label(GTK_LABEL(slot.label)) != mnemonic)
            gtk_label_set_text_with_mnemonic(GTK_LABEL(slot.label), mnemonic.c_str());
        break;
    case ControlKind::Static:
        if (gtk_label_get_label(GTK_LABEL(w)) != mnemonic)
            gtk_label_set_text_with_mnemonic(GTK_LABEL(w), mnemonic.c_str());
        break;
    case ControlKind::DropDown: {
        if (slot.items != c.items) {
            gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(w));
            for (const std::string& item : c.items)
                gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w), item.c_str());
            slot.items = c.items;
        }
        const int selection =
            c.selection >= 0 && static_cast<size_t>(c.selection) < c.items.size() ? c.selection : -1;
        if (gtk_combo_box_get_active(GTK_COMBO_BOX(w)) != selection)
            gtk_combo_box_set_active(GTK_COMBO_BOX(w), selection);
        break;
    }
    case ControlKind::Edit:
        if (c.text != gtk_entry_get_text(GTK_ENTRY(w))) gtk_entry_set_text(GTK_ENTRY(w), c.text.c_str());
        break;
    case ControlKind::Trackbar: {
        GtkAdjustment* a = gtk_range_get_adjustment(GTK_RANGE(w));
        const double lower = c.minimum;
        const double upper = std::max(c.minimum, c.maximum);
        if (gtk_adjustment_get_lower(a) != lower || gtk_adjustment_get_upper(a) != upper ||
            gtk_adjustment_get_page_increment(a) != c.pageSize)
            gtk_adjustment_configure(a, std::clamp<double>(c.position, lower, upper), lower, upper,
                                     1, std::max(c.pageSize, 1), 0);
        const double position = std::clamp<double>(c.position, lower, upper);
        if (gtk_adjustment_get_value(a) != position) gtk_adjustment_set_value(a, position);
        break;
    }
    case ControlKind::UpDown:
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
        if (!c.text.empty()) {
            const gchar* now = gtk_button_get_label(GTK_BUTTON(w));
            if (now == nullptr || mnemonic != now) gtk_button_set_label(GTK_BUTTON(w), mnemonic.c_str());
        }
        const bool active = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w));
        if (c.checked && !active) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), TRUE);
        } else if (!c.checked && active) {
            if (c.kind == ControlKind::CheckBox) {
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), FALSE);
            } else {
                // A radio button leaves its group only when another member is checked.
                int32_t first = index;
                while (slots_[static_cast<size_t>(first)].none == nullptr) --first;
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(slots_[static_cast<size_t>(first)].none), TRUE);
            }
        }
        break;
    }
    case ControlKind::PushButton:
        if (!c.text.empty()) {
            const gchar* now = gtk_button_get_label(GTK_BUTTON(w));
            if (now == nullptr || mnemonic != now) gtk_button_set_label(GTK_BUTTON(w), mnemonic.c_str());
        }
        break;
    }
}

void DialogWidgets::ApplyPages() {
    for (size_t p = 0; p < pageContents_.size() && p < description_.pages.size(); ++p) {
        GtkWidget* content = pageContents_[p];
        const bool visible = description_.pages[p].visible;
        if (static_cast<bool>(gtk_widget_get_visible(content)) == visible) continue;
        if (visible) {
            gtk_widget_set_no_show_all(content, FALSE);
            gtk_widget_show_all(content);
        } else {
            gtk_widget_hide(content);
        }
    }
}

void DialogWidgets::Emit(const ControlEvent& event) {
    if (applying_ > 0 || !report_) return;
    report_(event);
}

void DialogWidgets::OnEntryChanged(GtkEditable* editable, gpointer data) {
    auto* slot = static_cast<Slot*>(data);
    slot->owner->Emit({slot->index, ControlEventKind::TextChanged, 0,
                       gtk_entry_get_text(GTK_ENTRY(editable))});
}

void DialogWidgets::OnComboChanged(GtkComboBox* combo, gpointer data) {
    auto* slot = static_cast<Slot*>(data);
    slot->owner->Emit({slot->index, ControlEventKind::SelectionChanged,
                       gtk_combo_box_get_active(combo), {}});
}

void DialogWidgets::OnSwitchPage(GtkNotebook*, GtkWidget*, guint page, gpointer data) {
    auto* slot = static_cast<Slot*>(data);
    slot->owner->Emit({slot->index, ControlEventKind::SelectionChanged, static_cast<int32_t>(page), {}});
}

void DialogWidgets::OnValueChanged(GtkRange* range, gpointer data) {
    auto* slot = static_cast<Slot*>(data);
    const double value = gtk_range_get_value(range);
    slot->owner->Emit({slot->index, ControlEventKind::Scrolled,
                       static_cast<int32_t>(std::lround(value)), {}});
}

void DialogWidgets::OnStepUp(GtkButton*, gpointer data) {
    auto* slot = static_cast<Slot*>(data);
    slot->owner->Emit({slot->index, ControlEventKind::Stepped, +1, {}});
}

void DialogWidgets::OnStepDown(GtkButton*, gpointer data) {
    auto* slot = static_cast<Slot*>(data);
    slot->owner->Emit({slot->index, ControlEventKind::Stepped, -1, {}});
}

gboolean DialogWidgets::OnEntryKey(GtkWidget*, GdkEventKey* key, gpointer data) {
    // The arrow keys in an up-down's buddy step it, as its arrows do.
    auto* slot = static_cast<Slot*>(data);
    if (slot->upDown < 0) return FALSE;
    const DialogControl& upDown = slot->owner->description_.controls[static_cast<size_t>(slot->upDown)];
    if (!upDown.enabled) return FALSE;
    int step = 0;
    if (key->keyval == GDK_KEY_Up || key->keyval == GDK_KEY_KP_Up) step = +1;
    if (key->keyval == GDK_KEY_Down || key->keyval == GDK_KEY_KP_Down) step = -1;
    if (step == 0) return FALSE;
    slot->owner->Emit({slot->upDown, ControlEventKind::Stepped, step, {}});
    return TRUE;
}

void DialogWidgets::OnToggled(GtkToggleButton* button, gpointer data) {
    auto* slot = static_cast<Slot*>(data);
    // A radio button that another one unchecked was not clicked.
    if (GTK_IS_RADIO_BUTTON(button) && !gtk_toggle_button_get_active(button)) return;
    slot->owner->Emit({slot->index, ControlEventKind::Clicked, 0, {}});
}

void DialogWidgets::OnClicked(GtkButton*, gpointer data) {
    auto* slot = static_cast<Slot*>(data);
    slot->owner->Emit({slot->index, ControlEventKind::Clicked, 0, {}});
}

gboolean DialogWidgets::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    // The model decides; the window goes when the dialog has ended.
    static_cast<DialogWidgets*>(self)->Emit({-1, ControlEventKind::Close, 0, {}});
    return TRUE;
}

gboolean DialogWidgets::OnWindowKey(GtkWidget*, GdkEventKey* key, gpointer self) {
    if (key->keyval != GDK_KEY_Escape) return FALSE;
    static_cast<DialogWidgets*>(self)->Emit({-1, ControlEventKind::Close, 0, {}});
    return TRUE;
}

void DialogWidgets::OnNotebookAllocated(GtkWidget* notebook, GdkRectangle* area, gpointer self) {
    // Pages sit at their origin in pixels from the tab control's corner; the notebook's page
    // area starts below its tabs, so the offset into it is what is left of the origin.
    auto* me = static_cast<DialogWidgets*>(self);
    for (size_t p = 0; p < me->pageContents_.size() && p < me->description_.pages.size(); ++p) {
        GtkWidget* holder = gtk_widget_get_parent(me->pageContents_[p]);
        if (holder == nullptr || gtk_widget_get_parent(holder) != notebook) continue;
        GtkAllocation inner;
        gtk_widget_get_allocation(holder, &inner);
        if (inner.width <= 1 && inner.height <= 1) continue;  // not allocated yet
        const platform::DialogPage& page = me->description_.pages[p];
        const int x = std::max(0, page.originX - (inner.x - area->x));
        const int y = std::max(0, page.originY - (inner.y - area->y));
        int nowX = 0, nowY = 0;
        gtk_container_child_get(GTK_CONTAINER(holder), me->pageContents_[p], "x", &nowX, "y", &nowY, nullptr);
        if (nowX != x || nowY != y) gtk_fixed_move(GTK_FIXED(holder), me->pageContents_[p], x, y);
    }
}

}  // namespace rezive::gtk
