// Starts run plans' programs on a worker thread of their own, one at a time and in the order asked, so
// that a start that waits (an elevation prompt, a security warning for a downloaded file, an offline
// network share) never holds up the scheduler, the forbidden-program monitor or a running countdown.
// A start that fails comes back to the thread that made the starter as a posted message.
#pragma once

#include "platform/program_launcher_win.h"
#include "platform/window_win.h"

#include <functional>
#include <memory>
#include <string>

namespace kestrel::win {

class ProgramStarter {
public:
    // Runs on the worker, with COM initialised there (apartment-threaded, for the shell).
    using StartFunction = std::function<LaunchResult(const std::wstring& program, bool hidden)>;
    // Runs on the thread that made the starter, from its message loop.
    using FailureFunction = std::function<void(const std::wstring& program, const LaunchResult& result)>;

    // Must be made on a thread with a message loop; the worker itself comes with the first start.
    ProgramStarter(StartFunction start, FailureFunction failed);
    // Never waits for the worker: a start stuck on an offline share is left to finish on its own (or to
    // end with the process), and neither it nor the starts still queued report anything any more.
    ~ProgramStarter();
    ProgramStarter(const ProgramStarter&) = delete;
    ProgramStarter& operator=(const ProgramStarter&) = delete;

    // Queues one start and returns at once.
    void Start(std::wstring program, bool hidden);

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
    Mailbox mailbox_{*this};
};

} // namespace kestrel::win
