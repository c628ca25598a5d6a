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
    std::map<uint32_t, Entry> dialogs RZ_GUARDED_BY(mutex);
    std::map<uint32_t, int32_t> ended RZ_GUARDED_BY(mutex);
    uint32_t lastId RZ_GUARDED_BY(mutex) = 0;
    DialogHook hook RZ_GUARDED_BY(mutex) = nullptr;
    void* user RZ_GUARDED_BY(mutex) = nullptr;
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

void UnregisterDialog(uint32_t id, int32_t result) {
    constexpr size_t kKeptResults = 64;
    Registry& r = TheRegistry();
    platform::MutexLock lock(r.mutex);
    r.dialogs.erase(id);
    r.ended[id] = result;
    if (r.ended.size() > kKeptResults) r.ended.erase(r.ended.begin());
}

bool DialogResult(uint32_t id, int32_t* result) {
    Registry& r = TheRegistry();
    platform::MutexLock lock(r.mutex);
    if (const auto open = r.dialogs.find(id); open != r.dialogs.end()) {
        const std::shared_ptr<DialogModel> model = open->second.model.lock();
        *result = model ? model->Result() : 0;
        return true;
    }
    const auto done = r.ended.find(id);
    if (done == r.ended.end()) return false;
    *result = done->second;
    return true;
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
