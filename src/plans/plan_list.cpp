// The plan list model; see plan_list.h.
#include "plans/plan_list.h"

#include "base/texts.h"

#include <utility>

namespace kestrel {

const wchar_t* PlanColumnName(PlanColumn column) {
    static constexpr const wchar_t* kNames[kPlanColumnCount] = {
        text::kColKind,   text::kColTime,   text::kColOperation,
        text::kColStatus, text::kColRepeat, text::kColInfo,
    };
    return kNames[static_cast<std::size_t>(column)];
}

const PlanRow* PlanList::Find(std::size_t index) const {
    if (index < 1 || index > rows_.size()) {
        return nullptr;
    }
    return &rows_[index - 1];
}

void PlanList::Append(PlanRow row) {
    rows_.push_back(std::move(row));
    Notify({PlanListChange::Appended, rows_.size(), 1});
}

void PlanList::AppendAll(std::vector<PlanRow> rows) {
    if (rows.empty()) {
        return;
    }
    const std::size_t first = rows_.size() + 1;
    const std::size_t count = rows.size();
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    Notify({PlanListChange::Appended, first, count});
}

void PlanList::InsertAllAtFront(std::vector<PlanRow> rows) {
    if (rows.empty()) {
        return;
    }
    const std::size_t count = rows.size();
    rows_.insert(rows_.begin(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    Notify({PlanListChange::Inserted, 1, count});
}

bool PlanList::SetStatus(std::size_t index, std::wstring_view status) {
    if (index < 1 || index > rows_.size()) {
        return false;
    }
    rows_[index - 1][PlanColumn::Status] = status;
    Notify({PlanListChange::StatusChanged, index, 1});
    return true;
}

void PlanList::SetAllStatus(std::wstring_view status) {
    if (rows_.empty()) {
        return;
    }
    for (PlanRow& row : rows_) {
        row[PlanColumn::Status] = status;
    }
    Notify({PlanListChange::StatusChanged, 1, rows_.size()});
}

bool PlanList::Remove(std::size_t index) {
    if (index < 1 || index > rows_.size()) {
        return false;
    }
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index - 1));
    Notify({PlanListChange::Removed, index, 1});
    return true;
}

void PlanList::RemoveAll() {
    if (rows_.empty()) {
        return;
    }
    rows_.clear();
    Notify({PlanListChange::Cleared, 1, 0});
}

PlanList::Subscription PlanList::Subscribe(Listener listener) {
    const Subscription id = nextSubscription_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void PlanList::Unsubscribe(Subscription subscription) {
    std::erase_if(listeners_, [subscription](const auto& entry) { return entry.first == subscription; });
}

void PlanList::Notify(const PlanListEvent& event) {
    // A listener may unsubscribe (or subscribe) while being told; walk a copy.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) {
        listener(event);
    }
}

} // namespace kestrel
