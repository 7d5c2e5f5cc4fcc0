// The browser module: the one library of the program that links Qt WebEngine.
// The program loads it with QLibrary when the first browser box gets an
// address (web_view_loader.cpp) and calls the one function below.
#include <QWebEngineSettings>
#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget* pindrel_create_web_view(QWidget* parent) {
  auto* view = new QWebEngineView(parent);
  // The listen window's player starts by itself, as the platform's browser
  // box lets a page start its audio without a click.
  view->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  return view;
}
