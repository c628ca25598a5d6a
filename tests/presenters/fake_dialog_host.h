// A dialog model of the tests' own for the GTK view: records what the view reports, lets a
// test thread run work on the dialog's thread the way scripting does, and ends on request.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dialog_view.h"
#include "support/wait.h"

namespace rezive::test {

class FakeDialogHost final : public platform::DialogHost {
public:
    explicit FakeDialogHost(platform::DialogDescription d) : model_(std::move(d)) {}

    // Runs on the dialog's thread after the view applied each event (the "model" reacting).
    std::function<void(FakeDialogHost&, const platform::ControlEvent&)> onEvent;

    const platform::DialogDescription& Description() const override { return model_; }
    void Opened() override { opened_ = true; }
    void Handle(const platform::ControlEvent& e) override {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(e);
        }
        if (onEvent) onEvent(*this, e);
    }
    std::vector<int32_t> TakeChanges(bool* pages) override {
        *pages = std::exchange(pagesChanged_, false);
        return std::exchange(changed_, {});
    }
    void RunQueued() override {
        std::deque<std::function<void()>> work;
        {
            std::lock_guard lock(mutex_);
            work.swap(queue_);
        }
        for (auto& f : work) f();
    }
    bool Ended() const override { return ended_; }
    void SetWakeup(std::function<void()> wakeup) override {
        std::lock_guard lock(mutex_);
        wakeup_ = std::move(wakeup);
    }

    // Dialog thread only: the model's state, and saying what changed in it.
    platform::DialogDescription& Model() { return model_; }
    platform::DialogControl& Control(int32_t index) { return model_.controls[static_cast<size_t>(index)]; }
    void Changed(int32_t index) { changed_.push_back(index); }
    void PagesChanged() { pagesChanged_ = true; }

    // Any thread.
    void Post(std::function<void()> work) {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
        if (wakeup_) wakeup_();
    }
    // Runs work on the dialog's thread and waits for it; false when it did not run in time.
    bool OnDialog(std::function<void()> work) {
        auto done = std::make_shared<std::atomic<bool>>(false);
        Post([work = std::move(work), done] {
            work();
            *done = true;
        });
        return WaitUntil([&] { return done->load(); }, std::chrono::seconds(30));
    }
    void End() {
        ended_ = true;
        std::lock_guard lock(mutex_);
        if (wakeup_) wakeup_();
    }
    bool WaitOpened() { return WaitUntil([&] { return opened_.load(); }, std::chrono::seconds(30)); }
    bool IsOpened() const { return opened_; }
    std::vector<platform::ControlEvent> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    void ClearEvents() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }

private:
    platform::DialogDescription model_;
    std::vector<int32_t> changed_;
    bool pagesChanged_ = false;
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    std::vector<platform::ControlEvent> events_;
    std::function<void()> wakeup_;
    std::atomic<bool> opened_{false};
    std::atomic<bool> ended_{false};
};

// Runs the dialog on this thread while script runs on a thread of its own (which waits for the
// dialog to open first); the dialog is ended when the script returns, whatever it did.
inline bool RunScripted(platform::DialogView& view, FakeDialogHost& host, uint64_t parent,
                        const std::function<void()>& script, std::string* why = nullptr) {
    std::thread driver([&] {
        if (host.WaitOpened()) script();
        host.End();
    });
    std::string reason;
    const bool shown = view.Run(host, parent, why ? why : &reason);
    if (!shown) host.End();
    driver.join();
    return shown;
}

}  // namespace rezive::test
