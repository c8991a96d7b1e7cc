#include "platform/win32/BackgroundWork.h"

#include <utility>

BackgroundWork::~BackgroundWork() {
    if (!queue_) return;
    AcquireSRWLockExclusive(&queue_->lock);
    queue_->stopping = true;
    ReleaseSRWLockExclusive(&queue_->lock);
    WakeConditionVariable(&queue_->waiting);
    LetGo(queue_);
}

void BackgroundWork::LetGo(Queue* queue) {
    if (InterlockedDecrement(&queue->holders) != 0) return;
    for (Piece* piece = queue->first; piece;) delete std::exchange(piece, piece->next);
    delete queue;
}

bool BackgroundWork::InBackground(std::function<void()> work, std::function<void()> done) {
    if (!queue_) {
        auto* queue = new Queue;
        queue->window = window_;
        queue->message = message_;
        HANDLE thread = CreateThread(nullptr, 0, Work, queue, 0, nullptr);
        if (!thread) {
            delete queue;
            return false;
        }
        // Nobody waits for the worker: it ends with the process.
        CloseHandle(thread);
        queue_ = queue;
    }
    auto* piece = new Piece{std::move(work), std::move(done), nullptr, nullptr};
    AcquireSRWLockExclusive(&queue_->lock);
    (queue_->last ? queue_->last->next : queue_->first) = piece;
    queue_->last = piece;
    ReleaseSRWLockExclusive(&queue_->lock);
    WakeConditionVariable(&queue_->waiting);
    return true;
}

DWORD WINAPI BackgroundWork::Work(void* shared) {
    auto* queue = static_cast<Queue*>(shared);
    for (;;) {
        AcquireSRWLockExclusive(&queue->lock);
        while (!queue->first && !queue->stopping) SleepConditionVariableSRW(&queue->waiting, &queue->lock, INFINITE, 0);
        Piece* piece = queue->stopping ? nullptr : queue->first;
        if (piece) {
            queue->first = piece->next;
            if (!queue->first) queue->last = nullptr;
        }
        ReleaseSRWLockExclusive(&queue->lock);
        if (!piece) break;
        try {
            piece->work();
        } catch (...) {
            piece->thrown = std::current_exception();
        }
        // A window that is gone takes no message: its piece ends here.
        if (!PostMessageW(queue->window, queue->message, 0, reinterpret_cast<LPARAM>(piece))) delete piece;
    }
    LetGo(queue);
    return 0;
}

void BackgroundWork::Finish(LPARAM posted) {
    auto* piece = reinterpret_cast<Piece*>(posted);
    if (!piece) return;
    std::exception_ptr thrown = std::move(piece->thrown);
    std::function<void()> done = std::move(piece->done);
    delete piece;
    if (thrown) std::rethrow_exception(thrown);
    if (done) done();
}
