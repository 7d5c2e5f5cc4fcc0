// While alive, no file of this process may grow past a number of bytes: a
// write that would is cut short with EFBIG (SIGXFSZ is ignored meanwhile), as
// on a disk that fills up part-way.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace pindrel::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ok_ = getrlimit(RLIMIT_FSIZE, &former_) == 0;
    former_signal_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit r = former_;
    r.rlim_cur = bytes;
    ok_ = ok_ && setrlimit(RLIMIT_FSIZE, &r) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &former_);
    std::signal(SIGXFSZ, former_signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  rlimit former_{};
  void (*former_signal_)(int) = nullptr;
  bool ok_ = false;
};

}  // namespace pindrel::testing
