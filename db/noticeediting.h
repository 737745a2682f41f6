// The editing workflow of one station: which notice is open in the editor, and the steps that
// create, open, submit, cancel and delete it under the program's locks. The window shows what
// these return; the message texts stay with it.
#pragma once

#include "station.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace pinora {

// What a step asks the window to tell the user. Lock, load and save failures come back in the
// result, with the database's own words, and no message.
enum class EditMessage {
    None,
    NoSpace,          // no free slot for a new notice
    CannotCreateFile, // file and reason say which and why
    CannotOpenFile,
    BlankNotice, // submitted without text: the notice was cancelled
};

struct EditResult {
    bool ok = false;
    EditMessage message = EditMessage::None;
    std::string file;   // the file the message names
    std::string reason; // the system's words
    int notice = 0;     // the notice a create took
    // What the shared files came to; its messages are told before the window's own, also
    // when ok (a lock left behind).
    Result result;
};

class NoticeEditing {
  public:
    explicit NoticeEditing(Station& station) : station_(station) {}

    int current() const { return current_; }
    bool editing() const { return editing_; }
    bool newlyCreated() const { return newlyCreated_; }

    // Takes the lowest free slot under lock N and writes its empty message file. A file that
    // cannot be written gives the slot back: it may still hold the file of an earlier notice,
    // whose text would otherwise appear under the new one. Does not open the notice.
    EditResult create(TDateTime start, TDateTime end, const std::array<bool, kSetCount>& inSet);

    // Opens notice n in the editor. An existing notice's stored text comes back in text
    // (Windows-1252, lines joined by '\n'); when it cannot be read the editor stays closed, as
    // editing an empty copy could overwrite the stored text on submit.
    EditResult open(int n, bool created, std::string& text);

    // Writes the text (Windows-1252, '\n' between lines), then counts the post under lock U.
    // A post that cannot be counted leaves the notice open, so that submit can be tried again.
    // A blank text cancels the notice instead. step tells the window what comes next, before
    // any wait for a lock.
    enum class SubmitStep { TextWritten, CancellingBlank };
    EditResult submit(std::string_view text, const std::function<void(SubmitStep)>& step = {});

    // Closes the editor; a new notice gives its slot back under lock N ("Cancel Notice"). A
    // new notice whose slot could not be given back stays open, so cancel can be tried again.
    EditResult cancel();

    // Frees the open notice under lock N ("Delete Notice"); its text stays on disk.
    EditResult deleteOpen();

    // Copies a chosen picture beside the message files as MSG/<n>.<extension with its dot>
    // (so "photo.gif" for notice 5 becomes "5..gif"), read whole first and written atomically
    // so that choosing the copy itself cannot truncate it. copy receives the tag's path.
    EditResult copyPicture(const std::string& chosen, std::string& copy);
    std::string pictureCopyPath(const std::string& chosen) const;

    Result updateDates(TDateTime start, TDateTime end);
    Result updateSets(const std::array<bool, kSetCount>& inSet);

  private:
    Station& station_;
    int current_ = 0;
    bool editing_ = false;
    bool newlyCreated_ = false;
};

} // namespace pinora
