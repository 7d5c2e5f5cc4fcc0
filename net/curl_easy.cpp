// CurlEasy and CurlTransfer: see curl_easy.h.
#include "net/curl_easy.h"

#include <algorithm>
#include <cstdint>

#include "net/transfer_wait_hook.h"

namespace pindrel {

bool curl_ready() {
  // curl_global_init is not thread-safe; a function-local static runs it once.
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

CurlEasy::CurlEasy() : handle_(curl_ready() ? curl_easy_init() : nullptr) {}

CurlTransfer::CurlTransfer(const TransferLimits& limits)
    : limits_(limits), multi_(curl_ready() ? curl_multi_init() : nullptr) {}

CurlTransfer::~CurlTransfer() {
  if (attached_) curl_multi_remove_handle(multi_.get(), easy_.get());
}

bool CurlTransfer::start() {
  if (started_) return false;
  started_ = true;
  const Clock::time_point now = Clock::now();
  deadline_ = now + limits_.deadline;
  next_hook_ = now + std::chrono::milliseconds(kTransferWaitHookIntervalMs);
  if (!valid() || curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
    end(End::kStopped);
    return false;
  }
  attached_ = true;
  return true;
}

void CurlTransfer::end(End why) {
  if (end_ == End::kRunning) end_ = why;
}

void CurlTransfer::note_received(std::size_t n) {
  if (!window_open_) {
    window_open_ = true;
    window_end_ = Clock::now() + limits_.low_speed_window;
  }
  window_bytes_ += n;
}

bool CurlTransfer::accept_body(std::size_t n) {
  note_received(n);
  if (!length_checked_) {
    // A length past the cap, announced with the first bytes, is refused at
    // once rather than after the cap's worth of bytes has come.
    length_checked_ = true;
    curl_off_t announced = -1;
    if (curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
        announced > 0 && static_cast<std::uint64_t>(announced) > limits_.max_body_bytes) {
      end(End::kBodyTooLong);
      return false;
    }
  }
  if (n > limits_.max_body_bytes - std::min(body_bytes_, limits_.max_body_bytes)) {
    end(End::kBodyTooLong);
    return false;
  }
  body_bytes_ += n;
  return true;
}

void CurlTransfer::check_limits(Clock::time_point now) {
  if (now >= deadline_) end(End::kDeadline);
  if (window_open_ && now >= window_end_) {
    if (window_bytes_ < limits_.low_speed_bytes) end(End::kTooSlow);
    window_end_ = now + limits_.low_speed_window;
    window_bytes_ = 0;
  }
}

void CurlTransfer::run_hook_if_due(Clock::time_point now) {
  if (now < next_hook_) return;
  run_transfer_wait_hook();
  next_hook_ = Clock::now() + std::chrono::milliseconds(kTransferWaitHookIntervalMs);
}

bool CurlTransfer::perform() {
  if (!started_ || end_ != End::kRunning) return false;
  int running = 0;
  if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) {
    end(End::kStopped);
    return false;
  }
  int left = 0;
  while (CURLMsg* msg = curl_multi_info_read(multi_.get(), &left)) {
    if (msg->msg == CURLMSG_DONE) {
      result_ = msg->data.result;
      end(End::kComplete);
    }
  }
  // A callback that refused bytes has already said why the transfer ends.
  if (end_ != End::kRunning) return false;
  if (running == 0) {
    end(End::kComplete);
    return false;
  }
  const Clock::time_point now = Clock::now();
  check_limits(now);
  if (end_ != End::kRunning) return false;
  run_hook_if_due(now);
  return true;
}

void CurlTransfer::wait() {
  if (!attached_ || end_ != End::kRunning) return;
  const auto until_hook =
      std::chrono::duration_cast<std::chrono::milliseconds>(next_hook_ - Clock::now()).count();
  const int timeout = static_cast<int>(std::clamp<long long>(until_hook, 0, kTransferWaitHookIntervalMs));
  curl_multi_poll(multi_.get(), nullptr, 0, timeout, nullptr);
  run_hook_if_due(Clock::now());
}

}  // namespace pindrel
