// The GTK dialog view against a model of the tests' own: every control kind becomes its widget
// at its place, user actions arrive as their events, the model's changes show without coming
// back as events, other threads reach the dialog, and where the window goes.
#include <gtest/gtest.h>
// After the test framework, whose names the X headers' macros would otherwise hit.
#include <gdk/gdkx.h>

#include <cmath>
#include <functional>
#include <string>
#include <thread>

#include "../../presenters/gtk/dialog_layout.h"
#include "dialogs/dialog_templates.h"
#include "fake_dialog_host.h"
#include "gtk_probe.h"

namespace rezive::test {
namespace {

using platform::ControlEvent;
using platform::ControlEventKind;
using platform::ControlKind;
using platform::DialogControl;

enum : int32_t {
    kTab, kOk, kCancel, kGainLabel, kTrack, kEdit, kUpDown, kCheck, kRadioA, kRadioB, kGroup,
    kList, kReadOnly, kGrayA, kGrayB, kText, kDisabled, kCount
};

// One control of every kind, on the frame and on two pages of a tab control, in the order of
// the indices above.
platform::DialogDescription EveryKind(const std::string& caption) {
    dialogs::TemplateBuilder b(caption, 294, 194);
    const int32_t image = b.AddPage(251, 142), gray = b.AddPage(251, 142);
    b.Add(0, 1001, ControlKind::Tab, 4, 4, 286, 168);
    b.Last().items = {"Image Filter", "Gray Filter"};
    b.Last().selection = 0;
    b.Last().ownerDrawn = true;
    b.Add(0, 1, ControlKind::PushButton, 165, 177, 60, 13, "OK");
    b.Last().defaultButton = true;
    b.Add(0, 2, ControlKind::PushButton, 230, 177, 60, 13, "&Cancel");
    b.Add(image, -1, ControlKind::Static, 0, 4, 36, 8, "&Gain");
    b.Add(image, 2001, ControlKind::Trackbar, 40, 4, 90, 10);
    b.Last().minimum = -255;
    b.Last().maximum = 255;
    b.Last().pageSize = 64;
    b.Last().position = 10;
    b.Add(image, 2002, ControlKind::Edit, 136, 4, 30, 12, "10");
    b.AddUpDown(image, 2004, 153, 4, 10, 12, kEdit);
    b.Last().minimum = -255;
    b.Last().maximum = 255;
    b.Add(image, 1035, ControlKind::CheckBox, 180, 68, 60, 10, "All frames");
    b.Add(image, 1030, ControlKind::RadioButton, 180, 116, 8, 8);
    b.Last().checked = true;
    b.Add(image, 1031, ControlKind::RadioButton, 195, 116, 8, 8);
    b.Add(image, -1, ControlKind::GroupBox, 0, 24, 120, 80, "Video Format");
    b.Add(image, 1009, ControlKind::DropDown, 8, 40, 83, 100);
    b.Last().items = {"Monochrome 8bit", "Color 24bit"};
    b.Last().selection = 1;
    b.Add(image, 1039, ControlKind::Edit, 8, 60, 50, 12, "1280");
    b.Last().readOnly = true;
    b.Add(gray, 1046, ControlKind::RadioButton, 180, 18, 60, 10, "Bayer");
    b.Add(gray, 1047, ControlKind::RadioButton, 180, 30, 60, 10, "Bayer convert");
    b.Last().checked = true;
    b.Add(gray, 1049, ControlKind::Static, 0, 4, 100, 12, "= msec");
    b.Add(image, 1019, ControlKind::Edit, 8, 80, 50, 12, "0");
    b.Last().enabled = false;
    platform::DialogDescription d = b.Take();
    d.pages[0].visible = true;
    return d;
}

class GtkViewTest : public testing::Test {
protected:
    void SetUp() override {
        std::string why;
        view_ = GtkView(&why);
        if (!view_) GTEST_SKIP() << why;
    }
    std::shared_ptr<platform::DialogView> view_;
};

bool Active(GtkWidget* w) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w)); }

std::pair<int, int> FixedPosition(GtkWidget* w) {
    int x = -1, y = -1;
    gtk_container_child_get(GTK_CONTAINER(gtk_widget_get_parent(w)), w, "x", &x, "y", &y, nullptr);
    return {x, y};
}

