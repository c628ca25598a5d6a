// The dialog model without a camera: templates, numbers, language choice, control events, the
// work queue between threads and the choice between a display's view and the hook.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <set>
#include <thread>

#include "dialogs/dialog_language.h"
#include "dialogs/dialog_model.h"
#include "dialogs/dialog_numbers.h"
#include "dialogs/dialog_runner.h"
#include "dialogs/dialog_templates.h"

namespace rezive::dialogs {
namespace {

using platform::ControlKind;
using platform::DialogDescription;

TEST(DialogNumbers, ReadAsTheEditsDo) {
    struct Case {
        const char* text;
        int32_t asSigned, asUnsigned;
    } cases[] = {
        {"12", 12, 12},          {" -5 ", -5, 0},          {"-2147483648", INT32_MIN, 0},
        {"2147483648", 0, INT32_MIN}, {"4294967295", 0, -1}, {"4294967296", 0, 0},
        {"abc", 0, 0},           {"12abc", 0, 0},          {"", 0, 0},
        {"-", 0, 0},             {"1e3", 0, 0},            {"007", 7, 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseSigned(c.text), c.asSigned) << c.text;
        EXPECT_EQ(ParseUnsigned(c.text), c.asUnsigned) << c.text;
    }
    EXPECT_EQ(UnsignedText(-1), "4294967295");
}

TEST(DialogLanguage, ForcedThenTheFirstLocaleVariableSet) {
    struct Case {
        const char *forced, *all, *messages, *lang;
        Language expected;
    } cases[] = {
        {nullptr, nullptr, nullptr, nullptr, Language::kEnglish},
        {nullptr, nullptr, nullptr, "ja_JP.UTF-8", Language::kJapanese},
        {nullptr, nullptr, "C", "ja_JP.UTF-8", Language::kEnglish},
        {nullptr, "ja_JP", "en_US", "en_US", Language::kJapanese},
        {nullptr, "", "ja", "en_US", Language::kJapanese},
        {"en", "ja_JP", nullptr, nullptr, Language::kEnglish},
        {"ja", nullptr, nullptr, "C", Language::kJapanese},
        {"fr", nullptr, nullptr, "ja", Language::kJapanese},
    };
    const char* names[] = {"REZIVE_DIALOG_LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    for (const Case& c : cases) {
        const char* values[] = {c.forced, c.all, c.messages, c.lang};
        for (int i = 0; i < 4; ++i) {
            if (values[i]) setenv(names[i], values[i], 1);
            else unsetenv(names[i]);
        }
        EXPECT_EQ(DialogLanguage(), c.expected) << (c.lang ? c.lang : "-");
    }
    for (const char* name : names) unsetenv(name);
}

// What a view relies on: ids unique on each page, up-downs beside an edit of their page,
// controls on existing pages, and the same controls in both languages.
TEST(DialogTemplates, AreConsistentInBothLanguages) {
    auto all = [](Language l) {
        return std::vector<DialogDescription>{FormatTemplate(l), AnalogTemplate(l),
                                              FilterTemplate(l, false), FilterTemplate(l, true)};
    };
    const auto english = all(Language::kEnglish), japanese = all(Language::kJapanese);
    for (size_t t = 0; t < english.size(); ++t) {
        SCOPED_TRACE(t);
        const DialogDescription& d = english[t];
        ASSERT_EQ(d.controls.size(), japanese[t].controls.size());
        std::set<std::pair<int32_t, int32_t>> seen;
        for (size_t i = 0; i < d.controls.size(); ++i) {
            const auto& c = d.controls[i];
            EXPECT_EQ(c.id, japanese[t].controls[i].id);
            EXPECT_LE(static_cast<size_t>(c.page), d.pages.size());
            EXPECT_GE(c.x, 0);
            EXPECT_GT(c.width, 0);
            if (c.id >= 0) {
                EXPECT_TRUE(seen.insert({c.page, c.id}).second) << c.id;
            }
            if (c.kind == ControlKind::UpDown) {
                ASSERT_GE(c.buddy, 0);
                ASSERT_LT(static_cast<size_t>(c.buddy), d.controls.size());
                EXPECT_EQ(d.controls[c.buddy].kind, ControlKind::Edit);
                EXPECT_EQ(d.controls[c.buddy].page, c.page);
            }
        }
    }
}

// A small dialog: two radio groups split by a label, an edit with its up-down, a button.
DialogDescription Sample() {
    TemplateBuilder b("t", 100, 100);
    const int32_t page = b.AddPage(50, 50);
    for (int32_t id : {10, 11, 12}) b.Add(page, id, ControlKind::RadioButton, 0, 0, 8, 8);
    b.Add(page, -1, ControlKind::Static, 0, 0, 8, 8, "split");
    for (int32_t id : {20, 21}) b.Add(page, id, ControlKind::RadioButton, 0, 0, 8, 8);
    const int32_t edit = b.Add(page, 30, ControlKind::Edit, 0, 0, 8, 8, "9");
    b.AddUpDown(page, 31, 0, 0, 8, 8, edit);
    b.Add(0, 1, ControlKind::PushButton, 0, 0, 8, 8, "OK");
    return b.Take();
}

struct Recorder {
    DialogModel model{Sample()};
    std::vector<std::pair<int32_t, ControlEventKind>> events;
    Recorder() {
        model.SetHandler([this](int32_t i, const ControlEvent& e) {
            events.emplace_back(i < 0 ? -1 : model.At(i).id, e.kind);
        });
        model.SetRange(model.Find(31, 1), 0, 10, 0);
    }
    void Send(int32_t id, ControlEventKind kind, int32_t value = 0) {
        ControlEvent e;
        e.control = id < 0 ? -1 : model.Find(id, id == 1 ? 0 : 1);
        e.kind = kind;
        e.value = value;
        model.Handle(e);
    }
    bool Checked(int32_t id) { return model.At(model.Find(id, 1)).checked; }
};

TEST(DialogModelEvents, RadioGroupsStepsAndDisabledControls) {
    Recorder r;
    r.Send(11, ControlEventKind::Clicked);
    r.Send(20, ControlEventKind::Clicked);
    EXPECT_TRUE(r.Checked(11));  // the other group leaves it alone
    r.Send(12, ControlEventKind::Clicked);
    EXPECT_FALSE(r.Checked(11));
    EXPECT_TRUE(r.Checked(12) && r.Checked(20));
    // Up-down steps write the edit and are handled as typing; the range holds.
    r.Send(31, ControlEventKind::Stepped, +1);
    r.Send(31, ControlEventKind::Stepped, +1);
    EXPECT_EQ(r.model.At(r.model.Find(30, 1)).text, "10");
    EXPECT_EQ(r.events.back(), std::make_pair(30, ControlEventKind::TextChanged));
    r.model.SetEnabled(r.model.Find(30, 1), false);
    const size_t before = r.events.size();
    r.Send(31, ControlEventKind::Stepped, -1);
    r.Send(30, ControlEventKind::TextChanged);
    r.Send(10, ControlEventKind::SelectionChanged, 3);  // the wrong kind of event
    EXPECT_EQ(r.events.size(), before);
    bool pages = true;
    EXPECT_FALSE(r.model.TakeChanges(&pages).empty());
    EXPECT_FALSE(pages);
    EXPECT_TRUE(r.model.TakeChanges(&pages).empty());
    r.Send(-1, ControlEventKind::Close);
    EXPECT_EQ(r.model.Result(), kResultCancel);
    r.Send(1, ControlEventKind::Clicked);  // nothing after the end
    EXPECT_EQ(r.events.back(), std::make_pair(-1, ControlEventKind::Close));
}

// Work from other threads: served, timed out (and then never run), refused after the end, and
// released when the dialog ends while it waits.
TEST(DialogModelQueue, WorkIsServedOrDroppedNeverRunLate) {
    DialogModel model{Sample()};
    std::atomic<int> wakes{0};
    model.SetWakeup([&] { ++wakes; });
    std::atomic<int> ran{0};
    auto call = [&](int ms) {
        return std::async(std::launch::async, [&, ms] {
            return model.Call([&] { ++ran; }, std::chrono::milliseconds(ms));
        });
    };
    auto served = call(30000);
    while (wakes.load() == 0) std::this_thread::yield();
    model.RunQueued();
    EXPECT_TRUE(served.get());
    EXPECT_EQ(ran.load(), 1);

    EXPECT_FALSE(call(20).get());  // nobody served it in time
    model.RunQueued();
    EXPECT_EQ(ran.load(), 1);

    wakes = 0;
    auto waiting = call(60000);
    while (wakes.load() == 0) std::this_thread::yield();
    model.End(kResultOk);
    EXPECT_FALSE(waiting.get());
    EXPECT_FALSE(call(60000).get());
    EXPECT_TRUE(model.Call([] {}, std::chrono::milliseconds(0)) == false);
    EXPECT_EQ(ran.load(), 1);
    model.SetWakeup({});
}

class FakeView : public platform::DialogView {
public:
    explicit FakeView(bool shows) : shows_(shows) {}
    bool Run(platform::DialogHost& host, uint64_t, std::string* why) override {
        if (!shows_) {
            *why = "not the toolkit's thread";
            return false;
        }
        host.Opened();
        ControlEvent ok;
        ok.control = 8;  // the frame's OK button of Sample()
        host.Handle(ok);
        return host.Ended();
    }

private:
    bool shows_;
};

void CountHook(uint32_t, int32_t kind, void* user) { *static_cast<int32_t*>(user) = kind; }

TEST(DialogRunner, ViewFirstThenTheHookElseNothing) {
    struct Case {
        const char* name;
        std::shared_ptr<platform::DialogView> view;
        bool hook;
        int32_t result;
    } cases[] = {
        {"view shows", std::make_shared<FakeView>(true), false, kResultOk},
        {"view declines, hook drives", std::make_shared<FakeView>(false), true, kResultCancel},
        {"no view, hook drives", nullptr, true, kResultCancel},
        {"view declines, no hook", std::make_shared<FakeView>(false), false, 0},
        {"nothing", nullptr, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SetDialogView(c.view);
        int32_t kind = 0;
        SetDialogHook(c.hook ? CountHook : nullptr, &kind);
        EXPECT_EQ(DialogsAvailable(), c.view != nullptr || c.hook);
        auto model = std::make_shared<DialogModel>(Sample());
        model->SetHandler([&](int32_t i, const ControlEvent&) {
            if (i >= 0 && model->At(i).id == 1) model->End(kResultOk);
        });
        if (c.hook) model->RequestCancel();  // the "script" ends it as soon as it runs
        std::string why;
        EXPECT_EQ(RunDialog(model, DialogKind::kAnalog, 0, &why), c.result);
        EXPECT_EQ(why.empty(), c.result != 0);
        if (c.hook) {
            EXPECT_EQ(kind, 0);  // a cancel requested before opening skips the hook
        }
    }
    SetDialogHook(nullptr, nullptr);
    platform::SetDialogView(nullptr);
}

}  // namespace
}  // namespace rezive::dialogs
