// The GTK dialog view on an X server that dies while a dialog is shown: the dialog is cancelled,
// Run returns, the process lives on, and later dialogs are declined instead of shown. GTK runs
// on the test's own server, so this is a process of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dialogs/dialog_templates.h"
#include "fake_dialog_host.h"
#include "platform/presenter_loader.h"
#include "private_server.h"

namespace rezive::test {
namespace {

platform::DialogDescription OneButton() {
    dialogs::TemplateBuilder b("Doomed", 120, 40);
    b.Add(0, 1, platform::ControlKind::PushButton, 30, 12, 60, 13, "OK");
    b.Last().defaultButton = true;
    return b.Take();
}

TEST(GtkServerFault, AServerThatDiesCancelsTheShownDialogAndLaterOnesAreDeclined) {
    if (system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "Xvfb not found";
    PrivateServer server;
    const std::string started = server.Start();
    ASSERT_TRUE(started.empty()) << started;
    setenv("DISPLAY", server.Name().c_str(), 1);
    std::string note;
    std::shared_ptr<platform::DialogView> view = platform::LoadGtkDialogView(&note);
    ASSERT_NE(view, nullptr) << note;

    FakeDialogHost host(OneButton());
    // The model ends the dialog on Close, as the real ones cancel.
    host.onEvent = [](FakeDialogHost& h, const platform::ControlEvent& e) {
        if (e.kind == platform::ControlEventKind::Close) h.End();
    };
    std::thread killer([&] {
        if (host.WaitOpened()) server.Signal(SIGKILL);
    });
    std::string why;
    EXPECT_TRUE(view->Run(host, 0, &why)) << why;
    killer.join();
    const std::vector<platform::ControlEvent> events = host.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().kind, platform::ControlEventKind::Close) << "cancelled as if closed";

    FakeDialogHost later(OneButton());
    EXPECT_FALSE(view->Run(later, 0, &why));
    EXPECT_NE(why.find("display"), std::string::npos) << why;
    EXPECT_FALSE(later.IsOpened());
}

}  // namespace
}  // namespace rezive::test
