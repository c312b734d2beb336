// The plan file's keeper: reads Values.xml into the plan list at start-up and writes the list back, with
// the rules that keep a user's plans from ever being lost:
// - a file that exists but could not be read (locked by another program at log-on, access denied, the
//   XML component missing) is never replaced: it is read again before every save and on a slow timer,
//   and once it reads, its plans go in front of those added since;
// - a file that reads but holds no usable plan list (damaged, cut short, hand-edited) is kept as a
//   numbered copy beside it before its first replacement; no copy ever overwrites an earlier one;
// - a file too large to be a plan list is treated as damaged without being read: it is copied, and
//   replaced at once, so that neither a retry nor the next start meets it again;
// - a plan file that does not exist yet may take over the plans of another one (the file beside the
//   executable, when the plans move to the user's own folder): read once, and saved at once;
// - a watcher (the digest kept under the parent's lock) sees the plan file's bytes each time they are
//   read from it or written to it, and may change the rows read before they go into the list; the file
//   is then written again at once;
// - what the user must hear of (a damaged file and where its copy is, an XML component that fails) is
//   handed out once, for the window layer to show.
#pragma once

#include "plans/plan_file.h"
#include "plans/plan_list.h"
#include "platform/file_bytes.h"
#include "platform/xml_tree.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

enum class PlanSaveResult {
    Saved,
    FileUnread,  // the plan file could not be read in this run, so it was not replaced
    CopyFailed,  // the damaged file's copy could not be written, so the file was not replaced
    WriteFailed, // the folder refused the new file (read-only, disk full...)
};

// Told of the plan file's own bytes (never those of a file whose plans it takes over).
class PlanFileWatcher {
public:
    virtual ~PlanFileWatcher() = default;
    // The plan file was read; `rows` are about to go into the list. True when it changed them.
    virtual bool Read(std::string_view bytes, std::vector<PlanRow>& rows) = 0;
    // The plan file now holds `bytes`, written by Kestrel.
    virtual void Written(std::string_view bytes) = 0;
};

class PlanStore {
public:
    // Copies of a damaged file are numbered "Values.xml.bak", "Values.xml.2.bak" ... up to this number.
    static constexpr int kMaxCopies = 999;
    // 10,000 plans take about 1.5 MB; a larger file than this is no plan list.
    static constexpr std::size_t kMaxFileBytes = std::size_t{32} << 20;

    // `carryOverFrom`: a plan file whose plans `file` takes over when `file` does not exist yet.
    PlanStore(FileStore& files, XmlBackend& xml, PlanList& plans, std::wstring file,
              std::wstring carryOverFrom = {});

    // Before Load; nullptr for none.
    void SetWatcher(PlanFileWatcher* watcher) { watcher_ = watcher; }

    // Start-up: reads the plan file into the (empty) plan list. Saves that the rows' notification starts
    // write nothing.
    void Load();

    // Writes the plan list over the plan file, by the rules above. Called again from inside a change
    // notification that this call caused (a late read that brings rows), it does nothing and says
    // Saved: the outer call writes the file a moment later. `mayWait` false: a file that another program
    // holds is not waited for (the slow timer's retries, which would otherwise stall the window each time).
    PlanSaveResult Save(bool mayWait = true);

    // For the slow timer: while the file is unread, tries to read it again. True when it was read now;
    // the list then needs saving if it held plans added since.
    bool RetryRead();

    // The plan file has not been read in this run although it exists.
    bool Unread() const { return state_ == State::Unread; }
    // The last write was refused (a read-only folder, a full disk, a program holding the file past the
    // rename's retries): the slow timer should save again. Not for a damaged file whose copy failed: a
    // large one would be read whole at every try.
    bool SaveRetryDue() const { return state_ == State::Ready && lastSave_ == PlanSaveResult::WriteFailed; }
    const std::wstring& Path() const { return file_; }
    // Where reads come from: the plan file, or the file whose plans it takes over until that was read.
    const std::wstring& ReadPath() const { return readFrom_; }

    // The copy of a damaged plan file, once, right after it was made.
    std::optional<std::wstring> TakeDamagedCopyNotice();
    // True once when the XML component failed on the file ("存储文件打开错误！").
    bool TakeReadFailureNotice();

private:
    enum class State {
        Ready,       // saves may replace the file
        Unread,      // the file exists but was not read
        CopyPending, // the file was damaged and its copy is not written yet
    };

    // Reads the file (or the one whose plans it takes over); on success its plans go in front of the list.
    void TryRead();
    // Writes the copy of the damaged file; true when one exists now.
    bool TryKeepCopy();
    // Saves may replace the file, and reads come from it alone from now on.
    void BecomeReady();
    // Replaces the plan file with the list; true when it was written.
    bool WriteList(bool mayWait);

    FileStore& files_;
    XmlBackend& xml_;
    PlanList& plans_;
    std::wstring file_;
    std::wstring readFrom_; // file_, or the file whose plans it takes over until that was read
    State state_ = State::Ready;
    std::string damaged_;   // the damaged file's bytes, until their copy is written
    std::wstring tooLarge_; // or the too large file, copied from the disk
    bool replaceAtOnce_ = false;
    PlanSaveResult lastSave_ = PlanSaveResult::Saved;
    std::optional<std::wstring> copyNotice_;
    bool readFailureNotice_ = false;
    bool readFailureTold_ = false;
    bool saving_ = false;
    PlanFileWatcher* watcher_ = nullptr;
};

// The path of copy number `number` (1 or more) of `file`.
std::wstring PlanFileCopyPath(const std::wstring& file, int number);

} // namespace kestrel
