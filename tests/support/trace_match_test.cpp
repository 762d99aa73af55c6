#include "tests/support/trace_match.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/sequence.h"

namespace trace_match {
namespace {

std::vector<Event> Trace(const std::vector<std::string>& lines) {
  std::vector<Event> events;
  for (const std::string& line : lines) {
    events.push_back({Json::parse(line), static_cast<int>(events.size()) + 1});
  }
  return events;
}

const std::vector<Event> kTrace = Trace({
    R"({"t":0,"ev":"timer","id":1,"ms":100})",
    R"({"t":0,"ev":"show","to":"Quorvane","cmd":5})",
    R"({"t":100,"ev":"fire","id":1})",
    R"({"t":2100,"ev":"post","to":"正在播放","msg":4293918723,"wparam":3,"lparam":0})",
    R"({"t":2100,"ev":"snapshot","window":{"visible":true,"rect":[0,0,480,720]}})",
});

TEST(TraceMatch, ComparesTheEventsOfInterestInOrder) {
  struct Row {
    const char* name;
    std::vector<Expected> kinds;
    Sequence expected;
    const char* failure;  // the start of the message's second line, or null for a match
  };
  const Expected timer("timer", {{"id", 1}}, 0);
  const Expected next("post", {{"wparam", 3}}, 2100);
  const Row rows[] = {
      {"fields not named are not compared", {"timer", "post"}, {timer, next}, nullptr},
      {"kinds not named are not compared", {"post"}, {next}, nullptr},
      {"narrowed kinds", {Expected("post", {{"to", "正在播放"}}), "fire"},
       {Expected("fire", {}, 100), next}, nullptr},
      {"a pointer into the event", {"snapshot"},
       {Expected("snapshot", {{"/window/rect/2", 480}, {"/window/visible", true}})}, nullptr},
      {"optional, present", {"timer", "post"}, {Optional(timer), next}, nullptr},
      {"optional, missing", {"post"}, {Optional(timer), next, Optional(timer)}, nullptr},
      {"any number, some", {"fire", "post"},
       {AnyNumberOf(Expected("fire")), AnyNumberOf(Expected("timer")), next}, nullptr},
      {"any number, giving way", {"timer", "show", "fire"},
       {AnyNumberOf(Expected("timer")), AnyNumberOf(Expected("show")), Expected("fire", {}, 100)},
       nullptr},
      {"any number, none", {"post"}, {AnyNumberOf(timer), next, AnyNumberOf(timer)}, nullptr},
      {"any number of the wrong kind", {"timer", "post"}, {AnyNumberOf(Expected("fire")), next},
       "  expected: {\"t\":2100,\"ev\":\"post\",\"wparam\":3}"},
      {"wrong field", {"post"}, {Expected("post", {{"wparam", 1}})},
       "  expected: {\"ev\":\"post\",\"wparam\":1}"},
      {"wrong time", {"fire"}, {Expected("fire", {}, 200)}, "  expected: {\"t\":200,\"ev\":\"fire\"}"},
      {"missing field", {"post"}, {Expected("post", {{"/window/visible", true}})},
       "  expected: {\"ev\":\"post\",\"/window/visible\":true}"},
      {"missing event", {"post"}, {next, next}, "  expected: {\"t\":2100,\"ev\":\"post\",\"wparam\":3}"},
      {"an event before the expected one", {"timer", "post"}, {next},
       "  expected: {\"t\":2100,\"ev\":\"post\",\"wparam\":3}"},
      {"left over", {"timer", "post"}, {timer}, "  expected: (no further event of interest)"},
  };
  for (const Row& row : rows) {
    testing::AssertionResult result = MatchEvents(kTrace, row.kinds, row.expected);
    if (row.failure == nullptr) {
      EXPECT_TRUE(result) << row.name;
      continue;
    }
    ASSERT_FALSE(result) << row.name;
    std::string message = result.message();
    std::string second = message.substr(message.find('\n') + 1);
    EXPECT_EQ(0u, second.find(row.failure)) << row.name << ":\n" << message;
  }
}

TEST(TraceMatch, NamesThePositionAndTheTraceLine) {
  testing::AssertionResult result =
      MatchEvents(kTrace, {"fire", "post"}, {Expected("fire"), Expected("post", {{"wparam", 1}})});
  ASSERT_FALSE(result);
  EXPECT_EQ(
      "the events differ first at event 2 of interest (trace line 4)\n"
      "  expected: {\"ev\":\"post\",\"wparam\":1}\n"
      "  actual:   {\"t\":2100,\"ev\":\"post\",\"to\":\"正在播放\",\"msg\":4293918723,\"wparam\":3,"
      "\"lparam\":0}",
      std::string(result.message()));
}

TEST(SameSequence, NamesTheFirstDifference) {
  struct Row {
    std::vector<std::string> expected;
    std::vector<std::string> actual;
    const char* first;  // the message's first line, or null for a match
  };
  const Row rows[] = {
      {{"a", "b"}, {"a", "b"}, nullptr},
      {{}, {}, nullptr},
      {{"a", "b", "c"}, {"a", "x", "c"}, "first difference at 1: expected \"b\", got \"x\""},
      {{"a", "b"}, {"a"}, "expected 2 entries, got 1 (first missing: \"b\")"},
      {{"a"}, {"a", "b"}, "expected 1 entries, got 2 (first extra: \"b\")"},
  };
  for (const Row& row : rows) {
    testing::AssertionResult result = test_support::SameSequence(row.expected, row.actual);
    if (row.first == nullptr) {
      EXPECT_TRUE(result);
      continue;
    }
    ASSERT_FALSE(result) << row.first;
    std::string message = result.message();
    EXPECT_EQ(row.first, message.substr(0, message.find('\n')));
    EXPECT_NE(std::string::npos, message.find("whole sequence:\n  0: a\n")) << message;
  }
}

}  // namespace
}  // namespace trace_match
