// While this station runs an operation on the shared files or waits for a lock, the user's
// keys, clicks and close requests reach none of its windows. Such operations let the window
// system catch up (pauses, progress, the lock wait window), and a command started then would
// run inside the first one, on its locks and its half-changed tables.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <vector>

namespace pinora::ui {

class StationBusy {
  public:
    StationBusy();
    ~StationBusy();
    StationBusy(const StationBusy&) = delete;
    StationBusy& operator=(const StationBusy&) = delete;

    // True while any operation of this station is under way.
    static bool active();
};

// A busy time that starts and ends at separate calls (a lock wait, a busy light).
class BusySpan {
  public:
    void begin() {
        if (!busy_) busy_.emplace();
    }
    void end() { busy_.reset(); }
    bool on() const { return busy_.has_value(); }

  private:
    std::optional<StationBusy> busy_;
};

} // namespace pinora::ui
