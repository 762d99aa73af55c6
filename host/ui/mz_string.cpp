// CMzStringW: the text is the buffer up to its first zero. The buffer may be longer (a string
// made with a capacity, written through the WCHAR* conversion), and a copy keeps that room.
#include "platform/mz_string.h"

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

namespace {

std::u16string_view View(const WCHAR* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

std::vector<WCHAR> Terminated(std::u16string_view text) {
  std::vector<WCHAR> buffer(text.begin(), text.end());
  buffer.push_back(0);
  return buffer;
}

}  // namespace

CMzStringW::CMzStringW() : m_buffer(1, 0) {}

CMzStringW::CMzStringW(const WCHAR* text) : m_buffer(Terminated(View(text))) {}

CMzStringW::CMzStringW(const CMzStringW& other) = default;

CMzStringW::CMzStringW(int capacity)
    : m_buffer(static_cast<std::size_t>(std::max(capacity, 0)) + 1, 0) {}

CMzStringW::~CMzStringW() = default;

CMzStringW& CMzStringW::operator=(const WCHAR* text) {
  std::u16string_view value = View(text);
  // text may point into this string's own buffer: then build the new one first. Else the buffer
  // is reused (an application that sets its status text every tick allocates nothing).
  const WCHAR* begin = m_buffer.data();
  std::less<const WCHAR*> before;  // a total order, also for pointers into other buffers
  if (text != nullptr && !before(text, begin) && before(text, begin + m_buffer.size())) {
    m_buffer = Terminated(value);
    return *this;
  }
  m_buffer.reserve(value.size() + 1);
  m_buffer.assign(value.begin(), value.end());
  m_buffer.push_back(0);
  return *this;
}

CMzStringW& CMzStringW::operator=(const CMzStringW& other) = default;

CMzStringW CMzStringW::operator+(const WCHAR* text) const {
  std::u16string joined(View(C_Str()));
  joined += View(text);
  return CMzStringW(joined.c_str());
}

bool CMzStringW::operator==(const WCHAR* text) const { return View(C_Str()) == View(text); }

int CMzStringW::Length() const { return static_cast<int>(View(C_Str()).size()); }

CMzStringW CMzStringW::SubStr(int start, int count) const {
  std::u16string_view text = View(C_Str());
  start = std::max(start, 0);
  if (count <= 0 || static_cast<std::size_t>(start) >= text.size()) {
    return CMzStringW();
  }
  std::u16string part(
      text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count)));
  return CMzStringW(part.c_str());
}
