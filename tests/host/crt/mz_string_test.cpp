#include "platform/mz_string.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::u16string Text(const CMzStringW& s) { return std::u16string(s.C_Str()); }

TEST(CMzStringW, Constructs) {
  EXPECT_EQ(u"", Text(CMzStringW()));
  EXPECT_EQ(u"", Text(CMzStringW(static_cast<const WCHAR*>(nullptr))));
  EXPECT_EQ(u"\u97f3\u4e50", Text(CMzStringW(u"\u97f3\u4e50")));
  EXPECT_EQ(u"", Text(CMzStringW(260)));
  EXPECT_EQ(u"", Text(CMzStringW(-5)));
  EXPECT_EQ(0, CMzStringW(260).Length());
  EXPECT_EQ(2, CMzStringW(u"\u97f3\u4e50").Length());
}

TEST(CMzStringW, CapacityBufferIsWritableAndTextRunsToFirstZero) {
  CMzStringW path(5);
  WCHAR* buffer = path;
  for (int i = 0; i < 5; ++i) buffer[i] = static_cast<WCHAR>(u'a' + i);
  EXPECT_EQ(u"abcde", Text(path));
  EXPECT_EQ(5, path.Length());

  buffer[2] = 0;
  EXPECT_EQ(2, path.Length());
  EXPECT_TRUE(path == u"ab");
  EXPECT_EQ(u"ab!", Text(path + u"!"));

  // A copy keeps the room, so it can be written the same way.
  CMzStringW copy(path);
  static_cast<WCHAR*>(copy)[4] = u'Z';
  static_cast<WCHAR*>(copy)[2] = u'c';
  EXPECT_EQ(u"abcdZ", Text(copy));
  EXPECT_EQ(u"ab", Text(path));
}

TEST(CMzStringW, AssignsCopiesAndCompares) {
  CMzStringW s(u"one");
  CMzStringW t;
  t = s;
  s = u"two";
  EXPECT_EQ(u"one", Text(t));
  EXPECT_EQ(u"two", Text(s));

  s = s.C_Str() + 1;  // from its own text
  EXPECT_EQ(u"wo", Text(s));
  s = static_cast<const WCHAR*>(nullptr);
  EXPECT_EQ(u"", Text(s));
  t = std::as_const(t);
  EXPECT_EQ(u"one", Text(t));

  EXPECT_TRUE(t == u"one");
  EXPECT_FALSE(t == u"on");
  EXPECT_FALSE(t == u"one ");
  EXPECT_TRUE(CMzStringW() == nullptr);
  EXPECT_EQ(u"one\\config.ini", Text(t + u"\\config.ini"));
  EXPECT_EQ(u"one", Text(t + nullptr));
  EXPECT_EQ(u"one", Text(t));

  // Over a buffer with room, longer and shorter.
  CMzStringW room(3);
  room = u"a longer text";
  EXPECT_EQ(u"a longer text", Text(room));
  room = u"ab";
  EXPECT_EQ(u"ab", Text(room));
  EXPECT_EQ(2, room.Length());
}

TEST(CMzStringW, SubStrIsClippedToTheText) {
  const CMzStringW s(u"MzMusic.exe");
  const struct {
    int start;
    int count;
    std::u16string expected;
  } kCases[] = {
      {0, 7, u"MzMusic"},  {7, 4, u".exe"},   {7, 100, u".exe"}, {10, 5, u"e"},
      {11, 1, u""},        {50, 1, u""},      {0, 0, u""},       {3, -1, u""},
      {-2, 2, u"Mz"},      {0, 11, u"MzMusic.exe"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.expected, Text(s.SubStr(c.start, c.count))) << c.start << "," << c.count;
  }
}

TEST(CMzStringW, DestroysThroughBasePointer) {
  struct Derived : CMzStringW {
    explicit Derived(bool* gone) : CMzStringW(u"x"), m_gone(gone) {}
    ~Derived() override { *m_gone = true; }
    bool* m_gone;
  };
  bool gone = false;
  CMzStringW* s = new Derived(&gone);
  delete s;
  EXPECT_TRUE(gone);
}

}  // namespace