TEST(DialogLayout, UnitsMnemonicsAndUpDownPlaces) {
    const gtk::FontUnits units{7, 17};
    struct Units { int x, y, w, h; gtk::PixelRect want; };
    for (const Units& u : {Units{0, 0, 4, 8, {0, 0, 7, 17}}, Units{40, 4, 90, 10, {70, 9, 158, 21}},
                           Units{1, 1, 1, 1, {2, 2, 2, 2}}}) {
        EXPECT_EQ(gtk::ToPixels(units, u.x, u.y, u.w, u.h), u.want) << u.x << "," << u.y;
    }
    // Touching in dialog units stays touching in pixels, whatever rounds.
    for (int x = 0; x < 40; ++x) {
        const gtk::PixelRect a = gtk::ToPixels(units, x, 0, 3, 1), b = gtk::ToPixels(units, x + 3, 0, 5, 1);
        EXPECT_EQ(a.x + a.width, b.x) << x;
    }
    struct Text { const char* in; const char* out; };
    for (const Text& t : {Text{"&Gain", "_Gain"}, Text{"Shar&pness", "Shar_pness"},
                          Text{"Apply(&A)", "Apply(_A)"}, Text{"a&&b", "a&b"},
                          Text{"snake_case", "snake__case"}, Text{"end&", "end"},
                          Text{"適用(&A)", "適用(_A)"}, Text{"", ""}}) {
        EXPECT_EQ(gtk::MnemonicText(t.in), t.out) << t.in;
    }
    struct Align { gtk::PixelRect buddy, upDown, wantBuddy, wantUpDown; };
    for (const Align& a : {Align{{100, 10, 60, 24}, {150, 12, 20, 20}, {100, 10, 40, 24}, {140, 10, 20, 24}},
                           Align{{100, 10, 10, 24}, {0, 0, 30, 24}, {100, 10, 0, 24}, {100, 10, 10, 24}}}) {
        gtk::PixelRect buddy = a.buddy, upDown = a.upDown;
        gtk::AlignUpDownRight(&buddy, &upDown);
        EXPECT_EQ(buddy, a.wantBuddy);
        EXPECT_EQ(upDown, a.wantUpDown);
    }
}

