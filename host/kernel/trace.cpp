#include "host/kernel/trace.h"

#include <nlohmann/json.hpp>

namespace host {

void JsonLinesTrace::Record(std::int64_t t, std::string_view ev, nlohmann::ordered_json fields) {
  nlohmann::ordered_json line = nlohmann::ordered_json::object();
  line["t"] = t;
  line["ev"] = ev;
  if (fields.is_object()) {
    for (auto& [key, value] : fields.items()) line[key] = std::move(value);
  }
  // Texts come from UTF-16 and may hold a lone surrogate; such bytes become U+FFFD rather
  // than ending the program.
  m_out << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  m_out.flush();
}

}  // namespace host
