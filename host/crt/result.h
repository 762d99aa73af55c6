// The one result type of the host's own code: a value, or an Error that says what went wrong in
// one line for a person and, where it matters, the errno of the failed call and the line of the
// input it is about. Errors are values: host code returns them instead of throwing, as leveldb's
// Status does; the handset's own API keeps its 0/1 and last-error codes.
//
//   Result<Recording> recording = LoadRecording(path);
//   if (!recording) return recording.error().Prefixed(path);   // "FILE:LINE: what is wrong"
//   Use(*recording);
//
//   Status Save();            // Result<void>: Ok() or an Error
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace host {

class Error {
 public:
  // message: one line, without the program's name. errnum: the errno of the call that failed,
  // 0 when none did.
  explicit Error(std::string message, int errnum = 0)
      : m_message(std::move(message)), m_errnum(errnum) {}
  // "what: strerror(errnum)", keeping errnum.
  static Error FromErrno(const std::string& what, int errnum);
  // An error about line (from 1) of an input such as a file.
  static Error AtLine(int line, std::string message) {
    Error error(std::move(message));
    error.m_line = line;
    return error;
  }

  const std::string& message() const { return m_message; }
  int errnum() const { return m_errnum; }
  // The input's line, from 1; 0 when the error is about no line.
  int line() const { return m_line; }

  // The same error told with what it is about in front: "PREFIX: message", or with a line
  // "PREFIX:LINE: message" (which then no longer counts as about a line).
  Error Prefixed(const std::string& prefix) const;

  bool operator==(const Error&) const = default;

 private:
  std::string m_message;
  int m_errnum = 0;
  int m_line = 0;
};

// A T, or the Error that kept it from being made.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : m_value(std::move(value)) {}
  Result(Error error) : m_value(std::move(error)) {}

  bool ok() const { return m_value.index() == 0; }
  explicit operator bool() const { return ok(); }

  // REQUIRES: ok().
  T& value() & { return Get(); }
  const T& value() const& { return const_cast<Result*>(this)->Get(); }
  T&& value() && { return std::move(Get()); }
  T& operator*() & { return Get(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(Get()); }
  T* operator->() { return &Get(); }
  const T* operator->() const { return &value(); }

  // REQUIRES: !ok().
  const Error& error() const {
    assert(!ok());
    return std::get<Error>(m_value);
  }

 private:
  T& Get() {
    assert(ok());
    return std::get<0>(m_value);
  }

  std::variant<T, Error> m_value;
};

// Success, or an Error.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : m_error(std::move(error)) {}

  bool ok() const { return !m_error.has_value(); }
  explicit operator bool() const { return ok(); }
  // REQUIRES: !ok().
  const Error& error() const {
    assert(!ok());
    return *m_error;
  }

 private:
  std::optional<Error> m_error;
};

using Status = Result<void>;

inline Status Ok() { return {}; }

}  // namespace host
