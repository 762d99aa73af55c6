// The handset's file calls over real files in a per-test folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows.h"
#include "tests/host/files/handset_folder.h"

namespace {

using FileApi = HandsetFolder;

TEST_F(FileApi, DispositionsCreateOpenAndTruncate) {
  const struct {
    bool exists;
    DWORD access;
    DWORD disposition;
    bool opens;
    DWORD error;          // the last error after the call
    std::string content;  // the file afterwards
  } kCases[] = {
      {false, kReadWrite, CREATE_NEW, true, ERROR_SUCCESS, ""},
      {true, kReadWrite, CREATE_NEW, false, ERROR_FILE_EXISTS, "old"},
      {false, kReadWrite, CREATE_ALWAYS, true, ERROR_SUCCESS, ""},
      {true, kReadWrite, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, ""},
      {false, GENERIC_READ, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, "<none>"},
      {true, GENERIC_READ, OPEN_EXISTING, true, ERROR_SUCCESS, "old"},
      {false, kReadWrite, OPEN_ALWAYS, true, ERROR_SUCCESS, ""},
      {true, kReadWrite, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, "old"},
      {false, kReadWrite, TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, "<none>"},
      {true, kReadWrite, TRUNCATE_EXISTING, true, ERROR_SUCCESS, ""},
      {true, GENERIC_READ, TRUNCATE_EXISTING, false, ERROR_INVALID_PARAMETER, "old"},
      {true, kReadWrite, 0, false, ERROR_INVALID_PARAMETER, "old"},
      {true, kReadWrite, 6, false, ERROR_INVALID_PARAMETER, "old"},
  };
  int row = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE("row " + std::to_string(row++));
    ::unlink(HostPath("f.ini").c_str());
    if (c.exists) Put("f.ini", "old");
    SetLastError(12345);
    HANDLE file = Open(InRoot(u"f.ini"), c.access, c.disposition);
    EXPECT_EQ(c.opens, file != INVALID_HANDLE_VALUE);
    EXPECT_EQ(c.error, GetLastError());
    if (file != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(file));
    }
    EXPECT_EQ(c.content, Content("f.ini"));
  }
}

TEST_F(FileApi, ReadOnlyFileRefusesWritingTruncationAndDeletionEvenToRoot) {
  // Runs as root on the build machines, where the host alone would allow all of it.
  Put("ro.ini", "keep", 0444);
  const struct {
    DWORD access;
    DWORD disposition;
  } kRefused[] = {
      {GENERIC_WRITE, OPEN_EXISTING}, {kReadWrite, OPEN_EXISTING},
      {kReadWrite, OPEN_ALWAYS},      {kReadWrite, CREATE_ALWAYS},
      {GENERIC_READ, CREATE_ALWAYS},  {kReadWrite, TRUNCATE_EXISTING},
  };
  for (const auto& c : kRefused) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(InRoot(u"ro.ini"), c.access, c.disposition))
        << c.access << " " << c.disposition;
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  }
  EXPECT_FALSE(DeleteFileW(u"\\ro.ini"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_EQ("keep", Content("ro.ini"));
  EXPECT_EQ(0444u, Mode("ro.ini"));

  HANDLE file = Open(InRoot(u"ro.ini"), GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ("keep", Read(file, 10));
  EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FileApi, MissingFolderIsPathNotFoundAndMissingFileIsFileNotFound) {
  MakeFolder("dir");
  Put("plain", "x");
  const struct {
    std::u16string path;
    DWORD error;
  } kCases[] = {
      {u"\\dir\\none.ini", ERROR_FILE_NOT_FOUND},
      {u"\\none.ini", ERROR_FILE_NOT_FOUND},
      {u"\\nodir\\none.ini", ERROR_PATH_NOT_FOUND},
      {u"\\nodir\\deeper\\none.ini", ERROR_PATH_NOT_FOUND},
      {u"\\plain\\none.ini", ERROR_PATH_NOT_FOUND},  // a file is no folder
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.path));
    WIN32_FIND_DATAW found;
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(c.path.c_str(), &found));
    EXPECT_EQ(c.error, GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(c.path.c_str()));
    EXPECT_EQ(c.error, GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(c.path, GENERIC_READ, OPEN_EXISTING));
    EXPECT_EQ(c.error, GetLastError());
    EXPECT_FALSE(DeleteFileW(c.path.c_str()));
    EXPECT_EQ(c.error, GetLastError());
  }
  // Creating in a missing folder makes neither folder nor file.
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(u"\\nodir\\new.ini", kReadWrite, CREATE_ALWAYS));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
  EXPECT_EQ(0u, Mode("nodir"));
}

