// A cookie store that outlives single exchanges: a libcurl share handle that
// holds cookies, used by the exchanges that carry no cookie jar of their own.
//
//   CurlCookieStore store;                    // a private store (tests)
//   CurlTransportSettings s; s.cookie_store = &store;
#pragma once

#include <memory>

namespace pindrel {

class CurlCookieStore {
 public:
  CurlCookieStore();
  ~CurlCookieStore();
  CurlCookieStore(const CurlCookieStore&) = delete;
  CurlCookieStore& operator=(const CurlCookieStore&) = delete;

  // The one store of the process, used by exchanges without a cookie jar.
  static CurlCookieStore& process_store();

  void* share_handle() const;  // the CURLSH*, null when libcurl could not make one

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pindrel
