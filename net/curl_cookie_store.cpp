// CurlCookieStore: see curl_cookie_store.h. The share handle takes locks of
// its own because libcurl asks for them; the store itself is used from one
// thread in the program.
#include "net/curl_cookie_store.h"

#include <array>
#include <mutex>

#include "net/curl_easy.h"

namespace pindrel {

struct CurlCookieStore::Impl {
  struct ShareDeleter {
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
  };
  std::unique_ptr<CURLSH, ShareDeleter> share;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;

  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<Impl*>(user)->locks[static_cast<std::size_t>(data)].lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* user) {
    static_cast<Impl*>(user)->locks[static_cast<std::size_t>(data)].unlock();
  }
};

CurlCookieStore::CurlCookieStore() : impl_(std::make_unique<Impl>()) {
  if (!curl_ready()) return;
  impl_->share.reset(curl_share_init());
  CURLSH* share = impl_->share.get();
  if (share == nullptr) return;
  const bool ok = curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Impl::lock) == CURLSHE_OK &&
                  curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Impl::unlock) == CURLSHE_OK &&
                  curl_share_setopt(share, CURLSHOPT_USERDATA, impl_.get()) == CURLSHE_OK &&
                  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) == CURLSHE_OK;
  // A share that holds no cookies would silently drop them: no store at all
  // makes every exchange that needs one fail instead.
  if (!ok) impl_->share.reset();
}

CurlCookieStore::~CurlCookieStore() = default;

CurlCookieStore& CurlCookieStore::process_store() {
  static CurlCookieStore store;
  return store;
}

void* CurlCookieStore::share_handle() const { return impl_->share.get(); }

}  // namespace pindrel
