// Starts run plans' programs on a worker thread of their own, one at a time and in the order asked, so
// that a start that waits (an elevation prompt, a security warning for a downloaded file, an offline
// network share) never holds up the scheduler, the forbidden-program monitor or a running countdown.
// A start that fails comes back to the thread that made the starter as a posted message, and so does the
// process of a start whose caller asked to keep it.
#pragma once

#include "platform/handles_win.h"
#include "platform/program_launcher_win.h"
#include "platform/window_win.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestrel::win {

class ProgramStarter {
public:
    // Runs on the worker, with COM initialised there (apartment-threaded, for the shell). With `process`,
    // a start that succeeds leaves the started process's handle there, or null when there is none.
    using StartFunction =
        std::function<LaunchResult(const std::wstring& program, bool hidden, HANDLE* process)>;
    // Runs on the thread that made the starter, from its message loop.
    using FailureFunction = std::function<void(const std::wstring& program, const LaunchResult& result)>;
    // Also there, for every start queued with a `keep` number: whether it started, and its process
    // (empty when the start gave none). The receiver owns the handle.
    using KeptFunction = std::function<void(std::uint64_t keep, bool started, UniqueKernelHandle process)>;

    // Must be made on a thread with a message loop; the worker itself comes with the first start.
    ProgramStarter(StartFunction start, FailureFunction failed, KeptFunction kept = {});
    // Never waits for the worker: a start stuck on an offline share is left to finish on its own (or to
    // end with the process), and neither it nor the starts still queued report anything any more.
    ~ProgramStarter();
    ProgramStarter(const ProgramStarter&) = delete;
    ProgramStarter& operator=(const ProgramStarter&) = delete;

    // Queues one start and returns at once. A non-zero `keep` asks for the process back, with that number,
    // instead of its handle being closed.
    void Start(std::wstring program, bool hidden, std::uint64_t keep = 0);

private:
    struct Shared;
    // The message-only window that the worker's failure reports are posted to.
    class Mailbox final : public Window {
    public:
        explicit Mailbox(ProgramStarter& owner) : owner_(owner) {}
        bool Create();

    protected:
        LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    private:
        ProgramStarter& owner_;
    };

    void DeliverFailures();

    std::shared_ptr<Shared> shared_;
    FailureFunction failed_;
    KeptFunction kept_;
    Mailbox mailbox_{*this};
};

} // namespace kestrel::win