TEST_F(GtkViewTest, EveryControlBecomesItsNativeWidgetAtItsPlace) {
    const std::string title = "Every kind";
    FakeDialogHost host(EveryKind(title));
    const auto& d = host.Description();
    const bool shown = RunScripted(*view_, host, 0, [&] {
        ASSERT_TRUE(host.OnDialog([&] {
            struct Kind { int32_t index; GType type; std::function<void(GtkWidget*)> check; };
            const Kind kinds[] = {
                {kTab, GTK_TYPE_NOTEBOOK, [](GtkWidget* w) {
                     ASSERT_EQ(gtk_notebook_get_n_pages(GTK_NOTEBOOK(w)), 2);
                     EXPECT_STREQ(gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(w),
                         gtk_notebook_get_nth_page(GTK_NOTEBOOK(w), 1)), "Gray Filter");
                     EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(w)), 0);
                 }},
                {kOk, GTK_TYPE_BUTTON, [](GtkWidget* w) { EXPECT_TRUE(gtk_widget_has_default(w)); }},
                {kCancel, GTK_TYPE_BUTTON, [](GtkWidget* w) {
                     EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(w)), "_Cancel");
                     EXPECT_TRUE(gtk_button_get_use_underline(GTK_BUTTON(w)));
                     EXPECT_FALSE(gtk_widget_has_default(w));
                 }},
                {kGainLabel, GTK_TYPE_LABEL, [&](GtkWidget* w) {
                     EXPECT_STREQ(gtk_label_get_label(GTK_LABEL(w)), "_Gain");
                     EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(w)), static_cast<guint>(GDK_KEY_g));
                     EXPECT_EQ(gtk_label_get_mnemonic_widget(GTK_LABEL(w)), ControlWidget(title, kTrack));
                 }},
                {kTrack, GTK_TYPE_SCALE, [](GtkWidget* w) {
                     GtkAdjustment* a = gtk_range_get_adjustment(GTK_RANGE(w));
                     EXPECT_EQ(gtk_adjustment_get_lower(a), -255);
                     EXPECT_EQ(gtk_adjustment_get_upper(a), 255);
                     EXPECT_EQ(gtk_adjustment_get_page_increment(a), 64);
                     EXPECT_EQ(gtk_adjustment_get_value(a), 10);
                     EXPECT_EQ(gtk_orientable_get_orientation(GTK_ORIENTABLE(w)), GTK_ORIENTATION_HORIZONTAL);
                 }},
                {kEdit, GTK_TYPE_ENTRY, [](GtkWidget* w) {
                     EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(w)), "10");
                     EXPECT_TRUE(gtk_editable_get_editable(GTK_EDITABLE(w)));
                 }},
                {kUpDown, GTK_TYPE_BOX, [&](GtkWidget*) {
                     EXPECT_NE(ControlWidget(title, kUpDown, "-up"), nullptr);
                     EXPECT_NE(ControlWidget(title, kUpDown, "-down"), nullptr);
                 }},
                {kCheck, GTK_TYPE_CHECK_BUTTON, [](GtkWidget* w) {
                     EXPECT_FALSE(GTK_IS_RADIO_BUTTON(w));
                     EXPECT_FALSE(Active(w));
                     EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(w)), "All frames");
                 }},
                {kRadioA, GTK_TYPE_RADIO_BUTTON, [&](GtkWidget* w) {
                     EXPECT_TRUE(Active(w));
                     GSList* group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(w));
                     EXPECT_NE(g_slist_find(group, ControlWidget(title, kRadioB)), nullptr);
                     EXPECT_EQ(g_slist_find(group, ControlWidget(title, kGrayA)), nullptr)
                         << "radio buttons apart from each other form groups of their own";
                 }},
                {kRadioB, GTK_TYPE_RADIO_BUTTON, [](GtkWidget* w) { EXPECT_FALSE(Active(w)); }},
                {kGroup, GTK_TYPE_FRAME, [](GtkWidget* w) {
                     EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(w)), "Video Format");
                 }},
                {kList, GTK_TYPE_COMBO_BOX_TEXT, [](GtkWidget* w) {
                     EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(w)), 1);
                     gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(w));
                     EXPECT_STREQ(text, "Color 24bit");
                     g_free(text);
                 }},
                {kReadOnly, GTK_TYPE_ENTRY, [](GtkWidget* w) {
                     EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(w)));
                     EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(w)), "1280");
                 }},
                {kGrayA, GTK_TYPE_RADIO_BUTTON, [](GtkWidget* w) { EXPECT_FALSE(Active(w)); }},
                {kGrayB, GTK_TYPE_RADIO_BUTTON, [](GtkWidget* w) { EXPECT_TRUE(Active(w)); }},
                {kText, GTK_TYPE_LABEL, [](GtkWidget* w) {
                     EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(w)), "= msec");
                     EXPECT_FALSE(gtk_widget_is_drawable(w)) << "its page is hidden";
                 }},
                {kDisabled, GTK_TYPE_ENTRY, [](GtkWidget* w) { EXPECT_FALSE(gtk_widget_get_sensitive(w)); }},
            };
            for (const Kind& k : kinds) {
                SCOPED_TRACE(k.index);
                GtkWidget* w = ControlWidget(title, k.index);
                ASSERT_NE(w, nullptr);
                EXPECT_TRUE(G_TYPE_CHECK_INSTANCE_TYPE(w, k.type)) << G_OBJECT_TYPE_NAME(w);
                if (k.index != kDisabled) {
                    EXPECT_TRUE(gtk_widget_get_sensitive(w));
                }
                k.check(w);
            }
            // Places: one scale across and one down for every control, from the font; an
            // up-down at its buddy's right edge inside the buddy's box.
            const auto [trackX, trackY] = FixedPosition(ControlWidget(title, kTrack));
            const auto [radioX, radioY] = FixedPosition(ControlWidget(title, kRadioB));
            const double across = static_cast<double>(radioX - trackX) / (195 - 40);
            const double down = static_cast<double>(radioY - trackY) / (116 - 4);
            EXPECT_GT(across, 1.0);
            EXPECT_GT(down, 1.0);
            for (int32_t i : {kGainLabel, kCheck, kRadioA, kGroup, kList, kReadOnly, kGrayA, kText,
                              kDisabled, kOk, kCancel, kEdit}) {
                const auto [x, y] = FixedPosition(ControlWidget(title, i));
                const DialogControl& c = d.controls[static_cast<size_t>(i)];
                EXPECT_NEAR(x, trackX + (c.x - 40) * across, 1.5) << i;
                EXPECT_NEAR(y, trackY + (c.y - 4) * down, 1.5) << i;
            }
            GtkAllocation edit, upDown;
            gtk_widget_get_allocation(ControlWidget(title, kEdit), &edit);
            gtk_widget_get_allocation(ControlWidget(title, kUpDown), &upDown);
            EXPECT_EQ(upDown.x, edit.x + edit.width);
            EXPECT_EQ(upDown.y, edit.y);
            const int upDownX = FixedPosition(ControlWidget(title, kUpDown)).first;
            EXPECT_NEAR(upDownX + upDown.width, trackX + (166 - 40) * across, 1.5)
                << "the edit's right edge, where the template ends it";
            // The page's corner sits 30 pixels into the tab control (and at least 25 down).
            int x = 0, y = 0;
            GtkWidget* content = gtk_widget_get_parent(ControlWidget(title, kTrack));
            ASSERT_TRUE(gtk_widget_translate_coordinates(content, ControlWidget(title, kTab), 0, 0, &x, &y));
            EXPECT_EQ(x, 30);
            EXPECT_GE(y, 25);
        }));
        XClient client(TestDisplay());
        const xcb_window_t native = client.FindTopLevel(title);
        ASSERT_NE(native, 0u);
        EXPECT_TRUE(WriteScreenshot(client, native, ScreenshotPath("fake-every-kind")));
    });
    EXPECT_TRUE(shown);
    for (const ControlEvent& e : host.Events())
        ADD_FAILURE() << "event " << static_cast<int>(e.kind) << " of " << e.control << " while building";
}

