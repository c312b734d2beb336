// The access lists of Kestrel's own process and threads; see process_access_win.h.
#include "platform/process_access_win.h"
#include "platform/threads_win.h"

#include "platform/handles_win.h"

#include <aclapi.h>

#include <algorithm>

namespace kestrel::win {
namespace {

// Every right on a process or a thread (PROCESS_ALL_ACCESS and THREAD_ALL_ACCESS as Vista and later count
// them, whatever the headers target).
constexpr DWORD kAllRights = STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFF;
constexpr DWORD kUserProcessRights = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | READ_CONTROL;
constexpr DWORD kUserThreadRights = SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION | READ_CONTROL;

// The user the process runs as, as a SID in `buffer`; nullptr when the token cannot be read.
PSID ProcessUser(std::vector<BYTE>& buffer) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return nullptr;
    }
    const UniqueKernelHandle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer.resize(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        return nullptr;
    }
    return reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
}

// The list while the lock is set: SYSTEM and Administrators everything, the user `userRights`, the
// owner (OWNER RIGHTS, S-1-3-4) READ_CONTROL only. False when a part of it cannot be made.
bool LockedList(std::vector<BYTE>& buffer, DWORD userRights) {
    std::vector<BYTE> userBuffer;
    const PSID user = ProcessUser(userBuffer);
    BYTE system[SECURITY_MAX_SID_SIZE];
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof(system);
    DWORD adminsSize = sizeof(admins);
    // Made by hand: not every system knows OWNER RIGHTS among its well-known SIDs.
    SID_IDENTIFIER_AUTHORITY creator = SECURITY_CREATOR_SID_AUTHORITY;
    BYTE owner[SECURITY_MAX_SID_SIZE];
    if (!user || !::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize) ||
        !::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize) ||
        !::InitializeSid(owner, &creator, 1)) {
        return false;
    }
    *::GetSidSubAuthority(owner, 0) = 4; // SECURITY_CREATOR_OWNER_RIGHTS_RID
    const DWORD aceBase = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    buffer.assign(sizeof(ACL) + 4 * aceBase + ::GetLengthSid(user) + systemSize + adminsSize +
                      ::GetLengthSid(owner),
                  0);
    auto* list = reinterpret_cast<ACL*>(buffer.data());
    return ::InitializeAcl(list, static_cast<DWORD>(buffer.size()), ACL_REVISION) &&
           ::AddAccessAllowedAce(list, ACL_REVISION, kAllRights, system) &&
           ::AddAccessAllowedAce(list, ACL_REVISION, kAllRights, admins) &&
           ::AddAccessAllowedAce(list, ACL_REVISION, userRights, user) &&
           ::AddAccessAllowedAce(list, ACL_REVISION, READ_CONTROL, owner);
}

bool SetList(HANDLE object, ACL* list) {
    // The pseudo-handles of the own process and thread carry every right, WRITE_DAC included, whatever
    // the list says; so does a handle duplicated from one before the list changed.
    return ::SetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, list,
                             nullptr) == ERROR_SUCCESS;
}

// Copies `object`'s list into `bytes` (`null`: it has none). False when it cannot be read.
bool SaveList(HANDLE object, bool& null, std::vector<BYTE>& bytes) {
    ACL* list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list, nullptr,
                          &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    null = list == nullptr;
    if (list) {
        const auto* start = reinterpret_cast<const BYTE*>(list);
        bytes.assign(start, start + list->AclSize);
    }
    ::LocalFree(descriptor);
    return true;
}

bool RestoreList(HANDLE object, bool null, std::vector<BYTE>& bytes) {
    return SetList(object, null ? nullptr : reinterpret_cast<ACL*>(bytes.data()));
}

// The threads that hold a KestrelThread, with a handle of their own and the list each had.
struct ThreadEntry {
    DWORD id;
    HANDLE handle;
    bool null;
    std::vector<BYTE> original;
};
struct Threads {
    SlimLock lock;
    bool withheld = false;
    std::vector<ThreadEntry> entries;
};
Threads& KestrelThreads() {
    static Threads threads;
    return threads;
}

} // namespace

bool OwnProcessAccess::SetEndableByUser(bool endable) {
    if (endable != withheld_) {
        return true;
    }
    Threads& threads = KestrelThreads();
    if (endable) {
        const bool restored = RestoreList(::GetCurrentProcess(), savedNull_, savedList_);
        withheld_ = !restored;
        if (threadSaved_) {
            RestoreList(::GetCurrentThread(), threadSavedNull_, savedThreadList_);
        }
        const std::lock_guard guard(threads.lock);
        threads.withheld = false;
        for (ThreadEntry& entry : threads.entries) {
            RestoreList(entry.handle, entry.null, entry.original);
        }
        return restored;
    }
    if (!saved_) {
        if (!SaveList(::GetCurrentProcess(), savedNull_, savedList_)) {
            return false; // without the list to go back to, nothing is changed
        }
        saved_ = true;
    }
    std::vector<BYTE> processList;
    std::vector<BYTE> threadList;
    if (!LockedList(processList, kUserProcessRights) || !LockedList(threadList, kUserThreadRights)) {
        return false;
    }
    withheld_ = SetList(::GetCurrentProcess(), reinterpret_cast<ACL*>(processList.data()));
    if (!withheld_) {
        return false;
    }
    if (!threadSaved_) {
        threadSaved_ = SaveList(::GetCurrentThread(), threadSavedNull_, savedThreadList_);
    }
    if (threadSaved_) {
        SetList(::GetCurrentThread(), reinterpret_cast<ACL*>(threadList.data()));
    }
    const std::lock_guard guard(threads.lock);
    threads.withheld = true;
    for (ThreadEntry& entry : threads.entries) {
        SetList(entry.handle, reinterpret_cast<ACL*>(threadList.data()));
    }
    return true;
}

KestrelThread::KestrelThread() {
    // A real handle with the pseudo-handle's rights, kept so that the lock's change reaches this thread
    // from the UI thread whatever its list says by then.
    HANDLE handle = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &handle, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        return;
    }
    ThreadEntry entry{::GetCurrentThreadId(), handle, false, {}};
    if (!SaveList(handle, entry.null, entry.original)) {
        ::CloseHandle(handle);
        return;
    }
    Threads& threads = KestrelThreads();
    const std::lock_guard guard(threads.lock);
    if (threads.withheld) {
        std::vector<BYTE> list;
        if (LockedList(list, kUserThreadRights)) {
            SetList(handle, reinterpret_cast<ACL*>(list.data()));
        }
    }
    try {
        threads.entries.push_back(std::move(entry));
    } catch (...) {
        ::CloseHandle(handle);
    }
}

KestrelThread::~KestrelThread() {
    Threads& threads = KestrelThreads();
    const std::lock_guard guard(threads.lock);
    const DWORD id = ::GetCurrentThreadId();
    const auto entry = std::find_if(threads.entries.begin(), threads.entries.end(),
                                    [id](const ThreadEntry& e) { return e.id == id; });
    if (entry != threads.entries.end()) {
        ::CloseHandle(entry->handle);
        threads.entries.erase(entry);
    }
}

} // namespace kestrel::win
