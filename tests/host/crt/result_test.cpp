#include "host/crt/result.h"

#include <gtest/gtest.h>

#include <errno.h>

#include <string>

namespace {

host::Result<int> Half(int n) {
  if (n % 2 != 0) return host::Error(std::to_string(n) + " is odd");
  return n / 2;
}

TEST(Result, HoldsTheValueOrTheError) {
  host::Result<int> half = Half(8);
  ASSERT_TRUE(half.ok());
  EXPECT_EQ(4, *half);
  host::Result<int> odd = Half(3);
  ASSERT_FALSE(odd);
  EXPECT_EQ("3 is odd", odd.error().message());
  EXPECT_EQ(0, odd.error().errnum());

  host::Status done = host::Ok();
  EXPECT_TRUE(done.ok());
  host::Status failed = host::Error::FromErrno("cannot open x", ENOENT);
  ASSERT_FALSE(failed);
  EXPECT_EQ("cannot open x: No such file or directory", failed.error().message());
  EXPECT_EQ(ENOENT, failed.error().errnum());
}

TEST(Result, PrefixTellsWhatTheErrorIsAbout) {
  EXPECT_EQ("tilt.csv: is empty", host::Error("is empty").Prefixed("tilt.csv").message());
  host::Error atLine = host::Error::AtLine(3, "x is not a number").Prefixed("tilt.csv");
  EXPECT_EQ("tilt.csv:3: x is not a number", atLine.message());
  EXPECT_EQ(0, atLine.line());
  EXPECT_EQ(EACCES, host::Error::FromErrno("w", EACCES).Prefixed("p").errnum());
}

}  // namespace
