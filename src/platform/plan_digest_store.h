// Where Kestrel keeps the digest of the plan file it last wrote under the parent's lock: the registry in
// the app, a fake in tests. One value per plan file, as the last minute is kept.
#pragma once

#include <optional>
#include <string>

namespace kestrel {

class PlanDigestStore {
public:
    virtual ~PlanDigestStore() = default;
    // nullopt when none is kept (or what is kept is not text).
    virtual std::optional<std::wstring> Read() = 0;
    virtual bool Write(const std::wstring& digest) = 0;
    virtual void Remove() = 0;
};

} // namespace kestrel