struct Action {
    const char* name;
    std::function<void(const std::string& title)> act;  // on the dialog's thread
    ControlEvent want;
};

TEST_F(GtkViewTest, UserActionsArriveAsTheirEvents) {
    const std::string title = "User actions";
    std::thread close;
    const Action actions[] = {
        {"typing", [](const std::string& t) { gtk_entry_set_text(GTK_ENTRY(ControlWidget(t, kEdit)), "42"); },
         {kEdit, ControlEventKind::TextChanged, 0, "42"}},
        {"choosing", [](const std::string& t) { gtk_combo_box_set_active(GTK_COMBO_BOX(ControlWidget(t, kList)), 0); },
         {kList, ControlEventKind::SelectionChanged, 0, {}}},
        {"tab", [](const std::string& t) { gtk_notebook_set_current_page(GTK_NOTEBOOK(ControlWidget(t, kTab)), 1); },
         {kTab, ControlEventKind::SelectionChanged, 1, {}}},
        {"dragging", [](const std::string& t) { gtk_range_set_value(GTK_RANGE(ControlWidget(t, kTrack)), -77); },
         {kTrack, ControlEventKind::Scrolled, -77, {}}},
        {"arrow up", [](const std::string& t) { gtk_button_clicked(GTK_BUTTON(ControlWidget(t, kUpDown, "-up"))); },
         {kUpDown, ControlEventKind::Stepped, 1, {}}},
        {"arrow down", [](const std::string& t) { gtk_button_clicked(GTK_BUTTON(ControlWidget(t, kUpDown, "-down"))); },
         {kUpDown, ControlEventKind::Stepped, -1, {}}},
        {"Up key in the buddy", [](const std::string& t) {
             PressKey(ControlWidget(t, kEdit), GDK_KEY_Up);
         }, {kUpDown, ControlEventKind::Stepped, 1, {}}},
        {"check box", [](const std::string& t) { gtk_button_clicked(GTK_BUTTON(ControlWidget(t, kCheck))); },
         {kCheck, ControlEventKind::Clicked, 0, {}}},
        {"radio button", [](const std::string& t) { gtk_button_clicked(GTK_BUTTON(ControlWidget(t, kRadioB))); },
         {kRadioB, ControlEventKind::Clicked, 0, {}}},
        {"push button", [](const std::string& t) { gtk_button_clicked(GTK_BUTTON(ControlWidget(t, kCancel))); },
         {kCancel, ControlEventKind::Clicked, 0, {}}},
        {"Enter in an edit", [](const std::string& t) {
             PressKey(ControlWidget(t, kReadOnly), GDK_KEY_Return);
         }, {kOk, ControlEventKind::Clicked, 0, {}}},
        {"Escape", [](const std::string& t) {
             PressKey(DialogWindow(t), GDK_KEY_Escape);
         }, {-1, ControlEventKind::Close, 0, {}}},
        {"close box", [&close](const std::string& t) {
             // The window manager's message comes from another client, in its own time.
             const auto window = static_cast<xcb_window_t>(gdk_x11_window_get_xid(gtk_widget_get_window(DialogWindow(t))));
             close = std::thread([window] {
                 XClient x(TestDisplay());
                 x.SendDelete(window);
                 x.Sync();
             });
         }, {-1, ControlEventKind::Close, 0, {}}},
    };
    FakeDialogHost host(EveryKind(title));
    RunScripted(*view_, host, 0, [&] {
        for (const Action& a : actions) {
            SCOPED_TRACE(a.name);
            host.ClearEvents();
            ASSERT_TRUE(host.OnDialog([&] { a.act(title); }));
            ASSERT_TRUE(WaitUntil([&] { return !host.Events().empty(); }, std::chrono::seconds(20)));
            // Anything more would come with the same turn of the loop, or right after it.
            ASSERT_TRUE(host.OnDialog([] {}));
            const std::vector<ControlEvent> events = host.Events();
            ASSERT_EQ(events.size(), 1u);
            EXPECT_EQ(events[0].control, a.want.control);
            EXPECT_EQ(events[0].kind, a.want.kind);
            EXPECT_EQ(events[0].value, a.want.value);
            EXPECT_EQ(events[0].text, a.want.text);
        }
    });
    if (close.joinable()) close.join();
}

