#include "noticeediting.h"

#include "fileio.h"
#include "text.h"

#include <cerrno>

namespace pinora {

namespace {
EditResult fileProblem(EditMessage m, std::string file, std::string reason) {
    EditResult r;
    r.message = m;
    r.file = std::move(file);
    r.reason = std::move(reason);
    return r;
}

EditResult done(Result told = {}) {
    EditResult r;
    r.ok = true;
    r.result = std::move(told);
    return r;
}

// A step the database could not do: result says why, in its own words.
EditResult failed(Result why) {
    EditResult r;
    r.result = std::move(why);
    return r;
}

// A picture beyond this is refused rather than copied.
constexpr std::size_t kMaxPictureBytes = 64u << 20;
} // namespace

EditResult NoticeEditing::create(TDateTime start, TDateTime end,
                                 const std::array<bool, kSetCount>& inSet) {
    int n = -1;
    Result allocated = station_.allocateNotice(start, end, inSet, n);
    if (allocated.kind() == Result::Declined) {
        EditResult r = failed(std::move(allocated));
        r.message = EditMessage::NoSpace;
        return r;
    }
    if (!allocated) {
        if (n <= 0) return failed(std::move(allocated));
        EditResult r = fileProblem(EditMessage::CannotCreateFile, allocated.file(),
                                   allocated.detail());
        r.result = std::move(allocated);
        // The slot is given back; what that has to tell comes before the window's message.
        r.result.also(station_.freeNotice(n, "Cancel Notice"));
        return r;
    }
    EditResult r = done(std::move(allocated));
    r.notice = n;
    return r;
}

EditResult NoticeEditing::open(int n, bool created, std::string& text) {
    current_ = n;
    newlyCreated_ = created;
    text.clear();
    if (!created && station_.db.messageFileExists(n)) {
        std::string stored;
        if (const Result read = station_.db.readMessageFile(n, stored); !read) {
            editing_ = false;
            return fileProblem(EditMessage::CannotOpenFile, station_.db.messageFilePath(n),
                               read.detail());
        }
        bool first = true;
        bool lastEmpty = false;
        forEachLine(stored, LineEnds::CrLfOrLf, [&](std::string_view line) {
            if (!first) text += '\n';
            text += line;
            first = false;
            lastEmpty = line.empty();
        });
        // The writer ends every line, so a text ending in a newline has no empty last line:
        // an empty last line read back needs its own newline, or saving unchanged drops it.
        if (lastEmpty) text += '\n';
    }
    editing_ = true;
    return done();
}

EditResult NoticeEditing::submit(std::string_view text,
                                 const std::function<void(SubmitStep)>& step) {
    if (text.empty()) {
        if (step) step(SubmitStep::CancellingBlank);
        EditResult r;
        r.result = cancel().result;
        r.message = EditMessage::BlankNotice;
        return r;
    }
    if (const Result written = station_.db.writeMessageFile(current_, text); !written)
        return fileProblem(EditMessage::CannotCreateFile, station_.db.messageFilePath(current_),
                           written.detail());
    if (step) step(SubmitStep::TextWritten);
    Result counted = station_.addPost();
    if (!counted) return failed(std::move(counted));
    editing_ = false;
    return done(std::move(counted));
}

EditResult NoticeEditing::cancel() {
    editing_ = false;
    if (!newlyCreated_) return done();
    Result freed = station_.freeNotice(current_, "Cancel Notice");
    if (!freed) {
        editing_ = true;
        return failed(std::move(freed));
    }
    return done(std::move(freed));
}

EditResult NoticeEditing::deleteOpen() {
    Result freed = station_.freeNotice(current_, "Delete Notice");
    if (!freed) return failed(std::move(freed));
    editing_ = false;
    return done(std::move(freed));
}

std::string NoticeEditing::pictureCopyPath(const std::string& chosen) const {
    const std::size_t slash = chosen.find_last_of('/');
    const std::string name = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    const std::string suffix = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    // The extension keeps its dot and another one goes before it, as the program always did.
    const std::string ext = suffix.empty() ? std::string() : "." + suffix;
    return station_.db.path("MSG/" + std::to_string(current_) + "." + ext);
}

EditResult NoticeEditing::copyPicture(const std::string& chosen, std::string& copy) {
    copy = pictureCopyPath(chosen);
    std::string bytes;
    std::string error;
    const ReadStatus st = readRegularFile(station_.db.files(), chosen, bytes, kMaxPictureBytes, &error);
    if (st != ReadStatus::Ok)
        return fileProblem(EditMessage::CannotOpenFile, chosen,
                           st == ReadStatus::Missing ? systemErrorText(ENOENT) : error);
    if (!writeFileAtomic(station_.db.files(), copy, bytes.data(), bytes.size(), station_.db.tmpTag(), &error))
        return fileProblem(EditMessage::CannotCreateFile, copy, error);
    return done();
}

Result NoticeEditing::updateDates(TDateTime start, TDateTime end) {
    return station_.updateNoticeDates(current_, start, end);
}

Result NoticeEditing::updateSets(const std::array<bool, kSetCount>& inSet) {
    return station_.updateNoticeSets(current_, inSet);
}

} // namespace pinora