TEST_F(FileApi, ReadWriteSizeAndEndOfFile) {
  HANDLE file = Open(InRoot(u"f.ini"), kReadWrite, CREATE_ALWAYS);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ("ok", Write(file, "hello world"));
  EXPECT_EQ("ok", Write(file, ""));
  EXPECT_EQ(11u, GetFileSize(file, nullptr));
  EXPECT_EQ("", Read(file, 4));  // at the end
  EXPECT_TRUE(FlushFileBuffers(file));
  EXPECT_TRUE(CloseHandle(file));

  file = Open(InRoot(u"f.ini"), kReadWrite, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD high = 7;
  EXPECT_EQ(11u, GetFileSize(file, &high));
  EXPECT_EQ(0u, high);
  EXPECT_EQ("hello", Read(file, 5));
  EXPECT_TRUE(SetEndOfFile(file));  // cut at the position the read left
  EXPECT_EQ(5u, GetFileSize(file, nullptr));
  EXPECT_EQ("ok", Write(file, "!"));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ("hello!", Content("f.ini"));

  file = Open(InRoot(u"f.ini"), GENERIC_READ, OPEN_EXISTING);
  EXPECT_EQ("hello!", Read(file, 100));  // asks for more than there is
  EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FileApi, HandleMustAllowTheOperation) {
  Put("f.ini", "data");
  HANDLE reader = Open(InRoot(u"f.ini"), GENERIC_READ, OPEN_EXISTING);
  HANDLE writer = Open(InRoot(u"f.ini"), GENERIC_WRITE, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer);
  EXPECT_EQ("error 5", Write(reader, "x"));
  EXPECT_FALSE(SetEndOfFile(reader));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_FALSE(FlushFileBuffers(reader));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_EQ("error 5", Read(writer, 1));
  EXPECT_TRUE(CloseHandle(reader));
  EXPECT_TRUE(CloseHandle(writer));
  EXPECT_EQ("data", Content("f.ini"));
}

TEST_F(FileApi, ClosedOrForeignHandlesAreInvalid) {
  Put("f.ini", "data");
  HANDLE closed = Open(InRoot(u"f.ini"), kReadWrite, OPEN_EXISTING);
  ASSERT_TRUE(CloseHandle(closed));
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(u"\\f.ini", &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, search);

  const std::vector<HANDLE> kInvalid = {closed, search, INVALID_HANDLE_VALUE, nullptr};
  for (HANDLE h : kInvalid) {
    SCOPED_TRACE(testing::PrintToString(h));
    EXPECT_EQ("error 6", Read(h, 1));
    EXPECT_EQ("error 6", Write(h, "x"));
    EXPECT_EQ(INVALID_FILE_SIZE, GetFileSize(h, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_FALSE(SetEndOfFile(h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_FALSE(FlushFileBuffers(h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
  }
  EXPECT_FALSE(CloseHandle(closed));  // closed exactly once
  EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
  HANDLE file = Open(InRoot(u"f.ini"), GENERIC_READ, OPEN_EXISTING);
  EXPECT_FALSE(FindClose(file));  // a file is no search
  EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(FindClose(search));
  EXPECT_FALSE(FindClose(search));
  EXPECT_EQ("data", Content("f.ini"));
}

TEST_F(FileApi, AttributesFollowTheWriteBits) {
  const struct {
    mode_t mode;
    DWORD set;
    mode_t modeAfter;
    DWORD attributesAfter;
  } kCases[] = {
      {0644, FILE_ATTRIBUTE_READONLY, 0444, FILE_ATTRIBUTE_READONLY},
      {0666, FILE_ATTRIBUTE_READONLY, 0444, FILE_ATTRIBUTE_READONLY},
      {0600, FILE_ATTRIBUTE_READONLY, 0400, FILE_ATTRIBUTE_READONLY},
      {0444, FILE_ATTRIBUTE_NORMAL, 0644, FILE_ATTRIBUTE_NORMAL},
      {0400, 0, 0600, FILE_ATTRIBUTE_NORMAL},
      {0664, FILE_ATTRIBUTE_NORMAL, 0664, FILE_ATTRIBUTE_NORMAL},  // writable stays as it is
      {0444, FILE_ATTRIBUTE_READONLY, 0444, FILE_ATTRIBUTE_READONLY},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.mode) + " " + std::to_string(c.set));
    Put("f.ini", "x", c.mode);
    EXPECT_TRUE(SetFileAttributesW(u"\\f.ini", c.set));
    EXPECT_EQ(c.modeAfter, Mode("f.ini"));
    EXPECT_EQ(c.attributesAfter, GetFileAttributesW(u"\\f.ini"));
    // Clearing the bit as the settings engine does makes the file writable again.
    DWORD attributes = GetFileAttributesW(u"\\f.ini");
    EXPECT_TRUE(SetFileAttributesW(u"\\f.ini", attributes & ~FILE_ATTRIBUTE_READONLY));
    HANDLE file = Open(InRoot(u"f.ini"), kReadWrite, OPEN_EXISTING);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    ::unlink(HostPath("f.ini").c_str());
  }
  MakeFolder("dir");
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(u"\\dir"));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(u"\\dir\\"));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(u"\\"));
  EXPECT_TRUE(SetFileAttributesW(u"\\dir", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY, GetFileAttributesW(u"\\dir"));
  EXPECT_TRUE(SetFileAttributesW(u"\\dir", FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(u"\\dir"));
}

TEST_F(FileApi, FindFirstFileTellsWhetherOneNameExists) {
  Put("config.ini", "12345");
  MakeFolder("Program Files");
  const struct {
    std::u16string path;
    DWORD attributes;  // 0: not found
    std::u16string name;
    DWORD size;
  } kCases[] = {
      {u"\\config.ini", FILE_ATTRIBUTE_NORMAL, u"config.ini", 5},
      {u"\\Program Files", FILE_ATTRIBUTE_DIRECTORY, u"Program Files", 0},
      {u"\\Program Files\\..\\config.ini", FILE_ATTRIBUTE_NORMAL, u"config.ini", 5},
      {u"\\Program Files\\", 0, u"", 0},  // a name ending in "\" names no entry
      {u"\\", 0, u"", 0},
      {u"\\Config.ini", 0, u"", 0},  // the host's names keep their case
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.path));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(c.path.c_str(), &found);
    if (c.attributes == 0) {
      EXPECT_EQ(INVALID_HANDLE_VALUE, search);
      EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
      continue;
    }
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_EQ(c.attributes, found.dwFileAttributes);
    EXPECT_EQ(c.name, std::u16string(found.cFileName));
    EXPECT_EQ(c.size, found.nFileSizeLow);
    EXPECT_NE(0u, found.ftLastWriteTime.dwHighDateTime);
    EXPECT_TRUE(FindClose(search));
  }
  WIN32_FIND_DATAW found;
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(u"\\*.ini", &found));
  EXPECT_EQ(ERROR_NOT_SUPPORTED, GetLastError());
}

TEST_F(FileApi, ReplaceFileKeepsTheTargetsPermissions) {
  Put("config.ini", "old", 0640);
  Put("config.tmp", "new", 0600);
  EXPECT_TRUE(ReplaceFileW(u"\\config.ini", u"\\config.tmp", nullptr, 0, nullptr, nullptr));
  EXPECT_EQ("new", Content("config.ini"));
  EXPECT_EQ(0640u, Mode("config.ini"));
  EXPECT_EQ("<none>", Content("config.tmp"));
}

TEST_F(FileApi, ReplaceFileKeepsTheOldFileUnderTheBackupName) {
  Put("config.ini", "old");
  Put("config.tmp", "new");
  Put("config.bak", "older");
  EXPECT_TRUE(ReplaceFileW(u"\\config.ini", u"\\config.tmp", u"\\config.bak", 0, nullptr,
                           nullptr));
  EXPECT_EQ("new", Content("config.ini"));
  EXPECT_EQ("old", Content("config.bak"));
  EXPECT_EQ("<none>", Content("config.tmp"));
}

TEST_F(FileApi, ReplaceFileRefusalsLeaveBothFiles) {
  MakeFolder("dir");
  const struct {
    std::string target;  // created when not empty
    mode_t targetMode;
    const char16_t* targetPath;
    const char16_t* backup;
    DWORD error;
  } kCases[] = {
      {"old", 0444, u"\\t.ini", nullptr, ERROR_ACCESS_DENIED},
      {"", 0, u"\\t.ini", nullptr, ERROR_FILE_NOT_FOUND},
      {"", 0, u"\\nodir\\t.ini", nullptr, ERROR_PATH_NOT_FOUND},
      {"", 0, u"\\dir", nullptr, ERROR_ACCESS_DENIED},
      {"old", 0644, u"\\t.ini", u"\\dir\\", ERROR_INVALID_NAME},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(c.targetPath)));
    ::unlink(HostPath("t.ini").c_str());
    if (!c.target.empty()) Put("t.ini", c.target, c.targetMode);
    Put("t.tmp", "new");
    EXPECT_FALSE(ReplaceFileW(c.targetPath, u"\\t.tmp", c.backup, 0, nullptr, nullptr));
    EXPECT_EQ(c.error, GetLastError());
    EXPECT_EQ(c.target.empty() ? "<none>" : c.target, Content("t.ini"));
    EXPECT_EQ("new", Content("t.tmp"));
  }
  Put("t.ini", "old");
  EXPECT_FALSE(ReplaceFileW(u"\\t.ini", u"\\missing.tmp", nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_EQ("old", Content("t.ini"));
}

TEST_F(FileApi, FoldersAreNotOpenedOrDeletedAsFiles) {
  MakeFolder("dir");
  for (DWORD access : {DWORD{GENERIC_READ}, kReadWrite}) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(u"\\dir", access, OPEN_EXISTING));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  }
  EXPECT_FALSE(DeleteFileW(u"\\dir"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(u"\\dir"));
}

