// Two desktop services that guard what they are handed: write_file replaces a
// file only once the new bytes are whole, keeping its permission bits, and
// open_address hands the desktop nothing but http:// and https:// addresses.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "desktop_double.h"
#include "file_size_limit.h"
#include "foundation/gui/gui_text.h"
#include "foundation/gui/runtime.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

using testing::DesktopDouble;
using testing::FileSizeLimit;

mode_t mode_of(const QString& path) {
  struct stat st {};
  if (stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes, mode_t mode) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  f.close();
  ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
}

const ByteArray kBig(std::string(64 * 1024, 'N'));

class WriteFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
  QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
  QTemporaryDir dir;
};

TEST_F(WriteFile, ReplacingKeepsThePermissionBits) {
  for (mode_t mode : {0600u, 0640u, 0604u, 0755u, 0444u}) {
    SCOPED_TRACE(mode);
    const QString name = path("封面.jpg");
    put(name, QByteArray("former"), mode);
    EXPECT_TRUE(write_file(from_qstring(name), {ByteArray(std::string("new bytes"))}));
    EXPECT_EQ(read_all(name), QByteArray("new bytes"));
    EXPECT_EQ(mode_of(name), mode);
    EXPECT_EQ(files(), QStringList{QStringLiteral("封面.jpg")});
    QFile::remove(name);
  }
}

TEST_F(WriteFile, NewFileGetsTheUsualPermissions) {
  const mode_t mask = umask(022);
  const QString name = path("new.png");
  EXPECT_TRUE(write_file(from_qstring(name), {ByteArray(std::string("x"))}));
  umask(mask);
  EXPECT_EQ(mode_of(name), 0644u);
}

TEST_F(WriteFile, FailingPartWayLeavesTheFormerFileWholeAndNothingBesideIt) {
  struct Row {
    const char* what;
    ByteArray first, second;  // an empty part is skipped
  } rows[] = {
      // smaller than a write buffer: the failure shows only when it is flushed
      {"one part of 6000 bytes", ByteArray(std::string(6000, 'c')), ByteArray()},
      {"a small part, then a large one", ByteArray(std::string("head")), kBig},
      {"several parts past the limit", ByteArray(std::string(3000, 'a')), ByteArray(std::string(3000, 'b'))},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const QString name = path("cover.jpg");
    put(name, QByteArray("the former file"), 0640);
    bool written = true;
    {
      FileSizeLimit limit(4096);
      ASSERT_TRUE(limit.ok());
      written = write_file(from_qstring(name), {r.first, r.second});
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(read_all(name), QByteArray("the former file"));
    EXPECT_EQ(mode_of(name), 0640u);
    EXPECT_EQ(files(), QStringList{QStringLiteral("cover.jpg")});
  }
}

TEST_F(WriteFile, FailingPartWayOnANewNameLeavesNoFile) {
  {
    FileSizeLimit limit(4096);
    ASSERT_TRUE(limit.ok());
    EXPECT_FALSE(write_file(from_qstring(path("new.jpg")), {kBig}));
  }
  EXPECT_TRUE(files().isEmpty());
}

TEST_F(WriteFile, AFolderOfThatNameIsNotReplaced) {
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("cover.jpg")));
  ASSERT_TRUE(QFile(path("cover.jpg/inside")).open(QIODevice::WriteOnly));
  EXPECT_FALSE(write_file(from_qstring(path("cover.jpg")), {ByteArray(std::string("x"))}));
  EXPECT_TRUE(QFileInfo(path("cover.jpg")).isDir());
  EXPECT_TRUE(QFile::exists(path("cover.jpg/inside")));
}

TEST(OpenAddress, OnlyWebAddressesReachTheDesktop) {
  struct Row {
    const char* address;
    bool opened;
  } rows[] = {
      {"http://www.korlan.test/download/pindrel-1.1.zip", true},
      {"https://www.korlan.test/", true},
      {"HTTP://WWW.KORLAN.TEST/", true},  // letter case ignored
      {"HtTpS://a.test/x?y=1", true},
      {"http://", true},                   // the scheme is all that is looked at
      {"", false},                         // a manifest without a download address
      {"file:///etc/passwd", false},
      {"FILE:///etc/passwd", false},
      {"javascript:alert(1)", false},
      {"ftp://a.test/x.zip", false},
      {"mailto:a@a.test", false},
      {"/home/user/x.zip", false},
      {" http://a.test/", false},          // no trimming
      {"http:/a.test/", false},
      {"https:a.test", false},
      {"httpx://a.test/", false},
      {"ahttp://a.test/", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.address);
    DesktopDouble desktop;
    open_address(Text::from_bytes(r.address));
    EXPECT_EQ(desktop.opened, r.opened ? std::vector<Text>{Text::from_bytes(r.address)} : std::vector<Text>{});
    EXPECT_TRUE(desktop.messages.empty());
  }
}

}  // namespace
}  // namespace pindrel
