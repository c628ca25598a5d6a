#include "platform/dialog_view.h"

#include <mutex>

#include "platform/presenter_loader.h"

namespace rezive::platform {
namespace {

struct ViewSlot {
    std::mutex mutex;
    std::shared_ptr<DialogView> view;
    bool set = false;  // SetDialogView was called: no module is loaded after that
};

ViewSlot& Slot() {
    static ViewSlot slot;
    return slot;
}

}  // namespace

void SetDialogView(std::shared_ptr<DialogView> view) {
    ViewSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    slot.view = std::move(view);
    slot.set = true;
}

std::shared_ptr<DialogView> CurrentDialogView() {
    ViewSlot& slot = Slot();
    // Starting the toolkit may wait for a display, so it runs outside the lock, once per process.
    static std::once_flag loaded;
    std::call_once(loaded, [&slot] {
        {
            std::lock_guard lock(slot.mutex);
            if (slot.set) return;
        }
        std::shared_ptr<DialogView> view = LoadDisplayDialogView();
        std::lock_guard lock(slot.mutex);
        if (!slot.set) slot.view = std::move(view);
    });
    std::lock_guard lock(slot.mutex);
    return slot.view;
}

}  // namespace rezive::platform
