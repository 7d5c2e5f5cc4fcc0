// RAII owner of a unicorn engine handle.
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

}  // namespace pindrel
