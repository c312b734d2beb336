// The plan file's digest under the lock; see plan_file_digest.h.
#include "plans/plan_file_digest.h"

#include "base/app_messages.h"
#include "base/texts.h"
#include "plans/plan_rows_text.h"

namespace kestrel {

PlanDigestVerdict ComparePlanDigest(const std::optional<std::wstring>& kept,
                                    const std::optional<std::wstring>& now, bool lockSet) {
    if (!lockSet) {
        return PlanDigestVerdict::Trusted;
    }
    if (!kept) {
        return PlanDigestVerdict::Missing;
    }
    return now && *now == *kept ? PlanDigestVerdict::Trusted : PlanDigestVerdict::Changed;
}

std::vector<PlanRow> DisableRunPlans(std::vector<PlanRow>& rows) {
    std::vector<PlanRow> disabled;
    for (PlanRow& row : rows) {
        if (row[PlanColumn::Kind] == text::kKindRun && row[PlanColumn::Status] != text::kStatusDisabled) {
            row[PlanColumn::Status] = text::kStatusDisabled;
            disabled.push_back(row);
        }
    }
    return disabled;
}

PlanDigestKeeper::PlanDigestKeeper(PlanDigestStore& store, DigestFunction digest,
                                   std::function<bool()> lockSet, EventSink& events,
                                   std::function<void(const std::wstring&)> tell)
    : store_(store), digest_(std::move(digest)), lockSet_(std::move(lockSet)), events_(events),
      tell_(std::move(tell)) {}

bool PlanDigestKeeper::Read(std::string_view bytes, std::vector<PlanRow>& rows) {
    if (!lockSet_()) {
        return false;
    }
    const std::optional<std::wstring> now = digest_(bytes);
    const PlanDigestVerdict verdict = ComparePlanDigest(store_.Read(), now, true);
    if (verdict == PlanDigestVerdict::Trusted) {
        return false;
    }
    const std::vector<PlanRow> disabled = DisableRunPlans(rows);
    if (disabled.empty()) {
        // Nothing in the file can run a program: it is taken as it is from now on. A missing digest alone
        // (the first start of this version under a lock) is no news then.
        if (now) {
            store_.Write(*now);
        }
        if (verdict == PlanDigestVerdict::Missing) {
            return false;
        }
    }
    events_.Record(text::kEventPlansDisabled, disabled.empty()
                                                  ? std::wstring(text::kPlanFileChangedOutside)
                                                  : FillIn(FillIn(text::kPlanFileChangedRows, L"{message}",
                                                                  text::kPlanFileChangedOutside),
                                                           L"{rows}", PlanRowsText(disabled)));
    if (tell_) {
        tell_(text::kPlanFileChangedOutside);
    }
    // The rows changed: the store writes the file again, and its digest is kept then. Until that write
    // succeeds, the file on disk is still distrusted at the next start.
    return !disabled.empty();
}

void PlanDigestKeeper::Written(std::string_view bytes) {
    if (!lockSet_()) {
        store_.Remove();
        return;
    }
    if (const std::optional<std::wstring> digest = digest_(bytes)) {
        store_.Write(*digest);
    } else {
        store_.Remove();
    }
}

} // namespace kestrel