TEST_F(FileApi, PathsStayInsideTheHandsetRoot) {
  MakeFolder("dir");
  const struct {
    std::u16string path;
    std::string hostName;  // where the file lands under the root
  } kCases[] = {
      {u"\\..\\..\\a.ini", "a.ini"},
      {u"\\dir\\..\\..\\b.ini", "b.ini"},
      {u"/dir/c.ini", "dir/c.ini"},
      {u"\\dir\\.\\\\d.ini", "dir/d.ini"},
      {u"e.ini", "e.ini"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.path));
    HANDLE file = Open(c.path, kReadWrite, CREATE_NEW);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ("ok", Write(file, "x"));
    CloseHandle(file);
    EXPECT_EQ("x", Content(c.hostName));
  }
  EXPECT_EQ("<none>", Content("../a.ini"));
  EXPECT_EQ("<none>", Content("../b.ini"));

  for (std::u16string bad : {u"\\a<b.ini", u"\\a|b", u"\\a\tb", u"\\x\\y:z.ini", u"\\f.ini\\"}) {
    SCOPED_TRACE(testing::PrintToString(bad));
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(bad, kReadWrite, CREATE_ALWAYS));
    EXPECT_EQ(ERROR_INVALID_NAME, GetLastError());
  }
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(u"", GENERIC_READ, OPEN_EXISTING));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

