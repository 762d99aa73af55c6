// Faults of the host's files come back as FALSE (or INVALID_HANDLE_VALUE) and a last error.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

#include "host/files/faulty_file_system.h"
#include "platform/windows.h"
#include "tests/host/files/handset_folder.h"

namespace {

using host::FaultRepeat;
using host::FileOp;

class FileFaults : public HandsetFolder {
 protected:
  FileFaults() : m_faulty(handset().files()) { handset().set_files(&m_faulty); }

  host::FaultyFileSystem& faulty() { return m_faulty; }

  // Writes the pieces one WriteFile each into a new file; "ok" or the first failure.
  std::string WritePieces(const std::vector<std::string>& pieces) {
    HANDLE file = Open(InRoot(u"f.ini"), kReadWrite, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return "open error " + std::to_string(GetLastError());
    std::string result = "ok";
    for (const std::string& piece : pieces) {
      result = Write(file, piece);
      if (result != "ok") break;
    }
    CloseHandle(file);
    return result;
  }

 private:
  host::FaultyFileSystem m_faulty;
};

TEST_F(FileFaults, FailedWritesReportTheirErrorAndKeepWhatCameBefore) {
  const struct {
    int k;
    int error;
    FaultRepeat repeat;
    std::string result;
    std::string content;
  } kCases[] = {
      {1, ENOSPC, FaultRepeat::kOnce, "error 112", ""},
      {2, ENOSPC, FaultRepeat::kOnce, "error 112", "a"},
      {3, EIO, FaultRepeat::kOnce, "error 29", "ab"},
      {4, EIO, FaultRepeat::kOnce, "ok", "abc"},
      {2, EDQUOT, FaultRepeat::kFromThenOn, "error 112", "a"},
      {1, EACCES, FaultRepeat::kOnce, "error 5", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.k) + " " + std::to_string(c.error));
    faulty().Fail(FileOp::kWrite, c.k, c.error, c.repeat);
    EXPECT_EQ(c.result, WritePieces({"a", "b", "c"}));
    EXPECT_EQ(c.content, Content("f.ini"));
    faulty().Heal();
  }
}

TEST_F(FileFaults, EveryWriteFromTheKthOnFails) {
  HANDLE file = Open(InRoot(u"f.ini"), kReadWrite, CREATE_ALWAYS);
  faulty().Fail(FileOp::kWrite, 2, ENOSPC, FaultRepeat::kFromThenOn);
  EXPECT_EQ("ok", Write(file, "a"));
  EXPECT_EQ("error 112", Write(file, "b"));
  EXPECT_EQ("error 112", Write(file, "c"));
  EXPECT_EQ("error 112", Write(file, ""));
  faulty().Heal();
  EXPECT_EQ("ok", Write(file, "d"));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ("ad", Content("f.ini"));
  EXPECT_EQ(5, faulty().Calls(FileOp::kWrite));
}

TEST_F(FileFaults, FailedCreationMakesNoFile) {
  const struct {
    DWORD disposition;
    int error;
    DWORD expected;
  } kCases[] = {
      {CREATE_ALWAYS, ENOSPC, ERROR_DISK_FULL},
      {CREATE_NEW, EACCES, ERROR_ACCESS_DENIED},
      {OPEN_ALWAYS, EMFILE, ERROR_TOO_MANY_OPEN_FILES},
      {CREATE_ALWAYS, EIO, ERROR_GEN_FAILURE},
  };
  for (const auto& c : kCases) {
    faulty().Fail(FileOp::kOpenCreate, 1, c.error);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(InRoot(u"new.ini"), kReadWrite, c.disposition));
    EXPECT_EQ(c.expected, GetLastError());
    EXPECT_EQ("<none>", Content("new.ini"));
  }
}

