// The real program as a process on Linux, with a valid zirel.dat it may read
// but not write: it starts and keeps the file (it used to end at once with a
// fatal report). Run as an ordinary user, since root may write any file.
#include "tests/file_bytes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

std::string read_file(const std::string& path) { return zirel::test::file_bytes(path); }

}  // namespace

TEST(ProgramProcess, AReadOnlySettingsFileIsRead) {
  namespace fs = std::filesystem;
  QTemporaryDir scratch;
  const std::string dir = scratch.path().toStdString();
  fs::permissions(dir, fs::perms::all);
  const std::string settings = dir + "/zirel.dat";
  const std::string file = "   7.51200   9.87400  11.23600  90.00000 103.47000  90.00000\r\n"
                           "   0.70930  35.00000\r\n    0   0.00000   1.00000   0.00000\r\n    2    2\r\n";
  {
    std::ofstream out(settings, std::ios::binary);
    out << file;
    ASSERT_TRUE(out.flush());
  }
  fs::permissions(settings, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  QProcess zirel;
  if (geteuid() == 0) {
    zirel.setProgram("setpriv");
    zirel.setArguments({"--reuid=65534", "--regid=65534", "--clear-groups", ZIREL_PROGRAM});
  } else {
    zirel.setProgram(ZIREL_PROGRAM);
  }
  zirel.setWorkingDirectory(scratch.path());
  zirel.start();
  ASSERT_TRUE(zirel.waitForStarted());
  EXPECT_FALSE(zirel.waitForFinished(2000));  // the form is up, nothing has ended it
  const QByteArray err = zirel.readAllStandardError();
  zirel.kill();
  zirel.waitForFinished();
  EXPECT_FALSE(err.contains("severe")) << err.constData();
  EXPECT_EQ(read_file(settings), file);
  EXPECT_FALSE(fs::exists(dir + "/zirel.dat.bak"));
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
