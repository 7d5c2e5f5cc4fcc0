#include "foundation/gui/desktop_services.h"

#include "foundation/gui/qt_desktop_services.h"

namespace pindrel {

namespace {

DesktopServices*& installed() {
  static DesktopServices* services = nullptr;
  return services;
}

}  // namespace

DesktopServices& desktop_services() {
  if (DesktopServices* s = installed()) return *s;
  static QtDesktopServices qt_services;
  return qt_services;
}

ScopedDesktopServices::ScopedDesktopServices(DesktopServices& services) : former_(installed()) {
  installed() = &services;
}

ScopedDesktopServices::~ScopedDesktopServices() { installed() = former_; }

}  // namespace pindrel
