#pragma once
#include <windows.h>

#include <exception>
#include <functional>

// Work the window's thread must not wait for (a download, a file read), done
// one piece after another on one worker thread of the process's own, each
// piece's answer then run on the window's thread: the worker posts the
// window a message, and the window procedure hands it to Finish.
//
// At the end of the process the worker is not waited for: a piece in hand is
// abandoned when the window's thread ends the process, and the pieces still
// queued are dropped. What a piece touches must therefore outlive the
// window's thread, or the process must end (ExitProcess) without destroying it.
class BackgroundWork {
public:
    BackgroundWork(HWND window, UINT doneMessage) : window_(window), message_(doneMessage) {}
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // Queues work; once it has run, done runs on the window's thread (not
    // when the window is gone). A work that throws has done skipped, and
    // Finish throws its exception on the window's thread instead. False when
    // the worker thread could not be made: nothing is queued.
    bool InBackground(std::function<void()> work, std::function<void()> done);

    // The window procedure's part, for doneMessage's lParam: runs the piece's
    // done. Call it once per such message.
    static void Finish(LPARAM posted);

private:
    struct Piece {
        std::function<void()> work, done;
        std::exception_ptr thrown;
        Piece* next = nullptr;
    };
    // What the worker and this object share; whichever lets go of it last
    // frees it, so the worker may outlive this object.
    struct Queue {
        SRWLOCK lock = SRWLOCK_INIT;
        CONDITION_VARIABLE waiting = CONDITION_VARIABLE_INIT;
        Piece *first = nullptr, *last = nullptr;
        bool stopping = false;
        LONG holders = 2;
        HWND window;
        UINT message;
    };
    static DWORD WINAPI Work(void* queue);
    static void LetGo(Queue* queue);

    HWND window_;
    UINT message_;
    Queue* queue_ = nullptr;  // made with the worker, at the first piece
};
