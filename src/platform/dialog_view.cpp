#include "platform/dialog_view.h"

#include <mutex>

#include "platform/mutex.h"
#include "platform/presenter_loader.h"

namespace rezive::platform {
namespace {

struct ViewSlot {
    Mutex mutex;
    std::shared_ptr<DialogView> view RZ_GUARDED_BY(mutex);
    // SetDialogView was called: no module is loaded after that.
    bool set RZ_GUARDED_BY(mutex) = false;
};

ViewSlot& Slot() {
    static ViewSlot slot;
    return slot;
}

}  // namespace

void SetDialogView(std::shared_ptr<DialogView> view) {
    ViewSlot& slot = Slot();
    MutexLock lock(slot.mutex);
    slot.view = std::move(view);
    slot.set = true;
}

std::shared_ptr<DialogView> CurrentDialogView() {
    ViewSlot& slot = Slot();
    // Starting the toolkit may wait for a display, so it runs outside the lock, once per process.
    static std::once_flag loaded;
    std::call_once(loaded, [&slot] {
        {
            MutexLock lock(slot.mutex);
            if (slot.set) return;
        }
        std::shared_ptr<DialogView> view = LoadDisplayDialogView();
        MutexLock lock(slot.mutex);
        if (!slot.set) slot.view = std::move(view);
    });
    MutexLock lock(slot.mutex);
    return slot.view;
}

}  // namespace rezive::platform
