// The cost of one password check under Wine: PBKDF2-HMAC-SHA256 through BCrypt with the iteration count
// a new record gets. It should take about a tenth of a second: enough to make guessing slow, little
// enough that a parent does not wait for the box.
#include "lock/password_record.h"
#include "platform/crypto_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

int wmain() {
    constexpr int kRuns = 7;
    kestrel::PasswordSalt salt{};
    kestrel::PasswordKey key{};
    std::vector<double> times;
    LARGE_INTEGER frequency{}, start{}, end{};
    ::QueryPerformanceFrequency(&frequency);
    for (int run = 0; run < kRuns; ++run) {
        ::QueryPerformanceCounter(&start);
        if (!kestrel::win::DerivePbkdf2Sha256(L"家长密码", salt, kestrel::kPasswordIterations, key)) {
            std::printf("FAILED: the system derived no key\n");
            return 1;
        }
        ::QueryPerformanceCounter(&end);
        times.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    std::printf("one password check, PBKDF2-HMAC-SHA256 with %u iterations (%d runs)\n",
                kestrel::kPasswordIterations, kRuns);
    std::printf("  median              %7.1f ms\n", times[kRuns / 2]);
    std::printf("  slowest             %7.1f ms\n", times.back());
    return 0;
}
