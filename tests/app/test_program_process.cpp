// The real program as a process on Linux: a settings file that cannot be
// created ends it with the report on standard error, while a message box
// waits for the user.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

TEST(ProgramProcess, AnUnwritableSettingsFileEndsTheProgram) {
  QTemporaryDir scratch;
  QDir(scratch.path()).mkdir("zirel.dat");
  QProcess zirel;
  zirel.setProgram(ZIREL_PROGRAM);
  zirel.setWorkingDirectory(scratch.path());
  zirel.start();
  ASSERT_TRUE(zirel.waitForStarted());
  QByteArray err;
  for (int i = 0; i < 50 && !err.contains('\n'); ++i) {
    zirel.waitForReadyRead(200);
    err += zirel.readAllStandardError();
  }
  EXPECT_TRUE(err.contains("zirel: severe (9): permission to access file denied, unit 3, file zirel.dat"))
      << err.constData();
  EXPECT_EQ(zirel.state(), QProcess::Running);  // the box is up
  zirel.kill();
  zirel.waitForFinished();
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
