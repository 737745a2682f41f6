// What a station asks of the world: time, sleeping, chance, the system user and its files.
// Tests swap in their own so that nothing waits and nothing is random. Telling the user is the
// caller's part: operations return a Result.
#pragma once

#include "filesystem.h"
#include "records.h"

#include <functional>
#include <memory>
#include <string>

namespace pinora {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual TDateTime now() const = 0; // local time
};

class Sleeper {
  public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(int ms) = 0;
};

class Chance {
  public:
    virtual ~Chance() = default;
    virtual int below(int n) = 0; // uniform whole number in [0, n)
};

struct Services {
    std::shared_ptr<Clock> clock;
    std::shared_ptr<Sleeper> sleeper;
    std::shared_ptr<Chance> chance;
    std::function<std::string()> osUserName; // UTF-8
    // Every file and folder the station reads or writes; the machine's own unless a test sets
    // another.
    std::shared_ptr<FileSystem> files = systemFileSystem();

    // The machine's own clock, sleep and random numbers.
    static Services real();
};

class SystemClock : public Clock {
  public:
    TDateTime now() const override;
};

class SystemSleeper : public Sleeper {
  public:
    void sleepMs(int ms) override;
};

class RandomChance : public Chance {
  public:
    RandomChance();
    int below(int n) override;

  private:
    unsigned long long state_;
};

// Name of the effective user from the password database, else $USER or $LOGNAME, else empty.
std::string systemUserName();

} // namespace pinora
