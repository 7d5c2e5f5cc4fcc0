#include "foundation/gui/web_view_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLibrary>
#include <QOpenGLContext>
#include <QWidget>
#include <cstdio>

// Qt's global share context, exported by Qt GUI (QOpenGLContext's private
// half); Qt WebEngine makes one when it is loaded before the application
// exists, and looks for it when it is loaded later.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();

namespace pindrel {

namespace {

using CreateWebView = QWidget* (*)(QWidget*);

constexpr const char* kModuleFile = "libpindrel_webview.so";

QtMessageHandler former_handler = nullptr;

// Drops Qt's note that the attribute below belongs before the application:
// here it is set late on purpose, together with the context it is about.
void without_late_attribute_note(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.contains(QLatin1String("AA_ShareOpenGLContexts"))) return;
  if (former_handler != nullptr) former_handler(type, context, text);
}

// What Qt WebEngine does for itself when it is linked into the program: the
// application attribute and one OpenGL context that every context of the
// process shares with. Done here, just before the module is loaded, so that
// a run without a browser box never touches OpenGL. As in Qt's own set-up,
// the context is installed even where it cannot be created (no OpenGL, as on
// the offscreen platform): the engine then draws in software, and only
// refuses to start when there is no share context at all.
void prepare_shared_opengl() {
  former_handler = qInstallMessageHandler(&without_late_attribute_note);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  qInstallMessageHandler(former_handler);
  if (qt_gl_global_share_context() != nullptr) return;
  auto* context = new QOpenGLContext(qApp);  // lives as long as the application
  context->create();
  qt_gl_set_global_share_context(context);
}

struct ModuleState {
  bool tried = false;
  QLibrary library;
  CreateWebView create = nullptr;
};

ModuleState& module_state() {
  static ModuleState state;
  return state;
}

// Loads the module once; later calls give the first call's result.
CreateWebView load_module() {
  ModuleState& m = module_state();
  if (m.tried) return m.create;
  m.tried = true;
  prepare_shared_opengl();
  QString errors;
  for (const QString& file : web_view_module_candidates()) {
    if (!QFile::exists(file)) continue;
    m.library.setFileName(file);
    m.create = reinterpret_cast<CreateWebView>(m.library.resolve("pindrel_create_web_view"));
    if (m.create != nullptr) return m.create;
    errors += m.library.errorString() + QStringLiteral("\n");
  }
  std::fprintf(stderr, "pindrel: the browser module %s could not be loaded\n%s", kModuleFile,
               errors.toLocal8Bit().constData());
  return nullptr;
}

}  // namespace

QStringList web_view_module_candidates() {
  const QString name = QString::fromLatin1(kModuleFile);
  const QDir program(QCoreApplication::applicationDirPath());
  QStringList files{program.filePath(name),
                    QDir::cleanPath(program.filePath(QStringLiteral("../" PINDREL_INSTALL_LIBDIR "/pindrel/") + name)),
                    QStringLiteral(PINDREL_INSTALL_FULL_LIBDIR "/pindrel/") + name,
                    QStringLiteral(PINDREL_BUILD_MODULE_DIR "/") + name};
  files.removeDuplicates();
  return files;
}

bool web_view_module_loaded() { return module_state().create != nullptr; }

QWidget* create_web_view(QWidget* parent) {
  const CreateWebView create = load_module();
  return create != nullptr ? create(parent) : nullptr;
}

}  // namespace pindrel
