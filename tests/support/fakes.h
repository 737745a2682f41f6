// Deterministic services for tests: a settable clock, a sleeper that only records, chance
// that returns queued numbers, and a presenter that keeps every message a result carries.
#pragma once

#include "db/datetime.h"
#include "db/services.h"
#include "db/station.h"

#include <climits>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace pinora::test {

class FakeClock : public Clock {
public:
    TDateTime t = encodeDate(2026, 12, 7) + encodeTime(10, 0, 0);
    TDateTime now() const override { return t; }
};

class RecordingSleeper : public Sleeper {
public:
    std::vector<int> sleeps;
    std::function<void()> onSleep; // lets a test change the world while a station waits
    void sleepMs(int ms) override {
        sleeps.push_back(ms);
        if (onSleep) onSleep();
    }
};

class QueuedChance : public Chance {
public:
    std::deque<int> queue; // used first; then a counter
    int next = 0;
    int below(int n) override {
        if (!queue.empty()) {
            const int v = queue.front();
            queue.pop_front();
            return n > 0 ? v % n : 0;
        }
        if (n <= 0) return 0;
        // Wraps rather than overflows: a fuzz target's kept services are asked without end.
        const unsigned v = static_cast<unsigned>(next) * 37u + 11u;
        next = next < INT_MAX ? next + 1 : 0;
        return static_cast<int>(v % static_cast<unsigned>(n));
    }
};

// Presents results as a window would, keeping each message instead of showing it.
class RecordingReporter {
public:
    std::vector<std::string> messages;
    Result present(Result r) {
        messages.insert(messages.end(), r.messages().begin(), r.messages().end());
        return r;
    }
};

struct FakeServices {
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<RecordingSleeper> sleeper = std::make_shared<RecordingSleeper>();
    std::shared_ptr<QueuedChance> chance = std::make_shared<QueuedChance>();
    std::shared_ptr<RecordingReporter> reporter = std::make_shared<RecordingReporter>();
    std::string osUser = "teacher";
    std::shared_ptr<FileSystem> files = systemFileSystem();

    // The result, its messages kept as though presented.
    Result told(Result r) { return reporter->present(std::move(r)); }
    // Presents a result the test looks at only through its messages and the files.
    void tell(const Result& r) { static_cast<void>(reporter->present(r)); }

    Services services() {
        Services s;
        s.clock = clock;
        s.sleeper = sleeper;
        s.chance = chance;
        s.osUserName = [this] { return osUser; };
        s.files = files;
        return s;
    }
};

// A file system the test keeps, handed to a station that expects to share it.
inline std::shared_ptr<FileSystem> unowned(FileSystem& fs) {
    return std::shared_ptr<FileSystem>(std::shared_ptr<void>{}, &fs);
}

// A database folder with MSG and TEMP, the three files written as a fresh database would have
// them, and one user ADMIN (password "secret", super user).
void writeFreshDatabase(const std::string& folder,
                        std::shared_ptr<FileSystem> files = systemFileSystem());

} // namespace pinora::test
