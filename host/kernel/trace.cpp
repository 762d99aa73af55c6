#include "host/kernel/trace.h"

#include <cassert>

#include <nlohmann/json.hpp>

namespace host {

void JsonLinesTrace::Record(std::int64_t t, std::string_view ev, TraceFields fields) {
  // Event names are fixed ASCII words: nothing in them needs escaping.
  assert(ev.find_first_of("\"\\") == std::string_view::npos);
  std::lock_guard<std::timed_mutex> hold(m_mutex);
  m_buffer += "{\"t\":";
  m_buffer += std::to_string(t);
  m_buffer += ",\"ev\":\"";
  m_buffer += ev;
  m_buffer += '"';
  if (fields.is_object() && !fields.empty()) {
    // Texts come from UTF-16 and may hold a lone surrogate; such bytes become U+FFFD rather
    // than ending the program. The object's own "{" gives way to the fields before it.
    std::string text = fields.dump(-1, ' ', false, TraceFields::error_handler_t::replace);
    text[0] = ',';
    m_buffer += text;
  } else {
    m_buffer += '}';
  }
  m_buffer += '\n';
  if (m_buffer.size() >= kBlockBytes) WriteBuffer();
}

bool JsonLinesTrace::Flush() {
  std::lock_guard<std::timed_mutex> hold(m_mutex);
  return FlushHeld();
}

bool JsonLinesTrace::FlushWithin(std::chrono::milliseconds wait) {
  std::unique_lock<std::timed_mutex> hold(m_mutex, wait);
  return hold.owns_lock() && FlushHeld();
}

bool JsonLinesTrace::FlushHeld() {
  WriteBuffer();
  m_out.flush();
  return static_cast<bool>(m_out);
}

void JsonLinesTrace::Waiting(std::optional<std::int64_t> waitMs) {
  // The thread that finishes an ending signal's work may hold the trace: it writes it then.
  std::unique_lock<std::timed_mutex> hold(m_mutex, std::try_to_lock);
  if (!hold.owns_lock() || m_buffer.empty()) return;
  bool longWait = !waitMs || *waitMs >= kWaitingWrite.count();
  if (!longWait && std::chrono::steady_clock::now() - m_lastWrite < kWaitingWrite) return;
  FlushHeld();
}

void JsonLinesTrace::WriteBuffer() {
  if (m_buffer.empty()) return;
  m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
  m_buffer.clear();
  m_lastWrite = std::chrono::steady_clock::now();
}

}  // namespace host
