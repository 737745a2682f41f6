#include "noticerules.h"

#include "db/datetime.h"
#include "db/text.h"

#include <QLocale>
#include <cmath>

namespace pinora {

namespace {
constexpr long long kMsPerDay = 86400000LL;

// Values compared in whole milliseconds, so that 19:00 stored as 19/24 equals 19:00 now.
long long ms(TDateTime t) {
    return std::llround(t * static_cast<double>(kMsPerDay));
}
long long msOfDay(TDateTime t) {
    return ms(timeOf(t));
}

bool exceedsMaxDays(const NoticeSetConfig& set, TDateTime start, TDateTime end) {
    return ms(end - start) > static_cast<long long>(set.maxDays) * kMsPerDay;
}
} // namespace

bool deadlinePassed(const NoticeSetConfig& set, TDateTime now) {
    return set.deadlineEnabled && msOfDay(now) > msOfDay(set.deadline);
}

bool heldToDeadlines(TDateTime start, TDateTime now, DeadlineStart compare) {
    const TDateTime from = compare == DeadlineStart::DateOnly ? dateOf(start) : start;
    return ms(from) <= ms(nextWeekday(now));
}

TDateTime startFor(StartChoice choice, TDateTime now, TDateTime picker) {
    switch (choice) {
    case StartChoice::Today:
        return now;
    case StartChoice::Tomorrow:
        return now + 1;
    case StartChoice::NextWeekday:
        return nextWeekday(now);
    case StartChoice::ThisDate:
        break;
    }
    return picker;
}

TDateTime endFor(EndChoice choice, TDateTime start, TDateTime picker) {
    switch (choice) {
    case EndChoice::OneDay:
        return start;
    case EndChoice::TwoDays:
        return start + 1;
    case EndChoice::OneWeek:
        return start + 6;
    case EndChoice::UntilDate:
        break;
    }
    return picker;
}

QString orderMessage() {
    return QStringLiteral("The date you want your notice in, occurs after the date you want your "
                          "notice to be taken out. Check your dates");
}

QString noSetMessage() {
    return QStringLiteral("You have not selected any notices for this individual notice to go "
                          "into. Please select one");
}

QString dateEditorOrderMessage() {
    return QStringLiteral("The date your entry enters notices is after the date your entry is "
                          "taken out of notices. You must adjust this in order for your notice "
                          "to be displayed.");
}

QString maxDaysMessage(int maxDays) {
    return QStringLiteral("Your notice exceeds the maximum allowed days it can be in notices. A "
                          "notice cannot be in notices for more than ") +
           QString::number(maxDays) + QStringLiteral(" days.");
}

QString createDeadlineMessage(TDateTime start, TDateTime deadline, TDateTime now) {
    return QStringLiteral("It is too late to enter a notice entry into notices for the ") +
           shownDate(start) +
           QStringLiteral(". This days notices have already been printed/published. The publish "
                          "deadline is ") +
           shownTime(deadline) + QStringLiteral(" The Current time is ") + shownTime(now);
}

QString dateEditorDeadlineMessage(TDateTime start, TDateTime deadline) {
    return QStringLiteral("You cannot place a notice in notices for ") + shownDate(start) +
           QStringLiteral(". It is past the deadline for publishing notices on this day. "
                          "(Deadline is ") +
           shownTime(deadline) + QStringLiteral("). The Start Date will default to the day after");
}

QStringList maxDaysMessages(const ConfigRecord& config, const UserRecord& user, TDateTime start,
                            TDateTime end) {
    QStringList out;
    if (user.bypassMaxDays || user.superUser) return out;
    for (const NoticeSetConfig& set : config.noticeSets)
        if (set.maxDaysEnabled && exceedsMaxDays(set, start, end))
            out << maxDaysMessage(set.maxDays);
    return out;
}

QStringList createDialogChecks(const ConfigRecord& config, const UserRecord& user, TDateTime now,
                               TDateTime start, TDateTime end, const SetTicks& ticks) {
    QStringList out;
    // Only the coming school day's page can already be out; later days never are.
    if (!user.bypassDeadline && heldToDeadlines(start, now, DeadlineStart::DateOnly)) {
        for (int k = 0; k < kSetCount; ++k) {
            const NoticeSetConfig& set = config.noticeSets[k];
            if (ticks[static_cast<std::size_t>(k)] && deadlinePassed(set, now))
                out << createDeadlineMessage(start, set.deadline, now);
        }
    }
    if (ms(start) > ms(end)) out << orderMessage();
    bool any = false;
    for (bool t : ticks)
        any = any || t;
    if (!any) out << noSetMessage();
    out << maxDaysMessages(config, user, start, end);
    return out;
}

DateEditResult dateEditorChecks(const ConfigRecord& config, const UserRecord& user, TDateTime now,
                                TDateTime start, TDateTime end, const SetTicks& inSet) {
    DateEditResult r;
    r.messages = maxDaysMessages(config, user, start, end);
    if (!r.messages.isEmpty()) return r;

    const TDateTime next = nextWeekday(now);
    if (!user.bypassDeadline && !user.superUser &&
        heldToDeadlines(start, now, DeadlineStart::FullValue)) {
        for (int k = 0; k < kSetCount; ++k) {
            const NoticeSetConfig& set = config.noticeSets[k];
            if (inSet[static_cast<std::size_t>(k)] && deadlinePassed(set, now)) {
                // The start moves past the coming school day, so no other set can fail.
                r.messages << dateEditorDeadlineMessage(start, set.deadline);
                r.movedStart = next + 1 + timeOf(start);
                return r;
            }
        }
    }

    if (ms(start) > ms(end)) {
        r.messages << dateEditorOrderMessage();
        return r;
    }
    r.ok = true;
    return r;
}

QString setEditorCheck(const SetTicks& ticks) {
    for (bool t : ticks)
        if (t) return {};
    return QStringLiteral("You must selected atleast one notice set for your notice to appear in");
}

QString noticeSetsText(const ConfigRecord& config, const NoticeRecord& notice) {
    QString out;
    for (int k = 0; k < kSetCount; ++k)
        if (notice.inSet[k])
            out += QString::fromStdString(cp1252ToUtf8(config.noticeSets[k].name.str())) + u' ';
    return out;
}

} // namespace pinora
