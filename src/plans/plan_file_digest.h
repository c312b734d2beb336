// Plans written into the plan file while Kestrel was stopped. Under the parent's lock Kestrel keeps the
// digest of the plan file it last wrote (platform/plan_digest_store.h); a file read that is not that
// file (or read while a password is set and no digest is kept) may hold a run plan the parent never
// saw, so every enabled run plan in it is disabled before it goes into the list, the file is written
// again, and the history and the tray say so. Enabling a run plan again under the lock asks for the
// password, as it always does. The digest sits in the child's account too: this records the road, it
// does not close it.
#pragma once

#include "base/events.h"
#include "plans/plan_store.h"
#include "platform/plan_digest_store.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// The digest of a file's bytes as text; nullopt when it cannot be made.
using DigestFunction = std::function<std::optional<std::wstring>(std::string_view bytes)>;

enum class PlanDigestVerdict {
    Trusted, // no lock, or the file is the one Kestrel last wrote
    Changed, // not the file Kestrel last wrote (or its digest could not be made)
    Missing, // a password is set and no digest is kept
};

PlanDigestVerdict ComparePlanDigest(const std::optional<std::wstring>& kept,
                                    const std::optional<std::wstring>& now, bool lockSet);

// Disables every enabled run plan (定时运行) of `rows`; returns them as they are now.
std::vector<PlanRow> DisableRunPlans(std::vector<PlanRow>& rows);

// The plan store's watcher that keeps and checks the digest (PlanStore::SetWatcher).
class PlanDigestKeeper final : public PlanFileWatcher {
public:
    // `lockSet`: whether a parent's password is set now. `tell`: the tray's balloon, with the text to show.
    PlanDigestKeeper(PlanDigestStore& store, DigestFunction digest, std::function<bool()> lockSet,
                     EventSink& events, std::function<void(const std::wstring& message)> tell);

    bool Read(std::string_view bytes, std::vector<PlanRow>& rows) override;
    // Under the lock the digest of what was written is kept; without it none is (a stale one would
    // distrust the file the next time a password is set).
    void Written(std::string_view bytes) override;

private:
    PlanDigestStore& store_;
    DigestFunction digest_;
    std::function<bool()> lockSet_;
    EventSink& events_;
    std::function<void(const std::wstring&)> tell_;
};

} // namespace kestrel
