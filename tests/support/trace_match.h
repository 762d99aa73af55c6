// Checks a trace (JSON Lines, one event per line, see docs/scenarios.md) by the events a test is
// about, the way Wine's ok_sequence checks a window's messages (the walk is sequence.h's): the
// test names the kinds of
// event it looks at, and lists the events of those kinds that must come, in order, each with
// the fields that matter and, where it matters, its time. Events of other kinds, and fields
// that are not named, are not compared, so an unrelated change leaves the test alone. On a
// difference the result names the first one with its position.
//
//   EXPECT_TRUE(MatchEvents(trace, {"post", "timer"},
//                           {Expected("timer", {{"id", 13}, {"ms", 2000}}, 0),
//                            Optional(Expected("post", {{"msg", 16}})),
//                            Expected("post", {{"msg", 4293918723}, {"wparam", 2}}, 2000)}));
//
// Build the list from Expected values (or functions that return them): a bare brace list
// inside it would be taken for a nested list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "host/crt/result.h"
#include "tests/support/sequence.h"

namespace trace_match {

using Json = nlohmann::ordered_json;

// One event of a trace and the line it stands on (from 1).
struct Event {
  Json json;
  int line = 0;
};

// The events of the trace file at path; an error when the file cannot be read or a line is not
// a JSON object with "t" and "ev".
host::Result<std::vector<Event>> ReadTrace(const std::string& path);

// An event as a test expects it: its kind ("ev"), the fields that must be equal, and the time
// ("t") when given. A field name that begins with "/" is a JSON pointer into the event
// ("/window/visible"), for events that nest. An optional event may be missing: the next
// expected one is tried against the same trace event. A repeated one stands for any number of
// such events in a row, none included; it gives way as soon as the next expected event matches.
struct Expected {
  Expected(const char* kind) : ev(kind) {}  // NOLINT: a kind alone reads as one
  Expected(std::string kind, Json wanted = Json::object(), std::optional<std::int64_t> time = {})
      : ev(std::move(kind)), fields(std::move(wanted)), t(time) {}

  std::string ev;
  Json fields;
  std::optional<std::int64_t> t;
  test_support::Times times = test_support::Times::kOnce;
};

// expected, marked as one that may be missing.
Expected Optional(Expected expected);
// expected, marked as standing for any number of such events in a row.
Expected AnyNumberOf(Expected expected);

// Whether event is of expected's kind, has each of its fields with an equal value, and, when
// expected has a time, that time.
bool Matches(const Expected& expected, const Json& event);

// Single events and runs of them, for building the list that MatchEvents takes.
class Sequence {
 public:
  Sequence() = default;
  Sequence(std::initializer_list<Sequence> parts);
  Sequence(Expected event) : m_events{std::move(event)} {}  // NOLINT: one event is a sequence
  Sequence(std::vector<Expected> events) : m_events(std::move(events)) {}  // NOLINT

  const std::vector<Expected>& events() const { return m_events; }

 private:
  std::vector<Expected> m_events;
};

// Compares the events of trace that match one of kinds (an event kind alone, or narrowed by
// fields or a time as an expected event is), in order, with expected. Success when every event
// of interest matches the next expected one, skipping optional ones, and none is left over on
// either side; else the first difference: its position among the events of interest, its trace
// line, and both versions.
testing::AssertionResult MatchEvents(const std::vector<Event>& trace,
                                     const std::vector<Expected>& kinds,
                                     const Sequence& expected);

}  // namespace trace_match