struct Change {
    const char* name;
    std::function<void(FakeDialogHost&)> change;  // on the dialog's thread, the model's doing
    std::function<void(const std::string& title)> check;
};

TEST_F(GtkViewTest, ModelChangesShowAndAreNeverReportedBack) {
    const std::string title = "Model changes";
    auto set = [](int32_t i, std::function<void(DialogControl&)> f) {
        return [i, f](FakeDialogHost& h) {
            f(h.Control(i));
            h.Changed(i);
        };
    };
    const Change changes[] = {
        {"edit text", set(kEdit, [](DialogControl& c) { c.text = "-123"; }),
         [](const std::string& t) { EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(ControlWidget(t, kEdit))), "-123"); }},
        {"label text", set(kText, [](DialogControl& c) { c.text = "=0.05ms"; }),
         [](const std::string& t) { EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(ControlWidget(t, kText))), "=0.05ms"); }},
        {"list items and selection", set(kList, [](DialogControl& c) {
             c.items = {"1280 x 720", "640 x 480", "Custom"};
             c.selection = 2;
         }), [](const std::string& t) {
             gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(ControlWidget(t, kList)));
             EXPECT_STREQ(text, "Custom");
             g_free(text);
         }},
        {"no list selection", set(kList, [](DialogControl& c) { c.selection = 7; }),
         [](const std::string& t) { EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(ControlWidget(t, kList))), -1); }},
        {"trackbar range and position", set(kTrack, [](DialogControl& c) {
             c.minimum = 0;
             c.maximum = 11;
             c.pageSize = 1;
             c.position = 5;
         }), [](const std::string& t) {
             GtkAdjustment* a = gtk_range_get_adjustment(GTK_RANGE(ControlWidget(t, kTrack)));
             EXPECT_EQ(gtk_adjustment_get_upper(a), 11);
             EXPECT_EQ(gtk_adjustment_get_page_increment(a), 1);
             EXPECT_EQ(gtk_adjustment_get_value(a), 5);
         }},
        {"trackbar clamps", set(kTrack, [](DialogControl& c) { c.position = 40000; }),
         [](const std::string& t) { EXPECT_EQ(gtk_range_get_value(GTK_RANGE(ControlWidget(t, kTrack))), 11); }},
        {"check box", set(kCheck, [](DialogControl& c) { c.checked = true; }),
         [](const std::string& t) { EXPECT_TRUE(Active(ControlWidget(t, kCheck))); }},
        {"radio moves", [](FakeDialogHost& h) {
             h.Control(kRadioA).checked = false;
             h.Control(kRadioB).checked = true;
             h.Changed(kRadioA);
             h.Changed(kRadioB);
         }, [](const std::string& t) {
             EXPECT_FALSE(Active(ControlWidget(t, kRadioA)));
             EXPECT_TRUE(Active(ControlWidget(t, kRadioB)));
         }},
        {"no radio checked", [](FakeDialogHost& h) {
             h.Control(kRadioB).checked = false;
             h.Changed(kRadioB);
         }, [](const std::string& t) {
             EXPECT_FALSE(Active(ControlWidget(t, kRadioA)));
             EXPECT_FALSE(Active(ControlWidget(t, kRadioB)));
         }},
        {"disabled", [](FakeDialogHost& h) {
             h.Control(kTrack).enabled = false;
             h.Control(kUpDown).enabled = false;
             h.Control(kDisabled).enabled = true;
             for (int32_t i : {kTrack, kUpDown, kDisabled}) h.Changed(i);
         }, [](const std::string& t) {
             EXPECT_FALSE(gtk_widget_get_sensitive(ControlWidget(t, kTrack)));
             EXPECT_FALSE(gtk_widget_is_sensitive(ControlWidget(t, kUpDown, "-up")));
             EXPECT_TRUE(gtk_widget_get_sensitive(ControlWidget(t, kDisabled)));
         }},
        {"pages and tab", [](FakeDialogHost& h) {
             h.Model().pages[0].visible = false;
             h.Model().pages[1].visible = true;
             h.Control(kTab).selection = 1;
             h.Changed(kTab);
             h.PagesChanged();
         }, [](const std::string& t) {
             EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ControlWidget(t, kTab))), 1);
             EXPECT_TRUE(gtk_widget_is_visible(ControlWidget(t, kText)));
             EXPECT_FALSE(gtk_widget_is_visible(ControlWidget(t, kTrack)));
         }},
        {"group caption", set(kGroup, [](DialogControl& c) { c.text = "&Camera Size"; }),
         [](const std::string& t) {
             GtkWidget* label = gtk_frame_get_label_widget(GTK_FRAME(ControlWidget(t, kGroup)));
             EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), "Camera Size");
         }},
    };
    FakeDialogHost host(EveryKind(title));
    RunScripted(*view_, host, 0, [&] {
        for (const Change& c : changes) {
            SCOPED_TRACE(c.name);
            // From this thread, as scripting and the acquisition worker reach a dialog.
            ASSERT_TRUE(host.OnDialog([&] { c.change(host); }));
            ASSERT_TRUE(host.OnDialog([&] { c.check(title); }));
        }
    });
    EXPECT_TRUE(host.Events().empty()) << "the model's changes came back as user events";
}

