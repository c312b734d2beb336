// The access list of Kestrel's own process; see process_access_win.h.
#include "platform/process_access_win.h"

#include "platform/handles_win.h"

#include <aclapi.h>

#include <cstring>

namespace kestrel::win {
namespace {

// Every right on a process (PROCESS_ALL_ACCESS as Vista and later count it, whatever the headers target).
constexpr DWORD kAllProcessRights = STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFF;

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

bool SetOwnAccessList(ACL* list) {
    // The pseudo-handle of the own process carries every right, WRITE_DAC included, whatever the list says.
    return ::SetSecurityInfo(::GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                             nullptr, list, nullptr) == ERROR_SUCCESS;
}

} // namespace

bool OwnProcessAccess::SetEndableByUser(bool endable) {
    if (endable != withheld_) {
        return true;
    }
    if (endable) {
        const bool restored =
            SetOwnAccessList(savedNull_ ? nullptr : reinterpret_cast<ACL*>(savedList_.data()));
        withheld_ = !restored;
        return restored;
    }
    if (!saved_) {
        ACL* list = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (::GetSecurityInfo(::GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS) {
            return false; // without the list to go back to, nothing is changed
        }
        savedNull_ = list == nullptr;
        if (list) {
            const auto* bytes = reinterpret_cast<const BYTE*>(list);
            savedList_.assign(bytes, bytes + list->AclSize);
        }
        ::LocalFree(descriptor);
        saved_ = true;
    }
    std::vector<BYTE> userBuffer;
    const PSID user = ProcessUser(userBuffer);
    BYTE system[SECURITY_MAX_SID_SIZE];
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof(system);
    DWORD adminsSize = sizeof(admins);
    if (!user || !::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize) ||
        !::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize)) {
        return false;
    }
    const DWORD aceBase = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    std::vector<BYTE> buffer(sizeof(ACL) + 3 * aceBase + ::GetLengthSid(user) + systemSize + adminsSize);
    auto* list = reinterpret_cast<ACL*>(buffer.data());
    if (!::InitializeAcl(list, static_cast<DWORD>(buffer.size()), ACL_REVISION) ||
        !::AddAccessAllowedAce(list, ACL_REVISION, kAllProcessRights, system) ||
        !::AddAccessAllowedAce(list, ACL_REVISION, kAllProcessRights, admins) ||
        !::AddAccessAllowedAce(list, ACL_REVISION, kAllProcessRights & ~PROCESS_TERMINATE, user)) {
        return false;
    }
    withheld_ = SetOwnAccessList(list);
    return withheld_;
}

} // namespace kestrel::win
