// `cmake --install` of this build into a temporary prefix: the two programs,
// the browser module where the program looks for it, the desktop entry
// (checked by desktop-file-validate where it is installed) and the icon in
// every hicolor size; the installed program answers --help and --version
// without a display and does not link the web engine.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

struct Finished {
  int code = -1;
  QString out;
};

Finished run(const QString& program, const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!p.waitForFinished(120000)) return {};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

class InstalledTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new QTemporaryDir;
    ASSERT_TRUE(prefix_->isValid());
    const Finished r = run(QStringLiteral(PINDREL_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(PINDREL_BUILD_DIR), QStringLiteral("--prefix"), prefix_->path()});
    ASSERT_EQ(r.code, 0) << r.out.toStdString();
  }
  static void TearDownTestSuite() {
    delete prefix_;
    prefix_ = nullptr;
  }
  static QString installed(const QString& relative) { return prefix_->path() + QStringLiteral("/") + relative; }

  static QTemporaryDir* prefix_;
};

QTemporaryDir* InstalledTree::prefix_ = nullptr;

const QString kLib = QStringLiteral(PINDREL_INSTALL_LIBDIR);

TEST_F(InstalledTree, HoldsTheProgramsTheModuleAndTheDesktopEntry) {
  for (const QString& f : {QStringLiteral("bin/pindrel"), QStringLiteral("bin/pindrel-parse")}) {
    const QFileInfo info(installed(f));
    EXPECT_TRUE(info.isFile() && info.isExecutable()) << f.toStdString();
  }
  // Where the program looks for it: <program>/../lib/pindrel.
  EXPECT_TRUE(QFileInfo(installed(kLib + QStringLiteral("/pindrel/libpindrel_webview.so"))).isFile());
  const QString entry = installed(QStringLiteral("share/applications/pindrel.desktop"));
  ASSERT_TRUE(QFileInfo(entry).isFile());
  const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
  if (!validate.isEmpty()) {
    const Finished r = run(validate, {entry});
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.trimmed().isEmpty()) << r.out.toStdString();  // not even a hint
  }
}

TEST_F(InstalledTree, HoldsTheIconInEveryHicolorSize) {
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString file = installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/pindrel.png").arg(size));
    SCOPED_TRACE(file.toStdString());
    QImage image;
    ASSERT_TRUE(image.load(file, "PNG"));
    EXPECT_EQ(image.size(), QSize(size, size));
    EXPECT_TRUE(image.hasAlphaChannel());
  }
}

TEST_F(InstalledTree, TheInstalledProgramAnswersHelpAndVersionWithoutADisplay) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  struct Row {
    QString option;
    QString contains;
  } rows[] = {{QStringLiteral("--help"), QStringLiteral("用法：pindrel")},
              {QStringLiteral("-h"), QStringLiteral("--version")},
              {QStringLiteral("--version"), QStringLiteral("Pindrel 1.0")}};
  for (const Row& r : rows) {
    const Finished out = run(installed(QStringLiteral("bin/pindrel")), {r.option}, env);
    EXPECT_EQ(out.code, 0) << r.option.toStdString() << ": " << out.out.toStdString();
    EXPECT_TRUE(out.out.contains(r.contains)) << out.out.toStdString();
  }
  const Finished refused = run(installed(QStringLiteral("bin/pindrel")), {QStringLiteral("--skin=40")}, env);
  EXPECT_EQ(refused.code, 2);
}

TEST_F(InstalledTree, TheProgramDoesNotLinkTheWebEngine) {
  const QString readelf = QStandardPaths::findExecutable(QStringLiteral("readelf"));
  if (readelf.isEmpty()) GTEST_SKIP() << "readelf (binutils) is not installed";
  const Finished program = run(readelf, {QStringLiteral("-d"), installed(QStringLiteral("bin/pindrel"))});
  ASSERT_EQ(program.code, 0);
  EXPECT_TRUE(program.out.contains(QStringLiteral("libQt6Widgets"))) << program.out.toStdString();
  EXPECT_FALSE(program.out.contains(QStringLiteral("WebEngine"))) << program.out.toStdString();
  const Finished module = run(readelf, {QStringLiteral("-d"), installed(kLib + QStringLiteral("/pindrel/libpindrel_webview.so"))});
  EXPECT_TRUE(module.out.contains(QStringLiteral("libQt6WebEngineWidgets"))) << module.out.toStdString();
}

}  // namespace
