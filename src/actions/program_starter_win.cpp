// The run plans' start worker; see program_starter_win.h.
#include "actions/program_starter_win.h"
#include "platform/threads_win.h"

#include "platform/com_win.h"
#include "platform/handles_win.h"
#include "platform/process_access_win.h"

#include <deque>
#include <utility>
#include <vector>

namespace kestrel::win {

namespace {

constexpr wchar_t kMailboxClass[] = L"Kestrel.ProgramStarter";
// Posted by the worker to the mailbox: failures, or processes to hand back, are waiting.
constexpr UINT kMsgStartsBack = WM_APP + 1;

struct Job {
    std::wstring program;
    bool hidden = false;
    std::uint64_t keep = 0;
};

struct Failure {
    std::wstring program;
    LaunchResult result;
};

// A start whose process goes back to the caller; `process` is owned until it is delivered.
struct Kept {
    std::uint64_t keep = 0;
    bool started = false;
    HANDLE process = nullptr;
};

} // namespace

// What the starter and its worker share. The worker holds its own reference, so the starter can go
// while a start is still under way.
struct ProgramStarter::Shared {
    explicit Shared(StartFunction function) : start(std::move(function)) {}

    const StartFunction start;
    const UniqueKernelHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    SlimLock lock;
    // Guarded by `lock`:
    std::deque<Job> jobs;
    std::vector<Failure> failures;
    std::vector<Kept> kept;
    HWND mailbox = nullptr; // null once the starter is gone
    bool stopping = false;
    bool workerRunning = false;

    // Called with `lock` held.
    void Report(std::wstring program, const LaunchResult& result) {
        failures.push_back({std::move(program), result});
        ::PostMessageW(mailbox, kMsgStartsBack, 0, 0);
    }
    void Hand(const Kept& start) {
        kept.push_back(start);
        ::PostMessageW(mailbox, kMsgStartsBack, 0, 0);
    }
    void CloseKept() {
        for (const Kept& start : kept) {
            UniqueKernelHandle closed(start.process);
        }
        kept.clear();
    }

    static void Work(const std::shared_ptr<Shared>& shared);
};

void ProgramStarter::Shared::Work(const std::shared_ptr<Shared>& shared) {
    // Under the parent's lock this thread's access list is the process's (platform/process_access_win.h).
    const KestrelThread guarded;
    // The shell's handlers expect a single-threaded apartment; a thread in one must also keep its
    // messages flowing while it waits.
    ComApartment com;
    for (;;) {
        Job job;
        bool haveJob = false;
        {
            std::lock_guard guard(shared->lock);
            if (shared->stopping) {
                return;
            }
            if (!shared->jobs.empty()) {
                job = std::move(shared->jobs.front());
                shared->jobs.pop_front();
                haveJob = true;
            }
        }
        if (!haveJob) {
            HANDLE wake = shared->wake.get();
            if (::MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
                WAIT_OBJECT_0 + 1) {
                MSG message;
                while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                }
            }
            continue;
        }
        LaunchResult result;
        HANDLE process = nullptr;
        try {
            result = shared->start(job.program, job.hidden, job.keep ? &process : nullptr);
        } catch (...) {
            result = {false, ERROR_NOT_ENOUGH_MEMORY};
        }
        UniqueKernelHandle owned(process);
        if (!result.started || job.keep) {
            std::lock_guard guard(shared->lock);
            if (shared->stopping) {
                return;
            }
            if (!result.started) {
                shared->Report(std::move(job.program), result);
            }
            if (job.keep) {
                shared->Hand({job.keep, result.started, owned.release()});
            }
        }
    }
}

ProgramStarter::ProgramStarter(StartFunction start, FailureFunction failed, KeptFunction kept)
    : shared_(std::make_shared<Shared>(std::move(start))), failed_(std::move(failed)),
      kept_(std::move(kept)) {
    mailbox_.Create();
    shared_->mailbox = mailbox_.hwnd();
}

ProgramStarter::~ProgramStarter() {
    {
        std::lock_guard guard(shared_->lock);
        shared_->stopping = true;
        shared_->mailbox = nullptr;
        shared_->jobs.clear();
        shared_->failures.clear();
        shared_->CloseKept();
    }
    ::SetEvent(shared_->wake.get());
}

void ProgramStarter::Start(std::wstring program, bool hidden, std::uint64_t keep) {
    bool startWorker = false;
    {
        std::lock_guard guard(shared_->lock);
        shared_->jobs.push_back({std::move(program), hidden, keep});
        startWorker = !shared_->workerRunning;
        shared_->workerRunning = true;
    }
    if (startWorker) {
        UniqueKernelHandle worker = StartThread([shared = shared_] { Shared::Work(shared); });
        if (!worker) {
            // No thread to be had: every start waiting is told as failed, and the next one tries again.
            std::lock_guard guard(shared_->lock);
            shared_->workerRunning = false;
            for (Job& job : shared_->jobs) {
                shared_->Report(std::move(job.program), {false, ERROR_NOT_ENOUGH_MEMORY});
                if (job.keep) {
                    shared_->Hand({job.keep, false, nullptr});
                }
            }
            shared_->jobs.clear();
            return;
        }
    }
    ::SetEvent(shared_->wake.get());
}

void ProgramStarter::DeliverFailures() {
    std::vector<Failure> failures;
    std::vector<Kept> kept;
    {
        std::lock_guard guard(shared_->lock);
        failures.swap(shared_->failures);
        kept.swap(shared_->kept);
    }
    for (const Failure& failure : failures) {
        if (failed_) {
            failed_(failure.program, failure.result);
        }
    }
    for (const Kept& start : kept) {
        UniqueKernelHandle process(start.process);
        if (kept_) {
            kept_(start.keep, start.started, std::move(process));
        }
    }
}

bool ProgramStarter::Mailbox::Create() {
    return CreateWindowOf(kMailboxClass, WNDCLASSEXW{}, 0, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
}

LRESULT ProgramStarter::Mailbox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsgStartsBack) {
        owner_.DeliverFailures();
        return 0;
    }
    return Default(message, wParam, lParam);
}

} // namespace kestrel::win
