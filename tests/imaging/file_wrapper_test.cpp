// cFile: each operation's answer and the FileError number and text of each failure.
#include "imaging/file_wrapper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>

#include "imaging/file_support.h"

namespace {
constexpr uint32_t kReadWrite = cFile::kGenericRead | cFile::kGenericWrite;

// Each FileError as "<number> <text>".
QStringList errorsOf(const QSignalSpy& spy) {
  QStringList out;
  for (const QList<QVariant>& e : spy) out << QStringLiteral("%1 %2").arg(e[0].toInt()).arg(e[1].toString());
  return out;
}

bool putProcFile(const char* path, const QByteArray& text) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  const bool ok = fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
  if (fd >= 0) ::close(fd);
  return ok;
}

// Runs `body` in a child process that sees a file system of `room` on `dir`
// (a tmpfs in namespaces of its own, which needs no privileges where user
// namespaces are allowed). The child's exit code, -signal when it was killed,
// or kNoSmallDisk when no such file system could be made.
constexpr int kNoSmallDisk = 99;
int onSmallDisk(const QString& dir, const char* room, const std::function<int()>& body) {
  const QByteArray mountPoint = QFile::encodeName(dir);
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !putProcFile("/proc/self/setgroups", "deny") ||
        !putProcFile("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1") ||
        !putProcFile("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1") ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, (QByteArray("size=") + room).constData()) != 0)
      ::_exit(kNoSmallDisk);
    ::_exit(body());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return kNoSmallDisk;
  return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}
}  // namespace

TEST(FileWrapper, failedOpensGiveZeroAndTheMappedSystemError) {
  QTemporaryDir dir;
  QFile::copy(QStringLiteral("/dev/null"), dir.filePath("x"));
  struct Row {
    const char* name;
    QString path;
    uint32_t disposition;
    const char* error;
  };
  for (const Row& row :
       {Row{"missing folder", dir.filePath("nope/x.gif"), cFile::kCreateAlways,
            "3 The system cannot find the path specified.\r\n"},
        Row{"missing file", dir.filePath("y"), cFile::kOpenExisting,
            "2 The system cannot find the file specified.\r\n"},
        Row{"a folder", dir.path(), cFile::kOpenExisting, "5 Access is denied.\r\n"},
        Row{"new over existing", dir.filePath("x"), cFile::kCreateNew, "80 The file exists.\r\n"},
        Row{"no such disposition", dir.filePath("z"), 9, "87 The parameter is incorrect.\r\n"},
        Row{"no name", QString(), cFile::kCreateAlways, nullptr}}) {
    cFile f;
    QSignalSpy spy(&f, &cFile::FileError);
    EXPECT_EQ(f.OpenFile(row.path, kReadWrite, 0, row.disposition, 0), 0) << row.name;
    EXPECT_EQ(errorsOf(spy), row.error ? QStringList{row.error} : QStringList()) << row.name;
  }
  EXPECT_EQ(cFile::getApiErrorText(0x12345), "Unknown Error");
}

TEST(FileWrapper, writesBytesWordsMovesAndCutsAtThePosition) {
  QTemporaryDir dir;
  const QString path = dir.filePath("w.bin");
  ASSERT_TRUE(putFile(path, "an older and longer file"));
  cFile f;
  QSignalSpy spy(&f, &cFile::FileError);
  ASSERT_NE(f.OpenFile(path, cFile::kGenericWrite, 0, cFile::kOpenExisting, cFile::kFlagSequentialScan), 0);
  int32_t written = 0;
  EXPECT_TRUE(f.WriteIntegerToFile(0x1234, written));
  EXPECT_TRUE(f.WriteByteToFile(0xAB, written));
  EXPECT_TRUE(f.WriteToFile(QByteArray("hello"), 3, written));
  EXPECT_EQ(written, 3);
  EXPECT_FALSE(f.WriteToFile(QByteArray("hi"), 3, written));  // more than the array holds
  EXPECT_FALSE(f.ChangeFilePointer(0, cFile::kFileBegin));    // position 0 answers False
  EXPECT_TRUE(f.ChangeFilePointer(4, cFile::kFileBegin));
  EXPECT_TRUE(f.SetFileEnd());
  EXPECT_EQ(f.FileSize(), 4u);
  EXPECT_TRUE(f.ChangeFilePointer(-9, cFile::kFileCurrent));  // a failed move
  EXPECT_EQ(errorsOf(spy),
            (QStringList{"87 The parameter is incorrect.\r\n",
                         "131 An attempt was made to move the file pointer before the beginning of "
                         "the file.\r\n"}));
  EXPECT_NE(f.Flush(), 0);
  f.CloseFile();
  EXPECT_EQ(fileBytes(path).toHex(), "3412ab68");

  // Without a file every operation answers False or 0, and reports nothing.
  EXPECT_FALSE(f.WriteToFile(QByteArray("x"), 1, written));
  EXPECT_FALSE(f.SetFileEnd());
  EXPECT_FALSE(f.ChangeFilePointer(1, cFile::kFileBegin));
  EXPECT_EQ(spy.size(), 2);
  if (QFile::exists("/dev/full")) {
    ASSERT_NE(f.OpenFile("/dev/full", cFile::kGenericWrite, cFile::kShareWrite, cFile::kOpenExisting, 0), 0);
    EXPECT_FALSE(f.WriteToFile(QByteArray(10, 'x'), 10, written));
    EXPECT_EQ(errorsOf(spy).value(2), "112 There is not enough space on the disk.\r\n");
    EXPECT_TRUE(f.SetFileEnd());  // a device has no end to cut
  }
}

