// The start worker with a recording start function: starts run one at a time, in order, off the caller's
// thread in a single-threaded apartment; failures come back only through the caller's message loop; and
// the starter goes away without waiting for a start that hangs.
#include "actions/program_starter_win.h"

#include "platform/handles_win.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace kestrel::win {
namespace {

// Polls `done` for up to 20 s (the machine is shared), pumping this thread's messages only if asked.
template <typename Done> bool WaitFor(Done done, bool pump) {
    for (int wait = 0;; ++wait) {
        MSG message;
        while (pump && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        }
        if (done() || wait == 2000) {
            return done();
        }
        ::Sleep(10);
    }
}

// What the start function saw, shared with the worker (which may outlive the starter). Every start
// waits at the gate; names beginning with "bad" fail.
struct Seen {
    std::mutex lock;
    std::vector<std::wstring> started;
    std::set<DWORD> threads;
    int running = 0, mostAtOnce = 0;
    bool inSingleThreadedApartment = true;
    UniqueKernelHandle gate{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle entered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle worker;

    std::size_t Count() {
        std::lock_guard guard(lock);
        return started.size();
    }
    static ProgramStarter::StartFunction Recorder(const std::shared_ptr<Seen>& seen) {
        return [seen](const std::wstring& program, bool hidden, HANDLE*) {
            {
                std::lock_guard guard(seen->lock);
                seen->mostAtOnce = std::max(seen->mostAtOnce, ++seen->running);
                if (!seen->worker) {
                    seen->worker.reset(::OpenThread(SYNCHRONIZE, FALSE, ::GetCurrentThreadId()));
                }
            }
            ::SetEvent(seen->entered.get());
            ::WaitForSingleObject(seen->gate.get(), INFINITE);
            const HRESULT apartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); // S_FALSE: in one
            if (SUCCEEDED(apartment)) {
                ::CoUninitialize();
            }
            std::lock_guard guard(seen->lock);
            seen->inSingleThreadedApartment = seen->inSingleThreadedApartment && apartment == S_FALSE;
            seen->threads.insert(::GetCurrentThreadId());
            seen->started.push_back(program + (hidden ? L"|hidden" : L""));
            --seen->running;
            return LaunchResult{program.rfind(L"bad", 0) != 0, ERROR_FILE_NOT_FOUND};
        };
    }
};

TEST(ProgramStarter, StartsInOrderOneAtATimeOnItsOwnThreadAndReportsFailuresThroughTheLoop) {
    auto seen = std::make_shared<Seen>();
    std::vector<std::wstring> failures;
    std::set<DWORD> failureThreads;
    ProgramStarter starter(Seen::Recorder(seen), [&](const std::wstring& program, const LaunchResult&) {
        failures.push_back(program);
        failureThreads.insert(::GetCurrentThreadId());
    });
    for (const wchar_t* program : {L"a", L"bad 1", L"b", L"bad 2", L"c"}) {
        starter.Start(program, std::wstring(program) == L"b");
    }
    // Every call returned while the first start was held at the gate.
    ASSERT_EQ(::WaitForSingleObject(seen->entered.get(), 20000), WAIT_OBJECT_0);
    EXPECT_EQ(seen->Count(), 0u);
    ::SetEvent(seen->gate.get());

    ASSERT_TRUE(WaitFor([&] { return seen->Count() == 5; }, false));
    EXPECT_TRUE(failures.empty()) << "failures arrive only through this thread's message loop";
    ASSERT_TRUE(WaitFor([&] { return failures.size() == 2; }, true));
    std::lock_guard guard(seen->lock);
    EXPECT_EQ(seen->started, (std::vector<std::wstring>{L"a", L"bad 1", L"b|hidden", L"bad 2", L"c"}));
    EXPECT_EQ(failures, (std::vector<std::wstring>{L"bad 1", L"bad 2"}));
    EXPECT_EQ(seen->mostAtOnce, 1);
    EXPECT_EQ(seen->threads.size(), 1u);
    EXPECT_EQ(seen->threads.count(::GetCurrentThreadId()), 0u);
    EXPECT_EQ(failureThreads, std::set<DWORD>{::GetCurrentThreadId()});
    EXPECT_TRUE(seen->inSingleThreadedApartment);
}

TEST(ProgramStarter, GoingAwayNeverWaitsForAStartThatHangs) {
    auto seen = std::make_shared<Seen>();
    int failures = 0;
    {
        ProgramStarter starter(Seen::Recorder(seen),
                               [&](const std::wstring&, const LaunchResult&) { ++failures; });
        starter.Start(L"bad \\\\offline\\share\\tool.exe", false);
        starter.Start(L"queued behind it", false);
        ASSERT_EQ(::WaitForSingleObject(seen->entered.get(), 20000), WAIT_OBJECT_0);
    } // the start is still held at the gate: a destructor that waited would never return

    ::SetEvent(seen->gate.get());
    ASSERT_TRUE(WaitFor([&] { return seen->Count() == 1; }, false));
    EXPECT_EQ(::WaitForSingleObject(seen->worker.get(), 20000), WAIT_OBJECT_0) << "the worker ends once free";
    WaitFor([] { return true; }, true); // a report posted before the worker ended is in the queue now
    std::lock_guard guard(seen->lock);
    EXPECT_EQ(seen->started, std::vector<std::wstring>{L"bad \\\\offline\\share\\tool.exe"})
        << "nothing queued starts after the starter is gone";
    EXPECT_EQ(failures, 0) << "and nothing is reported any more";
}

} // namespace
} // namespace kestrel::win
