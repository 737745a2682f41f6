#include "services.h"

#include "datetime.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <random>
#include <thread>
#include <unistd.h>

namespace pinora {

TDateTime SystemClock::now() const {
    using namespace std::chrono;
    const auto tp = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(tp);
    std::tm local{};
    localtime_r(&secs, &local);
    const auto ms = duration_cast<milliseconds>(tp.time_since_epoch()).count() % 1000;
    return encodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           encodeTime(local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
}

void SystemSleeper::sleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

RandomChance::RandomChance() {
    std::random_device rd;
    state_ = (static_cast<unsigned long long>(rd()) << 32) ^ rd() ^
             static_cast<unsigned long long>(
                 std::chrono::steady_clock::now().time_since_epoch().count()) ^
             static_cast<unsigned long long>(getpid());
}

int RandomChance::below(int n) {
    if (n <= 1) return 0;
    // splitmix64
    state_ += 0x9E3779B97F4A7C15ull;
    unsigned long long z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<int>(z % static_cast<unsigned long long>(n));
}

std::string systemUserName() {
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name)
        return pw->pw_name;
    if (const char* u = std::getenv("USER"); u && *u) return u;
    if (const char* u = std::getenv("LOGNAME"); u && *u) return u;
    return {};
}

Services Services::real() {
    Services s;
    s.clock = std::make_shared<SystemClock>();
    s.sleeper = std::make_shared<SystemSleeper>();
    s.chance = std::make_shared<RandomChance>();
    s.osUserName = systemUserName;
    return s;
}

} // namespace pinora