TEST(FileWrapper, readsAndAnExclusiveOpenerKeepsOthersOut) {
  QTemporaryDir dir;
  const QString path = dir.filePath("r.bin");
  ASSERT_TRUE(putFile(path, "abc"));
  cFile exclusive, second;
  QSignalSpy spy(&second, &cFile::FileError);
  ASSERT_NE(exclusive.OpenFile(path, cFile::kGenericRead, 0, cFile::kOpenExisting, 0), 0);
  EXPECT_EQ(second.OpenFile(path, kReadWrite, cFile::kShareRead, cFile::kCreateAlways, 0), 0);
  EXPECT_EQ(
      errorsOf(spy),
      QStringList{"32 The process cannot access the file because it is being used by another process.\r\n"});
  EXPECT_EQ(QFile(path).size(), 3);  // not truncated by the refused opener
  QByteArray buf(5, 'x');
  int32_t read = 0;
  EXPECT_TRUE(exclusive.ReadFromFile(buf, read));
  EXPECT_EQ(read, 3);
  EXPECT_EQ(buf, QByteArray("abcxx"));
  exclusive.CloseFile();
  EXPECT_NE(second.OpenFile(path, cFile::kGenericRead, cFile::kShareRead, cFile::kOpenExisting, 0), 0);
}

TEST(FileWrapper, mappingZeroFillsOneNamedMappingAtATimeAndUnmaps) {
  QTemporaryDir dir;
  cFile a, b;
  QSignalSpy spyB(&b, &cFile::FileError);
  uint8_t* view = a.OpenFileMapped(dir.filePath("m1"), 4096, kReadWrite, 0, cFile::kCreateAlways, 0, true);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(QFile(dir.filePath("m1")).size(), 4096);
  EXPECT_EQ(std::count(view, view + 4096, 0), 4096);
  view[10] = 'Z';
  EXPECT_EQ(b.OpenFileMapped(dir.filePath("m2"), 16, kReadWrite, 0, cFile::kCreateAlways, 0, false), nullptr);
  EXPECT_EQ(errorsOf(spyB), QStringList{"183 Cannot create a file when that file already exists.\r\n"});
  EXPECT_EQ(b.FileHandle(), 0);
  EXPECT_TRUE(a.UnMapFile());
  EXPECT_FALSE(a.UnMapFile());
  EXPECT_EQ(fileBytes(dir.filePath("m1")).at(10), 'Z');
  // Only a file open: UnMapFile closes it and says so once.
  ASSERT_NE(b.OpenFile(dir.filePath("m3"), kReadWrite, 0, cFile::kCreateAlways, 0), 0);
  EXPECT_TRUE(b.UnMapFile());
  EXPECT_FALSE(b.UnMapFile());
  // The name is free again; an empty name maps nothing.
  EXPECT_NE(b.OpenFileMapped(dir.filePath("m2"), 16, kReadWrite, 0, cFile::kCreateAlways, 0, true), nullptr);
  EXPECT_EQ(a.OpenFileMapped(QString(), 16, kReadWrite, 0, cFile::kCreateAlways, 0, true), nullptr);
}

// A disk without the room for a mapping: the disk-full error and no view, never
// a view whose zero fill dies of SIGBUS; the file keeps the length it had.
TEST(FileWrapper, aMappingTheDiskHasNoRoomForIsRefused) {
  QTemporaryDir dir;
  {
    DiskFullAfter full(4095);
    cFile f;
    QSignalSpy spy(&f, &cFile::FileError);
    EXPECT_EQ(f.OpenFileMapped(dir.filePath("m"), 4096, kReadWrite, 0, cFile::kCreateAlways, 0, true),
              nullptr);
    EXPECT_EQ(errorsOf(spy), QStringList{"112 There is not enough space on the disk.\r\n"});
    EXPECT_EQ(f.FileHandle(), 0);
    EXPECT_EQ(QFile(dir.filePath("m")).size(), 0);
  }
  const int outcome = onSmallDisk(dir.path(), "1m", [&] {
    cFile f;
    int32_t error = 0;
    QObject::connect(&f, &cFile::FileError, [&](int32_t number, const QString&) { error = number; });
    const QString name = dir.filePath("big");
    if (!f.OpenFileMapped(name, 512 * 1024, kReadWrite, 0, cFile::kCreateAlways, 0, true)) return 1;
    f.UnMapFile();
    if (f.OpenFileMapped(name, 4 * 1024 * 1024, kReadWrite, 0, cFile::kCreateAlways, 0, true)) return 2;
    return error == 112 && QFile(name).size() == 0 ? 0 : 3;
  });
  if (outcome == kNoSmallDisk) GTEST_SKIP() << "no private file system can be mounted here";
  EXPECT_EQ(outcome, 0) << "1: a mapping that fits refused, 2: a view without room, 3: wrong error or "
                           "length, negative: killed by that signal";
}
