// The run plans' start worker; see program_starter_win.h.
#include "actions/program_starter_win.h"

#include "platform/com_win.h"
#include "platform/handles_win.h"

#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace kestrel::win {

namespace {

constexpr wchar_t kMailboxClass[] = L"Kestrel.ProgramStarter";
// Posted by the worker to the mailbox: failures are waiting.
constexpr UINT kMsgStartsFailed = WM_APP + 1;

struct Job {
    std::wstring program;
    bool hidden = false;
};

struct Failure {
    std::wstring program;
    LaunchResult result;
};

} // namespace

// What the starter and its worker share. The worker holds its own reference, so the starter can go
// while a start is still under way.
struct ProgramStarter::Shared {
    explicit Shared(StartFunction function) : start(std::move(function)) {}

    const StartFunction start;
    const UniqueKernelHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::mutex lock;
    // Guarded by `lock`:
    std::deque<Job> jobs;
    std::vector<Failure> failures;
    HWND mailbox = nullptr; // null once the starter is gone
    bool stopping = false;
    bool workerRunning = false;

    // Called with `lock` held.
    void Report(std::wstring program, const LaunchResult& result) {
        failures.push_back({std::move(program), result});
        ::PostMessageW(mailbox, kMsgStartsFailed, 0, 0);
    }

    static void Work(const std::shared_ptr<Shared>& shared);
};

void ProgramStarter::Shared::Work(const std::shared_ptr<Shared>& shared) {
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
        try {
            result = shared->start(job.program, job.hidden);
        } catch (...) {
            result = {false, ERROR_NOT_ENOUGH_MEMORY};
        }
        if (!result.started) {
            std::lock_guard guard(shared->lock);
            if (shared->stopping) {
                return;
            }
            shared->Report(std::move(job.program), result);
        }
    }
}

ProgramStarter::ProgramStarter(StartFunction start, FailureFunction failed)
    : shared_(std::make_shared<Shared>(std::move(start))), failed_(std::move(failed)) {
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
    }
    ::SetEvent(shared_->wake.get());
}

void ProgramStarter::Start(std::wstring program, bool hidden) {
    bool startWorker = false;
    {
        std::lock_guard guard(shared_->lock);
        shared_->jobs.push_back({std::move(program), hidden});
        startWorker = !shared_->workerRunning;
        shared_->workerRunning = true;
    }
    if (startWorker) {
        try {
            std::thread(&Shared::Work, shared_).detach();
        } catch (...) {
            // No thread to be had: every start waiting is told as failed, and the next one tries again.
            std::lock_guard guard(shared_->lock);
            shared_->workerRunning = false;
            for (Job& job : shared_->jobs) {
                shared_->Report(std::move(job.program), {false, ERROR_NOT_ENOUGH_MEMORY});
            }
            shared_->jobs.clear();
            return;
        }
    }
    ::SetEvent(shared_->wake.get());
}

void ProgramStarter::DeliverFailures() {
    std::vector<Failure> failures;
    {
        std::lock_guard guard(shared_->lock);
        failures.swap(shared_->failures);
    }
    for (const Failure& failure : failures) {
        if (failed_) {
            failed_(failure.program, failure.result);
        }
    }
}

bool ProgramStarter::Mailbox::Create() {
    return CreateWindowOf(kMailboxClass, WNDCLASSEXW{}, 0, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
}

LRESULT ProgramStarter::Mailbox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsgStartsFailed) {
        owner_.DeliverFailures();
        return 0;
    }
    return Default(message, wParam, lParam);
}

} // namespace kestrel::win
