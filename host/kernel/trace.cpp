#include "host/kernel/trace.h"

#include <cassert>

#include <nlohmann/json.hpp>

namespace host {

void JsonLinesTrace::Record(std::int64_t t, std::string_view ev, TraceFields fields) {
  // Event names are fixed ASCII words: nothing in them needs escaping.
  assert(ev.find_first_of("\"\\") == std::string_view::npos);
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
  WriteBuffer();
  m_out.flush();
  return static_cast<bool>(m_out);
}

void JsonLinesTrace::Waiting(std::optional<std::int64_t> waitMs) {
  if (m_buffer.empty()) return;
  bool longWait = !waitMs || *waitMs >= kWaitingWrite.count();
  if (!longWait && std::chrono::steady_clock::now() - m_lastWrite < kWaitingWrite) return;
  Flush();
}

void JsonLinesTrace::WriteBuffer() {
  if (m_buffer.empty()) return;
  m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
  m_buffer.clear();
  m_lastWrite = std::chrono::steady_clock::now();
}

}  // namespace host
