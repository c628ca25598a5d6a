#include "dialogs/dialog_registry.h"

#include <map>

#include "platform/mutex.h"

namespace rezive::dialogs {
namespace {

struct Entry {
    std::weak_ptr<DialogModel> model;
    DialogKind kind;
};

struct Registry {
    platform::Mutex mutex;
    std::map<uint32_t, Entry> dialogs GUARDED_BY(mutex);
    uint32_t lastId GUARDED_BY(mutex) = 0;
    DialogHook hook GUARDED_BY(mutex) = nullptr;
    void* user GUARDED_BY(mutex) = nullptr;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;  // outlives dialogs still ending at exit
    return *registry;
}

}  // namespace

void SetDialogHook(DialogHook hook, void* user) {
    Registry& r = TheRegistry();
    platform::MutexLock lock(r.mutex);
    r.hook = hook;
    r.user = hook != nullptr ? user : nullptr;
}

bool DialogHookInstalled() {
    Registry& r = TheRegistry();
    platform::MutexLock lock(r.mutex);
    return r.hook != nullptr;
}

void CallDialogHook(uint32_t dialog, DialogKind kind) {
    Registry& r = TheRegistry();
    DialogHook hook = nullptr;
    void* user = nullptr;
    {
        platform::MutexLock lock(r.mutex);
        hook = r.hook;
        user = r.user;
    }
    // Outside the lock: the hook drives the dialog through the scripting calls.
    if (hook != nullptr) hook(dialog, static_cast<int32_t>(kind), user);
}

uint32_t RegisterDialog(const std::shared_ptr<DialogModel>& model, DialogKind kind) {
    Registry& r = TheRegistry();
    platform::MutexLock lock(r.mutex);
    if (++r.lastId == 0) ++r.lastId;
    r.dialogs[r.lastId] = Entry{model, kind};
    return r.lastId;
}

void UnregisterDialog(uint32_t id) {
    Registry& r = TheRegistry();
    platform::MutexLock lock(r.mutex);
    r.dialogs.erase(id);
}

std::shared_ptr<DialogModel> FindDialog(uint32_t id, DialogKind* kind) {
    Registry& r = TheRegistry();
    platform::MutexLock lock(r.mutex);
    const auto found = r.dialogs.find(id);
    if (found == r.dialogs.end()) return nullptr;
    std::shared_ptr<DialogModel> model = found->second.model.lock();
    if (!model || model->Ended()) return nullptr;
    if (kind) *kind = found->second.kind;
    return model;
}

}  // namespace rezive::dialogs