TEST_F(GtkViewTest, AModelsAnswerToAnEventIsShownNotEchoed) {
    const std::string title = "Echo";
    FakeDialogHost host(EveryKind(title));
    // As a trackbar row does: the edit follows the trackbar, and the trackbar the up-down.
    host.onEvent = [](FakeDialogHost& h, const ControlEvent& e) {
        if (e.control == kTrack && e.kind == ControlEventKind::Scrolled) {
            h.Control(kTrack).position = e.value;
            h.Control(kEdit).text = std::to_string(e.value);
            h.Changed(kEdit);
        }
        if (e.control == kUpDown && e.kind == ControlEventKind::Stepped) {
            h.Control(kTrack).position += e.value;
            h.Control(kEdit).text = std::to_string(h.Control(kTrack).position);
            h.Changed(kTrack);
            h.Changed(kEdit);
        }
    };
    RunScripted(*view_, host, 0, [&] {
        ASSERT_TRUE(host.OnDialog([&] {
            gtk_range_set_value(GTK_RANGE(ControlWidget(title, kTrack)), 200);
            gtk_button_clicked(GTK_BUTTON(ControlWidget(title, kUpDown, "-up")));
            EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(ControlWidget(title, kEdit))), "201");
            EXPECT_EQ(gtk_range_get_value(GTK_RANGE(ControlWidget(title, kTrack))), 201);
        }));
    });
    const std::vector<ControlEvent> events = host.Events();
    ASSERT_EQ(events.size(), 2u) << "only the user's drag and click";
    EXPECT_EQ(events[0].kind, ControlEventKind::Scrolled);
    EXPECT_EQ(events[1].kind, ControlEventKind::Stepped);
}

