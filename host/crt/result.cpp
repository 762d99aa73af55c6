#include "host/crt/result.h"

#include <cstring>

namespace host {

Error Error::FromErrno(const std::string& what, int errnum) {
  return Error(what + ": " + std::strerror(errnum), errnum);
}

Error Error::Prefixed(const std::string& prefix) const {
  Error error(*this);
  error.m_message = prefix + (m_line > 0 ? ":" + std::to_string(m_line) : "") + ": " + m_message;
  error.m_line = 0;
  return error;
}

}  // namespace host
