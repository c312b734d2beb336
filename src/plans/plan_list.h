// The plan list: every plan of the running program, in order of addition. Rows are addressed by their
// 1-based position, as the scheduler and the file writer count them. Views and the saver subscribe to
// changes; every change goes through this class.
#pragma once

#include "plans/plan_row.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace kestrel {

enum class PlanListChange {
    Appended, // rows [first, first + count) were added at the end
    Inserted, // rows [first, first + count) were put in before the rows that were there; those moved down
    StatusChanged, // the status cell of rows [first, first + count) was written
    Removed,       // the row at `first` was removed; later rows moved up
    Cleared,       // every row was removed
};

struct PlanListEvent {
    PlanListChange change;
    std::size_t first = 0; // 1-based
    std::size_t count = 0;
};

class PlanList {
public:
    using Listener = std::function<void(const PlanListEvent&)>;
    using Subscription = std::size_t;

    std::size_t Count() const { return rows_.size(); }
    bool Empty() const { return rows_.empty(); }

    // Row `index` (1-based), or nullptr when there is no such row (the list may have shrunk meanwhile).
    const PlanRow* Find(std::size_t index) const;

    void Append(PlanRow row);
    // Appends many rows with a single notification (the file loader).
    void AppendAll(std::vector<PlanRow> rows);
    // Puts `rows` before every row there is, with a single notification (a plan file read late).
    void InsertAllAtFront(std::vector<PlanRow> rows);

    // Writes `status` into column 3 of row `index`; false when there is no such row.
    bool SetStatus(std::size_t index, std::wstring_view status);
    // Writes `status` into every row, including rows that already hold it.
    void SetAllStatus(std::wstring_view status);

    // Removes row `index`; later rows move up by one. False when there is no such row.
    bool Remove(std::size_t index);
    void RemoveAll();

    const std::vector<PlanRow>& Rows() const { return rows_; }

    Subscription Subscribe(Listener listener);
    void Unsubscribe(Subscription subscription);

private:
    void Notify(const PlanListEvent& event);

    std::vector<PlanRow> rows_;
    std::vector<std::pair<Subscription, Listener>> listeners_;
    Subscription nextSubscription_ = 1;
};

} // namespace kestrel
