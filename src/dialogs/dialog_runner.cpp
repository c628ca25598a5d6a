#include "dialogs/dialog_runner.h"

#include "platform/dialog_view.h"

namespace rezive::dialogs {

bool DialogsAvailable() { return DialogHookInstalled() || platform::CurrentDialogView() != nullptr; }

int32_t RunDialog(const std::shared_ptr<DialogModel>& model, DialogKind kind,
                  uint64_t nativeParent, std::string* why) {
    const uint32_t id = RegisterDialog(model, kind);
    model->SetOpenedAction([id, kind] { CallDialogHook(id, kind); });
    std::string declined;
    bool shown = false;
    if (std::shared_ptr<platform::DialogView> view = platform::CurrentDialogView()) {
        shown = view->Run(*model, nativeParent, &declined);
    } else {
        declined = "no display to show dialogs on";
    }
    if (!shown && DialogHookInstalled()) {
        model->Opened();
        model->ServeUntilEnded();
        shown = true;
    }
    UnregisterDialog(id, shown ? model->Result() : 0);
    if (!shown) {
        if (why) *why = declined;
        return 0;
    }
    return model->Result();
}

}  // namespace rezive::dialogs
