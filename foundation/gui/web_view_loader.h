// Loads the browser module on first use and makes its views. The module,
// libpindrel_webview.so, is the only part of the program that links Qt
// WebEngine; it is looked for next to the program, at its installed place
// (<prefix>/lib/pindrel, relative to the program and as configured) and in
// the build tree, in that order.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace pindrel {

// A new browser view (a QWebEngineView) inside `parent`, or nullptr when the
// module cannot be loaded. The first call loads the module.
QWidget* create_web_view(QWidget* parent);

// The file names tried, in order, for the running program.
QStringList web_view_module_candidates();

// True once the module is loaded into this process.
bool web_view_module_loaded();

}  // namespace pindrel
