// Limits for tests that make writes fail as they would on a full disk.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace pinora::test {

// Limits the size of files this process may write, so that a save fails as on a full disk,
// whoever runs the test.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        old_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lim = saved_;
        lim.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, old_);
    }

  private:
    rlimit saved_{};
    void (*old_)(int);
};

} // namespace pinora::test
