// What an operation on the shared files came to. The database shows nothing itself: the
// caller decides, and a presenter (ui/ or cli/) turns a result into what the user reads.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace pinora {

struct LockInfo {
    bool held = false;
    std::string holder; // Windows-1252
    std::string task;
};

class [[nodiscard]] Result {
  public:
    enum Kind {
        Ok,
        Missing,    // file is not there
        Unreadable, // file is there but not whole; found says what it holds
        Refused,    // another station holds the lock: lock() says who and for what
        Declined,   // the user, or the change itself, said no
        Failed      // file could not be written, moved or read; error has the system's words
    };

    Result() = default;
    static Result ok() { return {}; }
    static Result missing(std::string file, std::string detail = {}) {
        return {Missing, std::move(file), std::move(detail)};
    }
    static Result unreadable(std::string file, std::string found) {
        return {Unreadable, std::move(file), std::move(found)};
    }
    static Result refused(std::string file, LockInfo holder) {
        Result r{Refused, std::move(file), {}};
        r.lock_ = std::move(holder);
        return r;
    }
    static Result declined() { return {Declined, {}, {}}; }
    static Result failed(std::string file, std::string error) {
        return {Failed, std::move(file), std::move(error)};
    }

    Kind kind() const { return kind_; }
    bool isOk() const { return kind_ == Ok; }
    explicit operator bool() const { return isOk(); }
    const std::string& file() const { return file_; }
    // Unreadable: what was found in the file. Failed: the system's error text. Missing: the
    // words for it, where the caller shows them.
    const std::string& detail() const { return detail_; }
    const LockInfo& lock() const { return lock_; }

    // What the user is to be told, in the order it happened, in the database's own words
    // (brokenFileMessage and the like). Empty when the caller speaks for itself: a missing
    // file at start-up, a refused lock, a message file that cannot be written.
    const std::vector<std::string>& messages() const { return messages_; }
    Result& tell(std::string text) {
        messages_.push_back(std::move(text));
        return *this;
    }
    // Keeps this outcome; what a later step has to tell comes after this one's messages (a
    // lock left behind after a failed save).
    Result& also(const Result& later) {
        messages_.insert(messages_.end(), later.messages_.begin(), later.messages_.end());
        return *this;
    }
    // Keeps this outcome; what an earlier step had to tell comes first (a file converted
    // before it was read).
    Result& after(const Result& earlier) {
        messages_.insert(messages_.begin(), earlier.messages_.begin(), earlier.messages_.end());
        return *this;
    }
    // The same outcome as another kind, keeping file, detail and messages.
    Result as(Kind kind) const {
        Result r = *this;
        r.kind_ = kind;
        return r;
    }

    friend bool operator==(const Result& r, Kind k) { return r.kind_ == k; }

  private:
    Result(Kind kind, std::string file, std::string detail)
        : kind_(kind), file_(std::move(file)), detail_(std::move(detail)) {}

    Kind kind_ = Ok;
    std::string file_;
    std::string detail_;
    LockInfo lock_;
    std::vector<std::string> messages_;
};

const char* kindName(Result::Kind kind);
// For test output and logs: "Unreadable USER.DB (it is empty)".
std::ostream& operator<<(std::ostream& out, const Result& r);
std::ostream& operator<<(std::ostream& out, Result::Kind kind);

} // namespace pinora
