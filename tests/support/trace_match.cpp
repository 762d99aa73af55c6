#include "tests/support/trace_match.h"

#include <fstream>
#include <sstream>

namespace trace_match {
namespace {

// The expected event as the trace would show it, with its flags.
std::string Describe(const Expected& expected) {
  Json shown = Json::object();
  if (expected.t) shown["t"] = *expected.t;
  shown["ev"] = expected.ev;
  std::string text = shown.dump();
  text.pop_back();
  for (const auto& [key, value] : expected.fields.items()) {
    text += "," + Json(key).dump() + ":" + value.dump();
  }
  text += "}";
  if (expected.times == test_support::Times::kMaybe) text += " (optional)";
  if (expected.times == test_support::Times::kAnyNumber) text += " (any number)";
  return text;
}

std::string Where(std::size_t position, const Event* event) {
  std::ostringstream where;
  where << "event " << position + 1 << " of interest";
  if (event != nullptr) where << " (trace line " << event->line << ")";
  return where.str();
}

bool OfInterest(const std::vector<Expected>& kinds, const Json& event) {
  for (const Expected& kind : kinds) {
    if (Matches(kind, event)) return true;
  }
  return false;
}

}  // namespace

host::Result<std::vector<Event>> ReadTrace(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return host::Error("cannot read the trace " + path);
  std::vector<Event> events;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    Json event = Json::parse(text, nullptr, false);
    if (!event.is_object() || !event.contains("t") || !event.contains("ev")) {
      return host::Error(path + ":" + std::to_string(line) + ": not a trace event: " + text);
    }
    events.push_back({std::move(event), line});
  }
  return events;
}

Expected Optional(Expected expected) {
  expected.times = test_support::Times::kMaybe;
  return expected;
}

Expected AnyNumberOf(Expected expected) {
  expected.times = test_support::Times::kAnyNumber;
  return expected;
}

bool Matches(const Expected& expected, const Json& event) {
  if (event.value("ev", "") != expected.ev) return false;
  if (expected.t && event.value("t", std::int64_t{-1}) != *expected.t) return false;
  for (const auto& [key, value] : expected.fields.items()) {
    Json::json_pointer pointer(key.starts_with("/") ? key : "/" + key);
    if (!event.contains(pointer) || event.at(pointer) != value) return false;
  }
  return true;
}

Sequence::Sequence(std::initializer_list<Sequence> parts) {
  for (const Sequence& part : parts) {
    m_events.insert(m_events.end(), part.m_events.begin(), part.m_events.end());
  }
}

testing::AssertionResult MatchEvents(const std::vector<Event>& trace,
                                     const std::vector<Expected>& kinds,
                                     const Sequence& expected) {
  std::vector<const Event*> actual;
  for (const Event& event : trace) {
    if (OfInterest(kinds, event.json)) actual.push_back(&event);
  }
  const std::vector<Expected>& wanted = expected.events();
  using Kind = test_support::SequenceDifference::Kind;
  std::optional<test_support::SequenceDifference> difference = test_support::FirstDifference(
      wanted.size(), actual.size(),
      [&](std::size_t i, std::size_t j) { return Matches(wanted[i], actual[j]->json); },
      [&](std::size_t i) { return wanted[i].times; });
  if (!difference) return testing::AssertionSuccess();
  std::size_t i = difference->expected;
  std::size_t j = difference->actual;
  switch (difference->kind) {
    case Kind::kDiffer:
      return testing::AssertionFailure()
             << "the events differ first at " << Where(j, actual[j]) << "\n"
             << "  expected: " << Describe(wanted[i]) << "\n"
             << "  actual:   " << actual[j]->json.dump();
    case Kind::kEndsEarly:
      return testing::AssertionFailure() << "the trace ends before " << Where(j, nullptr) << "\n"
                                         << "  expected: " << Describe(wanted[i]) << "\n"
                                         << "  actual:   (no further event of interest)";
    case Kind::kLeftOver:
      break;
  }
  return testing::AssertionFailure() << "an unexpected event at " << Where(j, actual[j]) << "\n"
                                     << "  expected: (no further event of interest)\n"
                                     << "  actual:   " << actual[j]->json.dump();
}

}  // namespace trace_match
