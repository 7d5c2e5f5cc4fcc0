// libcurl's one home in the program: the process-wide initialisation, owners
// for its handles, an option setter that checks every result, and the loop
// that drives one transfer on the caller's thread.
//
//   CurlTransfer transfer(limits);
//   CurlEasy& easy = transfer.easy();
//   easy.set(CURLOPT_URL, "http://127.0.0.1:8080/");
//   easy.set(CURLOPT_WRITEFUNCTION, &on_body);  // counts through accept_body()
//   if (easy.ok() && transfer.start()) {
//     while (transfer.step()) {}               // runs the wait hook meanwhile
//   }
//   transfer.ended() == CurlTransfer::End::kComplete
//
// Internal to the HTTP library: nothing outside net/ sees libcurl.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string_view>

#include "net/transfer_limits.h"

namespace pindrel {

// curl_global_init, once for the process; false when it failed.
bool curl_ready();

// An easy handle and the result of every option set on it.
class CurlEasy {
 public:
  CurlEasy();
  explicit operator bool() const { return handle_ != nullptr; }
  CURL* get() const { return handle_.get(); }

  // Sets one option; false when it (or an earlier one) did not take. Callers
  // set a run of options and ask once, so a version of libcurl that lacks an
  // option fails the transfer instead of running it with a default.
  template <typename Value>
  bool set(CURLoption option, Value value) {
    ok_ = ok_ && handle_ && curl_easy_setopt(handle_.get(), option, value) == CURLE_OK;
    return ok_;
  }
  bool ok() const { return ok_; }

 private:
  struct Deleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
  };
  std::unique_ptr<CURL, Deleter> handle_;
  bool ok_ = true;
};

struct CurlSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// One easy handle driven through its own multi handle, so that the caller's
// thread wakes at least every kTransferWaitHookIntervalMs to run the wait hook
// (transfer_wait_hook.h) and to check the limits that are not libcurl's own:
// the deadline, the low-speed window and the body cap.
class CurlTransfer {
 public:
  enum class End {
    kRunning,
    kComplete,     // libcurl finished; result() says how
    kDeadline,     // the whole exchange took longer than the deadline
    kTooSlow,      // a low-speed window closed with too few bytes
    kBodyTooLong,  // past the body cap
    kStopped,      // the owner gave up (its own time-out), or the start failed
  };

  explicit CurlTransfer(const TransferLimits& limits);
  ~CurlTransfer();
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  CurlEasy& easy() { return easy_; }
  const CurlEasy& easy() const { return easy_; }
  const TransferLimits& limits() const { return limits_; }
  // Both handles exist and every option set so far took.
  bool valid() const { return multi_ && easy_ && easy_.ok(); }

  // Hands the easy handle to the multi handle and starts the deadline clock.
  bool start();
  bool started() const { return started_; }

  // Lets libcurl work, checks the limits and runs the wait hook when it is
  // due. False once the transfer has ended.
  bool perform();
  // Waits for the socket, libcurl's next timer or the next hook, whichever
  // comes first (at most kTransferWaitHookIntervalMs), then runs the hook when
  // it is due.
  void wait();
  // perform() and, while the transfer runs, wait().
  bool step() {
    if (!perform()) return false;
    wait();
    return true;
  }

  // For the write and header callbacks: `n` bytes have arrived. accept_body
  // also counts them against the body cap and is false (the callback then
  // refuses them, which ends the transfer) once the cap is passed, or at the
  // first bytes of a body whose announced length is past it. For a decoded
  // body the announced length is that of the encoded one.
  void note_received(std::size_t n);
  bool accept_body(std::size_t n);
  // The owner's own clocks (an idle period) ended the transfer.
  void stop() { end(End::kStopped); }

  End ended() const { return end_; }
  CURLcode result() const { return result_; }
  // Ended by libcurl with success.
  bool succeeded() const { return end_ == End::kComplete && result_ == CURLE_OK; }

 private:
  using Clock = std::chrono::steady_clock;
  struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
  };

  void end(End why);
  void check_limits(Clock::time_point now);
  void run_hook_if_due(Clock::time_point now);

  TransferLimits limits_;
  // Declared before the easy handle: the easy handle is cleaned up first.
  std::unique_ptr<CURLM, MultiDeleter> multi_;
  CurlEasy easy_;
  bool started_ = false;
  bool attached_ = false;
  End end_ = End::kRunning;
  CURLcode result_ = CURLE_OK;

  Clock::time_point deadline_;
  Clock::time_point next_hook_;
  // The low-speed window; closed until the first byte arrives.
  bool window_open_ = false;
  Clock::time_point window_end_;
  std::size_t window_bytes_ = 0;
  std::size_t body_bytes_ = 0;
  bool length_checked_ = false;
};

}  // namespace pindrel
