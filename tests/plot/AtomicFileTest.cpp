// Checks whole-or-nothing file writing on each kind of target: the bytes and permissions of the
// file afterwards, what a link still names, and that no temporary file stays behind.
#include "plot/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ReadFile.h"
#include "tests/support/ScratchDir.h"

namespace {

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AtomicFile, EachTargetCommittedOrDiscarded) {
  enum Target { kNew, kExisting, kLink, kDevice };
  const struct {
    const char* what;
    Target target;
    bool commit;
    const char* bytes;      // what f.txt holds afterwards, null: it does not exist
    unsigned mode;          // its permissions, 0: not checked
    bool throughTemporary;  // the name shows nothing until the commit
  } cases[] = {
      {"new, committed", kNew, true, "chart", 0, true},
      {"new, discarded", kNew, false, nullptr, 0, true},
      {"existing, committed", kExisting, true, "chart", 0640, true},
      {"existing, discarded", kExisting, false, "previous", 0640, true},
      {"through a link, committed", kLink, true, "chart", 0640, true},
      {"through a link, discarded", kLink, false, "previous", 0640, true},
      {"device", kDevice, true, nullptr, 0, false},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    const std::string file = dir.path() + "/f.txt";
    std::string name = file;
    std::vector<std::string> names;
    if (c.target == kExisting || c.target == kLink) {
      dir.Write("f.txt", "previous");
      ASSERT_EQ(chmod(file.c_str(), 0640), 0);
      names.push_back("f.txt");
    }
    if (c.target == kLink) {
      name = dir.path() + "/l.txt";
      ASSERT_EQ(symlink("f.txt", name.c_str()), 0);
      names.push_back("l.txt");
    }
    if (c.target == kDevice) name = "/dev/null";
    AtomicFile a;
    FILE* f = a.Open(name.c_str());
    ASSERT_NE(f, nullptr) << c.what;
    ASSERT_EQ(std::fputs("chart", f), 1) << c.what;
    ASSERT_EQ(std::fflush(f), 0) << c.what;
    if (c.throughTemporary) {
      // Written, but under another name in the same folder.
      EXPECT_EQ(FilesIn(dir.path()).size(), names.size() + 1) << c.what;
      EXPECT_EQ(ReadFile(file), c.target == kNew ? "" : "previous") << c.what;
    }
    if (c.commit)
      EXPECT_TRUE(a.Commit()) << c.what;
    else
      a.Discard();
    if (c.bytes != nullptr && c.target == kNew) names.push_back("f.txt");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(FilesIn(dir.path()), names) << c.what;
    struct stat st;
    if (c.bytes != nullptr) {
      EXPECT_EQ(ReadFile(file), c.bytes) << c.what;
      ASSERT_EQ(stat(file.c_str(), &st), 0);
      if (c.mode != 0) {
        EXPECT_EQ(st.st_mode & 07777, c.mode) << c.what;
      }
    }
    if (c.target == kLink) {
      ASSERT_EQ(lstat(name.c_str(), &st), 0);
      EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.what;
    }
    if (c.target == kDevice) {
      ASSERT_EQ(stat("/dev/null", &st), 0);
      EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
  }
}

// A file never committed goes with its owner; a failed write is no commit.
TEST(AtomicFile, UncommittedOrFailedWritesLeaveNothing) {
  ScratchDir dir;
  const std::string file = dir.path() + "/f.txt";
  {
    AtomicFile a;
    ASSERT_NE(a.Open(file.c_str()), nullptr);
    std::fputs("half", a.stream());
  }
  EXPECT_TRUE(FilesIn(dir.path()).empty());
  dir.Write("f.txt", "previous");
  AtomicFile a;
  ASSERT_NE(a.Open(file.c_str()), nullptr);
  std::fputc('x', a.stream());
  std::fgetc(a.stream());  // reading a stream opened for writing sets its error flag
  EXPECT_FALSE(a.Commit());
  EXPECT_EQ(ReadFile(file), "previous");
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"f.txt"});
  EXPECT_EQ(a.Open((dir.path() + "/no-such-folder/f.txt").c_str()), nullptr);
}

}  // namespace
