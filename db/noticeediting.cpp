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

EditResult done() {
    EditResult r;
    r.ok = true;
    return r;
}

// A picture beyond this is refused rather than copied.
constexpr std::size_t kMaxPictureBytes = 64u << 20;
} // namespace

EditResult NoticeEditing::create(TDateTime start, TDateTime end,
                                 const std::array<bool, kSetCount>& inSet) {
    int n = -1;
    std::string error;
    const AllocStatus st = station_.allocateNotice(start, end, inSet, n, &error);
    if (st == AllocStatus::Full) {
        EditResult r;
        r.message = EditMessage::NoSpace;
        return r;
    }
    if (st != AllocStatus::Ok) {
        if (error.empty() || n <= 0) return {};
        EditResult r =
            fileProblem(EditMessage::CannotCreateFile, station_.db.messageFilePath(n), error);
        station_.freeNotice(n, "Cancel Notice");
        return r;
    }
    EditResult r = done();
    r.notice = n;
    return r;
}

EditResult NoticeEditing::open(int n, bool created, std::string& text) {
    current_ = n;
    newlyCreated_ = created;
    text.clear();
    if (!created && station_.db.messageFileExists(n)) {
        std::string error;
        const auto stored = station_.db.readMessageFile(n, &error);
        if (!stored) {
            editing_ = false;
            return fileProblem(EditMessage::CannotOpenFile, station_.db.messageFilePath(n), error);
        }
        bool first = true;
        bool lastEmpty = false;
        forEachLine(*stored, LineEnds::CrLfOrLf, [&](std::string_view line) {
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
        cancel();
        EditResult r;
        r.message = EditMessage::BlankNotice;
        return r;
    }
    std::string error;
    if (!station_.db.writeMessageFile(current_, text, &error))
        return fileProblem(EditMessage::CannotCreateFile, station_.db.messageFilePath(current_),
                           error);
    if (step) step(SubmitStep::TextWritten);
    if (!station_.addPost()) return {};
    editing_ = false;
    return done();
}

EditResult NoticeEditing::cancel() {
    editing_ = false;
    if (newlyCreated_ && !station_.freeNotice(current_, "Cancel Notice")) {
        editing_ = true;
        return {};
    }
    return done();
}

EditResult NoticeEditing::deleteOpen() {
    if (!station_.freeNotice(current_, "Delete Notice")) return {};
    editing_ = false;
    return done();
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

bool NoticeEditing::updateDates(TDateTime start, TDateTime end) {
    return station_.updateNoticeDates(current_, start, end);
}

bool NoticeEditing::updateSets(const std::array<bool, kSetCount>& inSet) {
    return station_.updateNoticeSets(current_, inSet);
}

} // namespace pinora