TEST_F(GtkViewTest, WorkQueuedFromManyThreadsAllRunsAndEndingFromAnyThreadReturns) {
    const std::string title = "Many threads";
    FakeDialogHost host(EveryKind(title));
    std::atomic<int> ran{0};
    RunScripted(*view_, host, 0, [&] {
        std::vector<std::thread> posters;
        for (int t = 0; t < 4; ++t)
            posters.emplace_back([&] {
                for (int i = 0; i < 250; ++i)
                    host.Post([&] {
                        host.Control(kEdit).text = std::to_string(++ran);
                        host.Changed(kEdit);
                    });
            });
        for (auto& p : posters) p.join();
        EXPECT_TRUE(WaitUntil([&] { return ran == 1000; }, std::chrono::seconds(30)));
        ASSERT_TRUE(host.OnDialog([&] {
            EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(ControlWidget(title, kEdit))), "1000");
        }));
    });
    EXPECT_EQ(ran, 1000);
    EXPECT_TRUE(host.Events().empty());
}

TEST_F(GtkViewTest, DeclinesOnAThreadOtherThanTheToolkitsAndShowsNothing) {
    FakeDialogHost host(EveryKind("Elsewhere"));
    bool shown = true;
    std::string why;
    std::thread other([&] { shown = view_->Run(host, 0, &why); });
    other.join();
    EXPECT_FALSE(shown);
    EXPECT_NE(why.find("thread"), std::string::npos) << why;
    EXPECT_FALSE(host.IsOpened());
    XClient x(TestDisplay());
    EXPECT_EQ(x.FindTopLevel("Elsewhere"), 0u);
}

enum class Parent { Nothing, X11Window, Bogus };

TEST_F(GtkViewTest, ModalOverANativeParentWindowElseCentredOnTheScreen) {
    XClient x(TestDisplay());
    ASSERT_TRUE(x.Ok());
    const xcb_window_t parentWindow = xcb_generate_id(x.Connection());
    xcb_create_window(x.Connection(), XCB_COPY_FROM_PARENT, parentWindow, x.Screen()->root, 100, 80,
                      900, 700, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, x.Screen()->root_visual, 0, nullptr);
    xcb_map_window(x.Connection(), parentWindow);
    x.Sync();
    struct Case { const char* name; Parent parent; };
    for (const Case& c : {Case{"no parent", Parent::Nothing}, Case{"X11 window", Parent::X11Window},
                          Case{"id of no window", Parent::Bogus}}) {
        SCOPED_TRACE(c.name);
        const std::string title = std::string("Parent: ") + c.name;
        FakeDialogHost host(EveryKind(title));
        const uint64_t parent = c.parent == Parent::X11Window ? parentWindow
                              : c.parent == Parent::Bogus  ? 0x3fffffe : 0;
        xcb_window_t native = 0;
        const bool shown = RunScripted(*view_, host, parent, [&] {
            native = x.FindTopLevel(title);
            ASSERT_NE(native, 0u);
            Geometry g;
            ASSERT_TRUE(x.GetGeometry(native, &g));
            const std::string transient = x.Property(native, XCB_ATOM_WM_TRANSIENT_FOR);
            const std::string state = x.Property(native, x.Atom("_NET_WM_STATE"));
            const xcb_atom_t modal = x.Atom("_NET_WM_STATE_MODAL");
            EXPECT_NE(state.find(std::string(reinterpret_cast<const char*>(&modal), 4)), std::string::npos);
            if (c.parent == Parent::X11Window) {
                ASSERT_EQ(transient.size(), 4u);
                EXPECT_EQ(*reinterpret_cast<const uint32_t*>(transient.data()), parentWindow);
                EXPECT_NEAR(g.rootX + g.width / 2, 100 + 900 / 2, 2);
                EXPECT_NEAR(g.rootY + g.height / 2, 80 + 700 / 2, 2);
            } else {
                EXPECT_TRUE(transient.empty() || *reinterpret_cast<const uint32_t*>(transient.data()) == 0);
                EXPECT_NEAR(g.rootX + g.width / 2, 1600 / 2, 2);
                EXPECT_NEAR(g.rootY + g.height / 2, 900 / 2, 2);
            }
        });
        EXPECT_TRUE(shown);
        Geometry gone;
        EXPECT_FALSE(native != 0 && x.GetGeometry(native, &gone)) << "the window goes with the dialog";
    }
    xcb_destroy_window(x.Connection(), parentWindow);
    x.Flush();
}

}  // namespace
}  // namespace rezive::test
