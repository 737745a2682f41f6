// The rules that guard a notice's dates and sets, as plain functions so that they can be
// checked with a fixed clock; the create dialog and the editor's date and set groups use them.
#pragma once

#include "db/records.h"
#include "ui/dates.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace pinora {

using SetTicks = std::array<bool, kSetCount>;

// A set's deadline has passed when it is enabled and the time of day of now is later than the
// deadline's (the deadline minute itself still passes).
bool deadlinePassed(const NoticeSetConfig& set, TDateTime now);

// Only the coming school day's page can already be out, so deadlines hold a start up to
// nextWeekday(now). The create dialog compares the start's date (so all of that day is held);
// the date editor compares the full value (so a start after that day's midnight is not).
enum class DeadlineStart { DateOnly, FullValue };
bool heldToDeadlines(TDateTime start, TDateTime now, DeadlineStart compare);

// Start and end choices of the create dialog.
enum class StartChoice { Today, Tomorrow, NextWeekday, ThisDate };
enum class EndChoice { OneDay, TwoDays, OneWeek, UntilDate };
TDateTime startFor(StartChoice choice, TDateTime now, TDateTime picker);
TDateTime endFor(EndChoice choice, TDateTime start, TDateTime picker);

// One message per check that fails, in the order the create dialog shows them.
QStringList createDialogChecks(const ConfigRecord& config, const UserRecord& user, TDateTime now,
                               TDateTime start, TDateTime end, const SetTicks& ticks);

// One message per set whose day limit the notice exceeds (sets not ticked included).
QStringList maxDaysMessages(const ConfigRecord& config, const UserRecord& user, TDateTime start,
                            TDateTime end);

// The date editor's stages: day limits, then the deadline of the sets the notice is in, then
// the order. Stops at the first stage that fails.
struct DateEditResult {
    QStringList messages;
    bool ok = false;                     // the dates may be stored
    std::optional<TDateTime> movedStart; // where the deadline stage moved the start picker
};
DateEditResult dateEditorChecks(const ConfigRecord& config, const UserRecord& user, TDateTime now,
                                TDateTime start, TDateTime end, const SetTicks& inSet);

// Empty when the set editor may store the ticks.
QString setEditorCheck(const SetTicks& ticks);

// "Students Staff " - every set the notice is in, each followed by a blank.
QString noticeSetsText(const ConfigRecord& config, const NoticeRecord& notice);

// Texts shared by windows and tests.
QString orderMessage();
QString noSetMessage();
QString dateEditorOrderMessage();
QString maxDaysMessage(int maxDays);
QString createDeadlineMessage(TDateTime start, TDateTime deadline, TDateTime now);
QString dateEditorDeadlineMessage(TDateTime start, TDateTime deadline);

} // namespace pinora
