// CMzStringW: the UI library's wide-character string.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/windows.h"

class CMzStringW {
 public:
  // Empty text.
  CMzStringW();
  // A copy of text (null gives the empty text).
  CMzStringW(const WCHAR* text);
  CMzStringW(const CMzStringW& other);
  // Empty text with room for capacity characters plus the terminator; the buffer may be
  // written through the WCHAR* conversion, and the text then runs to the first zero.
  explicit CMzStringW(int capacity);
  virtual ~CMzStringW();

  CMzStringW& operator=(const WCHAR* text);
  CMzStringW& operator=(const CMzStringW& other);

  CMzStringW operator+(const WCHAR* text) const;
  bool operator==(const WCHAR* text) const;

  operator const WCHAR*() const { return m_buffer.data(); }
  operator WCHAR*() { return m_buffer.data(); }
  const WCHAR* C_Str() const { return m_buffer.data(); }

  // Characters before the terminator.
  int Length() const;
  // count characters from start, clipped to the text (a start past the end gives "").
  CMzStringW SubStr(int start, int count) const;

 private:
  // Always terminated: at least one element, and a zero at the end.
  std::vector<WCHAR> m_buffer;
};
