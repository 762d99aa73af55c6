// A change of the settings file is all or nothing: whichever file call fails, the result is 0
// and the file is as it was, with no temporary file left beside it.
#include <string>

#include <gtest/gtest.h>

#include "host/files/faulty_file_system.h"
#include "settings/ini.h"
#include "tests/settings/settings_test_support.h"

namespace {

using host::FileOp;
using namespace settings_test;

struct Change {
  const char* what;
  const char16_t* section;
  const char16_t* key;
  const char16_t* value;
  std::u16string_view after;
};

const Change kChanges[] = {
    {"replace a value", u"Main", u"one", u"10",
     u"[Main]\r\n  one=10\r\n  two=2\r\n[Extra]\r\n  three=3"},
    {"add a key above a section", u"Main", u"five", u"5",
     u"[Main]\r\n  one=1\r\n  two=2\r\n  five=5\r\n[Extra]\r\n  three=3"},
    {"add a key at the end", u"Extra", u"six", u"6",
     u"[Main]\r\n  one=1\r\n  two=2\r\n[Extra]\r\n  three=3\r\n  six=6"},
    {"add a section", u"Other", u"four", u"4",
     u"[Main]\r\n  one=1\r\n  two=2\r\n[Extra]\r\n  three=3\r\n[Other]\r\n  four=4"},
    {"delete a key", u"Main", u"one", nullptr, u"[Main]\r\n  two=2\r\n[Extra]\r\n  three=3"},
    {"delete a section", u"Main", nullptr, nullptr, u"[Extra]\r\n  three=3"},
};

struct Fault {
  FileOp op;
  const char* name;
};

const Fault kFaults[] = {
    {FileOp::kOpen, "open"},       {FileOp::kOpenCreate, "create"}, {FileOp::kRead, "read"},
    {FileOp::kWrite, "write"},     {FileOp::kFstat, "fstat"},       {FileOp::kStat, "stat"},
    {FileOp::kFsync, "fsync"},     {FileOp::kFchmod, "fchmod"},     {FileOp::kRename, "rename"},
    {FileOp::kClose, "close"},     {FileOp::kUnlink, "unlink"},     {FileOp::kChmod, "chmod"},
    {FileOp::kLock, "lock"},       {FileOp::kFchown, "fchown"},     {FileOp::kRealPath, "realpath"},
};

TEST_F(SettingsTest, FailingFileCallAtAnyPointLeavesTheOldFile) {
  host::FaultyFileSystem faulty(handset().files());
  handset().set_files(&faulty);
  const std::string old = File(kExample);
  for (const Change& change : kChanges) {
    for (const Fault& fault : kFaults) {
      for (int k = 1;; ++k) {
        SCOPED_TRACE(std::string(change.what) + ", " + fault.name + " number " +
                     std::to_string(k) + " fails");
        faulty.Heal();
        Put(kExample);
        int callsBefore = faulty.Calls(fault.op);
        int renamesBefore = faulty.Calls(FileOp::kRename);
        faulty.Fail(fault.op, k);
        int result = IniWriteString(change.section, change.key, change.value, kPath);
        bool struck = faulty.Calls(fault.op) - callsBefore >= k;
        bool renamed = faulty.Calls(FileOp::kRename) > renamesBefore && fault.op != FileOp::kRename;
        std::string now = Bytes();
        EXPECT_EQ(Listing(), "config.ini");
        if (!struck) {
          EXPECT_EQ(result, 1);
          EXPECT_EQ(Show(now), Show(File(change.after)));
          break;
        }
        if (result == 1) {
          // A fault that does not touch the outcome (closing the file after reading it).
          EXPECT_EQ(Show(now), Show(File(change.after)));
        } else if (renamed) {
          // Once the new file has its name, only the folder's own sync can still fail: the
          // content is the new one, and the failure is reported.
          EXPECT_EQ(Show(now), Show(File(change.after)));
        } else {
          EXPECT_EQ(Show(now), Show(old));
        }
      }
    }
  }
}

TEST_F(SettingsTest, WritesFailOnAShortRead) {
  host::FaultyFileSystem faulty(handset().files());
  handset().set_files(&faulty);
  const std::string old = File(kExample);
  for (std::size_t bytes = 0; bytes < old.size(); ++bytes) {
    SCOPED_TRACE(bytes);
    faulty.Heal();
    Put(kExample);
    faulty.EndReadsAfter(bytes);
    EXPECT_EQ(IniWriteString(u"Main", u"one", u"10", kPath), 0);
    EXPECT_EQ(IniWriteString(u"Main", u"one", nullptr, kPath), 0);
    EXPECT_EQ(IniWriteString(u"Extra", u"six", u"6", kPath), 0);
    faulty.Heal();
    EXPECT_EQ(Show(Bytes()), Show(old));
    int number = 0;
    faulty.EndReadsAfter(bytes);
    EXPECT_EQ(IniReadInt(u"Main", u"one", &number, kPath), 0);
  }
}

}  // namespace
