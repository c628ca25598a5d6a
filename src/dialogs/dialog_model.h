// DialogModel: one shown dialog as a control table. It holds the description a view draws, the
// set of controls changed since the view last looked, the dispatch of user events to the
// dialog's behaviour, the queue of work other threads hand to the dialog's thread, and the end
// result.
//
// Threads: the model is built on the dialog's thread, and every change to the controls happens
// there. Other threads hand work over with Call(), which waits a bounded time and never blocks
// once the dialog has ended; work that timed out is dropped, never run later, so it may refer to
// the caller's stack.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog_view.h"
#include "platform/mutex.h"

namespace rezive::dialogs {

using platform::ControlEvent;
using platform::ControlEventKind;
using platform::ControlKind;
using platform::DialogControl;
using platform::DialogDescription;

// End results of a dialog: OK, Cancel (also the close box and Escape); 0 while open.
inline constexpr int32_t kResultOk = 1;
inline constexpr int32_t kResultCancel = 2;

class DialogModel : public platform::DialogHost {
public:
    // The behaviour's handler of a user event on a control (index into the controls), called
    // after the model has updated that control's own state.
    using Handler = std::function<void(int32_t index, const ControlEvent& event)>;

    explicit DialogModel(DialogDescription description);
    ~DialogModel() override;
    DialogModel(const DialogModel&) = delete;
    DialogModel& operator=(const DialogModel&) = delete;

    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    // Run by Opened(), on the dialog's thread (the application's hook).
    void SetOpenedAction(std::function<void()> action) { opened_ = std::move(action); }

    // DialogHost
    const DialogDescription& Description() const override { return description_; }
    void Opened() override;
    void Handle(const ControlEvent& event) override;
    std::vector<int32_t> TakeChanges(bool* pagesChanged) override;
    void RunQueued() override;
    bool Ended() const override { return result_.load() != 0; }
    void SetWakeup(std::function<void()> wakeup) override;

    // ---- Controls, for the behaviours (dialog thread)
    // The index of the control with this id on this page (0: the frame), or -1.
    int32_t Find(int32_t id, int32_t page = 0) const;
    // The control a script means by an id: the one on the page shown, else on the frame, else
    // the first with that id; -1 when there is none.
    int32_t FindShown(int32_t id) const;
    const DialogControl& At(int32_t index) const { return description_.controls[Slot(index)]; }
    void SetText(int32_t index, std::string text);
    void SetEnabled(int32_t index, bool enabled);
    void SetChecked(int32_t index, bool checked);
    // Trackbar or up-down; the position is kept inside the range.
    void SetRange(int32_t index, int32_t minimum, int32_t maximum, int32_t pageSize);
    void SetPosition(int32_t index, int32_t position);
    void SetItems(int32_t index, std::vector<std::string> items);
    void InsertItem(int32_t index, int32_t at, std::string text);
    void SetItemText(int32_t index, int32_t at, std::string text);
    // -1, or an index past the items, selects nothing.
    void SetSelection(int32_t index, int32_t selection);
    void ShowPage(int32_t page, bool visible);
    bool PageVisible(int32_t page) const;

    // ---- Ending
    // Dialog thread: ends with the result (the first end wins).
    void End(int32_t result);
    int32_t Result() const { return result_.load(); }
    // Any thread: asks the dialog to cancel; its thread ends it at its next turn.
    void RequestCancel();

    // ---- Work from other threads
    // Runs work on the dialog's thread: at once when called there, else queued and waited for up
    // to timeout. False when the dialog has ended (or ends meanwhile) or the time ran out.
    bool Call(const std::function<void()>& work, std::chrono::milliseconds timeout);
    bool OnDialogThread() const { return std::this_thread::get_id() == thread_; }
    // Headless showing: serves queued work until the dialog ends.
    void ServeUntilEnded();

private:
    struct Work {
        const std::function<void()>* body;
        enum State { kPending, kRunning, kDone, kDropped } state = kPending;
    };

    size_t Slot(int32_t index) const { return static_cast<size_t>(index); }
    void Changed(int32_t index);
    void Wake();
    void DropPending() RZ_REQUIRES(queueLock_);
    void ApplyEvent(int32_t index, const ControlEvent& event);
    // An up-down's step: the buddy edit's number moves by one within the range.
    void Step(int32_t index, int32_t direction);
    void HonourCancelRequest();

    DialogDescription description_;
    Handler handler_;
    std::function<void()> opened_;
    const std::thread::id thread_;
    std::vector<bool> changed_;
    bool pagesChanged_ = false;
    std::atomic<int32_t> result_{0};
    std::atomic<bool> cancelRequested_{false};

    platform::Mutex queueLock_;
    platform::CondVar queueChanged_;
    std::deque<std::shared_ptr<Work>> queue_ RZ_GUARDED_BY(queueLock_);

    // Held while the wake-up runs, so once SetWakeup({}) returns no call of the old one is left.
    platform::Mutex wakeLock_;
    std::function<void()> wakeup_ RZ_GUARDED_BY(wakeLock_);
};

}  // namespace rezive::dialogs
