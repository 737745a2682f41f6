// Edit and Delete of the browse window, on a row of its list. Each reads NOTICE.DB again
// first: the slot must still hold the notice the row lists (one freed or reused on another
// workstation is left alone) and the user must have the right to it. Delete looks again under
// lock N before it frees the slot. The window asks and presents; the texts stay with it.
#pragma once

#include "db/browselist.h"

namespace pinora {

enum class ListedNotice {
    Ok,         // found as listed and allowed; for Delete, freed
    Failed,     // NOTICE.DB could not be read or saved, or the lock not taken: the result says why
    Changed,    // the slot no longer holds the listed notice; nothing was changed
    NotAllowed, // the user may not edit (or delete) that notice
};

// What the step came to, and what the reload and the change have to tell the user: the window
// presents the result first, then words the outcome. Only an Ok outcome has an ok result.
struct [[nodiscard]] ListedNoticeStep {
    ListedNotice outcome = ListedNotice::Failed;
    Result result;
};

enum class NoticeRight { Edit, Delete };

// Before the window opens the notice or asks whether to delete it.
ListedNoticeStep checkListedNotice(Station& station, const BrowseRow& row, NoticeRight right);

// Frees the row's notice under lock N ("Delete Notice"), once the slot is found under the lock
// still to hold it. Its message file stays.
ListedNoticeStep deleteListedNotice(Station& station, const BrowseRow& row);

} // namespace pinora
