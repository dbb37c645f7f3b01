// Test entry point: a headless application (QApplication for window tests,
// QGuiApplication for logic), private runtime dir, gtest.
#include <gtest/gtest.h>
#include <unistd.h>

#ifdef ZAV_TEST_WIDGETS
#include <QApplication>
#else
#include <QGuiApplication>
#endif
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

namespace {
// Each test runs in a fresh temporary folder as its working directory, so
// nothing a test writes by a relative name lands in the build folder.
class OwnFolderPerTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    m_dir = std::make_unique<QTemporaryDir>();
    if (m_dir->isValid()) QDir::setCurrent(m_dir->path());
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    QDir::setCurrent(m_home);
    m_dir.reset();
  }
  const QString m_home = QDir::currentPath();
  std::unique_ptr<QTemporaryDir> m_dir;
};
}  // namespace

int main(int argc, char** argv) {
  // ctest's test discovery runs without the test environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // No test may ever wait on a modal message box or file dialog.
  if (qEnvironmentVariableIsEmpty("ZAV_HEADLESS")) qputenv("ZAV_HEADLESS", "1");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QByteArray dir = QDir::tempPath().toUtf8() + "/zav-test-runtime-" + QByteArray::number(getuid());
    QDir().mkpath(QString::fromUtf8(dir));
    QFile::setPermissions(QString::fromUtf8(dir), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir);
  }
#ifdef ZAV_TEST_WIDGETS
  QApplication app(argc, argv);
#else
  QGuiApplication app(argc, argv);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new OwnFolderPerTest);
  return RUN_ALL_TESTS();
}