class FakeDriver : public host::DeviceDriver {
 public:
  DWORD Open(DWORD access, DWORD share) override {
    m_opens.push_back({access, share});
    return ERROR_SUCCESS;
  }
  BOOL IoControl(DWORD, const void*, DWORD, void*, DWORD, DWORD*) override { return TRUE; }
  void Close() override { ++m_closes; }

  std::vector<std::pair<DWORD, DWORD>> m_opens;
  int m_closes = 0;
};

TEST_F(FileApi, NamesEndingInColonOpenDevices) {
  FakeDriver driver;
  handset().RegisterDevice(u"ACC0:", &driver);
  HANDLE device = CreateFileW(u"ACC0:", kReadWrite, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, device);
  ASSERT_EQ(1u, driver.m_opens.size());
  EXPECT_EQ(kReadWrite, driver.m_opens[0].first);
  EXPECT_EQ(DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}, driver.m_opens[0].second);
  EXPECT_EQ("error 6", Read(device, 3));  // a device is no file
  EXPECT_TRUE(CloseHandle(device));
  EXPECT_EQ(1, driver.m_closes);

  EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(u"COM9:", kReadWrite, 0, nullptr, OPEN_EXISTING,
                                              0, nullptr));
  EXPECT_NE(ERROR_SUCCESS, GetLastError());
  EXPECT_EQ("<none>", Content("COM9:"));
}

TEST_F(FileApi, NewReadOnlyFileIsWritableThroughItsHandle) {
  HANDLE file = CreateFileW(u"\\new.ini", kReadWrite, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ("ok", Write(file, "x"));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ("x", Content("new.ini"));
  EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesW(u"\\new.ini"));
}

TEST_F(FileApi, DeleteRemovesAFile) {
  Put("f.ini", "x");
  EXPECT_TRUE(DeleteFileW(u"\\f.ini"));
  EXPECT_EQ("<none>", Content("f.ini"));
  EXPECT_FALSE(DeleteFileW(u"\\f.ini"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

}  // namespace
