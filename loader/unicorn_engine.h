// RAII owners of a unicorn engine handle and of a saved processor context.
#pragma once

#include <memory>

#include <unicorn/unicorn.h>

namespace pindrel {

struct UnicornCloser {
  void operator()(uc_engine* uc) const {
    if (uc != nullptr) uc_close(uc);
  }
};
using UnicornEngine = std::unique_ptr<uc_engine, UnicornCloser>;

struct UnicornContextFreer {
  void operator()(uc_context* context) const {
    if (context != nullptr) uc_context_free(context);
  }
};
using UnicornContext = std::unique_ptr<uc_context, UnicornContextFreer>;

}  // namespace pindrel