TEST_F(FileFaults, ShortAndFailedReads) {
  Put("f.ini", "0123456789");
  HANDLE file = Open(InRoot(u"f.ini"), GENERIC_READ, OPEN_EXISTING);
  faulty().EndReadsAfter(3);
  EXPECT_EQ("012", Read(file, 10));
  EXPECT_EQ("", Read(file, 10));
  faulty().Heal();
  faulty().Fail(FileOp::kRead, 1, EIO);
  EXPECT_EQ("error 30", Read(file, 2));
  EXPECT_EQ("34", Read(file, 2));
  EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FileFaults, FailingFileCallsReportFalse) {
  Put("f.ini", "0123456789");
  const struct {
    const char* name;
    FileOp op;
    int error;
    std::function<BOOL(HANDLE)> call;
    DWORD expected;
  } kCases[] = {
      {"fsync", FileOp::kFsync, EIO, [](HANDLE h) { return FlushFileBuffers(h); },
       ERROR_WRITE_FAULT},
      {"truncate", FileOp::kTruncate, EPERM, [](HANDLE h) { return SetEndOfFile(h); },
       ERROR_ACCESS_DENIED},
      {"position", FileOp::kSeek, EBADF, [](HANDLE h) { return SetEndOfFile(h); },
       ERROR_INVALID_HANDLE},
      {"size", FileOp::kFstat, EIO,
       [](HANDLE h) { return GetFileSize(h, nullptr) == INVALID_FILE_SIZE ? FALSE : TRUE; },
       ERROR_GEN_FAILURE},
      {"close", FileOp::kClose, EIO, [](HANDLE h) { return CloseHandle(h); }, ERROR_GEN_FAILURE},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    HANDLE file = Open(InRoot(u"f.ini"), kReadWrite, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    faulty().Fail(c.op, 1, c.error);
    EXPECT_FALSE(c.call(file));
    EXPECT_EQ(c.expected, GetLastError());
    faulty().Heal();
    CloseHandle(file);  // gone already after the failed close
    EXPECT_EQ("0123456789", Content("f.ini"));
  }
}

// A handle that only reads and shares no writing keeps the size the file had at the open (no
// handle may change it meanwhile): GetFileSize asks the file system nothing. Any other handle
// asks it each time.
TEST_F(FileFaults, FileSizeOfAReaderThatSharesNoWritingComesFromTheOpen) {
  Put("f.ini", "0123456789");
  const struct {
    DWORD access;
    DWORD share;
    DWORD expected;
  } kCases[] = {
      {GENERIC_READ, FILE_SHARE_READ, 10},
      {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, INVALID_FILE_SIZE},
      {kReadWrite, FILE_SHARE_READ, INVALID_FILE_SIZE},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.access) + " " + std::to_string(c.share));
    HANDLE file = CreateFileW(InRoot(u"f.ini").c_str(), c.access, c.share, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    faulty().Fail(FileOp::kFstat, 1, EIO);
    EXPECT_EQ(c.expected, GetFileSize(file, nullptr));
    faulty().Heal();
    CloseHandle(file);
  }
}

TEST_F(FileFaults, ReplaceFileThatFailsBeforeTheRenameKeepsTheTarget) {
  const struct {
    FileOp op;
    int error;
    DWORD expected;
  } kCases[] = {
      {FileOp::kRename, EACCES, ERROR_ACCESS_DENIED},
      {FileOp::kFsync, EIO, ERROR_WRITE_FAULT},  // the replacement's data
      {FileOp::kFchmod, EPERM, ERROR_ACCESS_DENIED},
      {FileOp::kRename, EXDEV, ERROR_NOT_SUPPORTED},
  };
  for (const auto& c : kCases) {
    Put("t.ini", "old");
    Put("t.tmp", "new");
    faulty().Fail(c.op, 1, c.error);
    EXPECT_FALSE(ReplaceFileW(u"\\t.ini", u"\\t.tmp", nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(c.expected, GetLastError());
    EXPECT_EQ("old", Content("t.ini"));
    EXPECT_EQ("new", Content("t.tmp"));
    faulty().Heal();
  }
}

TEST_F(FileFaults, ReplaceFileReportsAFolderThatDidNotReachTheDisk) {
  Put("t.ini", "old");
  Put("t.tmp", "new");
  faulty().Fail(FileOp::kFsync, 2, EIO);  // the first is the replacement's, the second the folder's
  EXPECT_FALSE(ReplaceFileW(u"\\t.ini", u"\\t.tmp", nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(ERROR_WRITE_FAULT, GetLastError());
  EXPECT_EQ("new", Content("t.ini"));  // renamed, but not known to last
}

TEST_F(FileFaults, HandlesLeftOpenAreClosedWhenTheHandsetGoes) {
  // The test's handset outlives the faulty file system; the handle is closed without it.
  Put("f.ini", "x");
  EXPECT_NE(INVALID_HANDLE_VALUE, Open(InRoot(u"f.ini"), GENERIC_READ, OPEN_EXISTING));
}

}  // namespace
