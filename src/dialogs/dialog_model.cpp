#include "dialogs/dialog_model.h"

#include <algorithm>
#include <utility>

#include "dialogs/dialog_numbers.h"

namespace rezive::dialogs {

DialogModel::DialogModel(DialogDescription description)
    : description_(std::move(description)),
      thread_(std::this_thread::get_id()),
      changed_(description_.controls.size(), false) {}

DialogModel::~DialogModel() {
    platform::MutexLock lock(queueLock_);
    DropPending();
}

void DialogModel::Opened() {
    HonourCancelRequest();
    if (opened_ && !Ended()) opened_();
}

void DialogModel::Handle(const ControlEvent& event) {
    HonourCancelRequest();
    if (Ended()) return;
    if (event.kind == ControlEventKind::Close) {
        if (handler_) handler_(-1, event);
        End(kResultCancel);  // a behaviour that did not end on Close still closes
        return;
    }
    if (event.control < 0 || static_cast<size_t>(event.control) >= description_.controls.size()) return;
    if (!At(event.control).enabled) return;
    ApplyEvent(event.control, event);
}

void DialogModel::ApplyEvent(int32_t index, const ControlEvent& event) {
    DialogControl& c = description_.controls[Slot(index)];
    switch (event.kind) {
        case ControlEventKind::TextChanged:
            if (c.kind != ControlKind::Edit) return;
            SetText(index, event.text);
            break;
        case ControlEventKind::SelectionChanged:
            if (c.kind != ControlKind::DropDown && c.kind != ControlKind::Tab) return;
            if (event.value < 0 || static_cast<size_t>(event.value) >= c.items.size()) return;
            SetSelection(index, event.value);
            break;
        case ControlEventKind::Clicked:
            if (c.kind == ControlKind::CheckBox) {
                SetChecked(index, !c.checked);
            } else if (c.kind == ControlKind::RadioButton) {
                // Radio buttons next to each other on one page form a group.
                size_t first = Slot(index), last = Slot(index);
                auto sameGroup = [&](size_t i) {
                    return description_.controls[i].kind == ControlKind::RadioButton &&
                           description_.controls[i].page == c.page;
                };
                while (first > 0 && sameGroup(first - 1)) --first;
                while (last + 1 < description_.controls.size() && sameGroup(last + 1)) ++last;
                for (size_t i = first; i <= last; ++i) SetChecked(static_cast<int32_t>(i), i == Slot(index));
            } else if (c.kind != ControlKind::PushButton) {
                return;
            }
            break;
        case ControlEventKind::Scrolled:
            if (c.kind != ControlKind::Trackbar) return;
            SetPosition(index, event.value);
            break;
        case ControlEventKind::Stepped:
            if (c.kind != ControlKind::UpDown) return;
            Step(index, event.value);
            return;
        case ControlEventKind::Close:
            return;
    }
    if (handler_) handler_(index, event);
}

void DialogModel::Step(int32_t index, int32_t direction) {
    const DialogControl& up = At(index);
    if (up.buddy < 0 || static_cast<size_t>(up.buddy) >= description_.controls.size()) return;
    const int32_t buddy = up.buddy;
    if (!At(buddy).enabled) return;
    const int64_t current = std::clamp<int64_t>(ParseSigned(At(buddy).text), up.minimum, up.maximum);
    const int32_t next = static_cast<int32_t>(
        std::clamp<int64_t>(current + (direction > 0 ? 1 : -1), up.minimum, up.maximum));
    SetPosition(index, next);
    // The up-down writes its buddy's number, which the dialog then handles as typing.
    ControlEvent typed;
    typed.control = buddy;
    typed.kind = ControlEventKind::TextChanged;
    typed.text = std::to_string(next);
    ApplyEvent(buddy, typed);
}

std::vector<int32_t> DialogModel::TakeChanges(bool* pagesChanged) {
    std::vector<int32_t> indices;
    for (size_t i = 0; i < changed_.size(); ++i) {
        if (!changed_[i]) continue;
        indices.push_back(static_cast<int32_t>(i));
        changed_[i] = false;
    }
    if (pagesChanged) *pagesChanged = pagesChanged_;
    pagesChanged_ = false;
    return indices;
}

void DialogModel::RunQueued() {
    HonourCancelRequest();
    for (;;) {
        std::shared_ptr<Work> work;
        {
            platform::MutexLock lock(queueLock_);
            if (queue_.empty()) return;
            work = std::move(queue_.front());
            queue_.pop_front();
            if (work->state != Work::kPending) continue;
            work->state = Work::kRunning;
        }
        const bool run = !Ended();
        if (run) (*work->body)();
        platform::MutexLock lock(queueLock_);
        work->state = run ? Work::kDone : Work::kDropped;
        queueChanged_.NotifyAll();
    }
}

void DialogModel::SetWakeup(std::function<void()> wakeup) {
    platform::MutexLock lock(wakeLock_);
    wakeup_ = std::move(wakeup);
}

void DialogModel::Wake() {
    platform::MutexLock lock(wakeLock_);
    if (wakeup_) wakeup_();
}

int32_t DialogModel::Find(int32_t id, int32_t page) const {
    for (size_t i = 0; i < description_.controls.size(); ++i) {
        const DialogControl& c = description_.controls[i];
        if (c.id == id && c.page == page) return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t DialogModel::FindShown(int32_t id) const {
    if (id < 0) return -1;
    for (size_t p = 0; p < description_.pages.size(); ++p) {
        if (!description_.pages[p].visible) continue;
        const int32_t found = Find(id, static_cast<int32_t>(p + 1));
        if (found >= 0) return found;
    }
    const int32_t onFrame = Find(id, 0);
    if (onFrame >= 0) return onFrame;
    for (size_t i = 0; i < description_.controls.size(); ++i) {
        if (description_.controls[i].id == id) return static_cast<int32_t>(i);
    }
    return -1;
}

void DialogModel::Changed(int32_t index) { changed_[Slot(index)] = true; }

void DialogModel::SetText(int32_t index, std::string text) {
    description_.controls[Slot(index)].text = std::move(text);
    Changed(index);
}

void DialogModel::SetEnabled(int32_t index, bool enabled) {
    description_.controls[Slot(index)].enabled = enabled;
    Changed(index);
}

void DialogModel::SetChecked(int32_t index, bool checked) {
    description_.controls[Slot(index)].checked = checked;
    Changed(index);
}

void DialogModel::SetRange(int32_t index, int32_t minimum, int32_t maximum, int32_t pageSize) {
    DialogControl& c = description_.controls[Slot(index)];
    c.minimum = std::min(minimum, maximum);
    c.maximum = std::max(minimum, maximum);
    c.pageSize = pageSize;
    c.position = std::clamp(c.position, c.minimum, c.maximum);
    Changed(index);
}

void DialogModel::SetPosition(int32_t index, int32_t position) {
    DialogControl& c = description_.controls[Slot(index)];
    c.position = std::clamp(position, c.minimum, c.maximum);
    Changed(index);
}

void DialogModel::SetItems(int32_t index, std::vector<std::string> items) {
    DialogControl& c = description_.controls[Slot(index)];
    c.items = std::move(items);
    c.selection = -1;
    Changed(index);
}

void DialogModel::InsertItem(int32_t index, int32_t at, std::string text) {
    DialogControl& c = description_.controls[Slot(index)];
    const size_t where = std::min(static_cast<size_t>(std::max(at, 0)), c.items.size());
    c.items.insert(c.items.begin() + static_cast<std::ptrdiff_t>(where), std::move(text));
    if (c.selection >= static_cast<int32_t>(where)) ++c.selection;
    Changed(index);
}

void DialogModel::SetItemText(int32_t index, int32_t at, std::string text) {
    DialogControl& c = description_.controls[Slot(index)];
    if (at < 0 || static_cast<size_t>(at) >= c.items.size()) return;
    c.items[static_cast<size_t>(at)] = std::move(text);
    Changed(index);
}

void DialogModel::SetSelection(int32_t index, int32_t selection) {
    DialogControl& c = description_.controls[Slot(index)];
    c.selection = selection >= 0 && static_cast<size_t>(selection) < c.items.size() ? selection : -1;
    Changed(index);
}

void DialogModel::ShowPage(int32_t page, bool visible) {
    if (page < 1 || static_cast<size_t>(page) > description_.pages.size()) return;
    platform::DialogPage& p = description_.pages[static_cast<size_t>(page - 1)];
    if (p.visible == visible) return;
    p.visible = visible;
    pagesChanged_ = true;
}

bool DialogModel::PageVisible(int32_t page) const {
    return page >= 1 && static_cast<size_t>(page) <= description_.pages.size() &&
           description_.pages[static_cast<size_t>(page - 1)].visible;
}

void DialogModel::End(int32_t result) {
    int32_t open = 0;
    if (!result_.compare_exchange_strong(open, result)) return;
    {
        platform::MutexLock lock(queueLock_);
        DropPending();
    }
    Wake();
}

void DialogModel::RequestCancel() {
    cancelRequested_ = true;
    {
        platform::MutexLock lock(queueLock_);
        queueChanged_.NotifyAll();
    }
    Wake();
}

void DialogModel::HonourCancelRequest() {
    if (cancelRequested_.load() && !Ended()) {
        ControlEvent close;
        close.kind = ControlEventKind::Close;
        if (handler_) handler_(-1, close);
        End(kResultCancel);
    }
}

void DialogModel::DropPending() {
    for (const std::shared_ptr<Work>& work : queue_) {
        if (work->state == Work::kPending) work->state = Work::kDropped;
    }
    queue_.clear();
    queueChanged_.NotifyAll();
}

bool DialogModel::Call(const std::function<void()>& work, std::chrono::milliseconds timeout) {
    if (Ended()) return false;
    if (OnDialogThread()) {
        RunQueued();
        if (Ended()) return false;
        work();
        Wake();  // the view re-reads what the work changed
        return true;
    }
    auto item = std::make_shared<Work>();
    item->body = &work;
    {
        platform::MutexLock lock(queueLock_);
        if (Ended()) return false;
        queue_.push_back(item);
        queueChanged_.NotifyAll();  // a headless dialog waits on this, a view on its wake-up
    }
    Wake();
    platform::MutexLock lock(queueLock_);
    queueChanged_.WaitFor(queueLock_, timeout, [&] {
        return item->state == Work::kDone || item->state == Work::kDropped;
    });
    if (item->state == Work::kPending) item->state = Work::kDropped;
    // Work that has begun finishes on the dialog's thread: it refers to this caller's stack.
    queueChanged_.Wait(queueLock_, [&] { return item->state != Work::kRunning; });
    return item->state == Work::kDone;
}

void DialogModel::ServeUntilEnded() {
    while (!Ended()) {
        RunQueued();
        platform::MutexLock lock(queueLock_);
        // The predicate runs with the lock held.
        queueChanged_.WaitFor(queueLock_, std::chrono::milliseconds(100), [&]() RZ_NO_THREAD_SAFETY_ANALYSIS {
            return !queue_.empty() || Ended() || cancelRequested_.load();
        });
    }
}

}  // namespace rezive::dialogs
