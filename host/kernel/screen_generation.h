// A count of the changes to what a screen could show: a painter that saw the same count, and the
// same window records, knows without a snapshot that the screen shows what it painted last.
//
// The UI library bumps it whenever a control, a window's control list or a menu changes (not for
// a repaint asked for without a change, such as Invalidate or a text set to what it was), and the
// handset when processes or programs come or go. The window records themselves (which windows
// there are, their order, places, titles, shown or not) are compared by the painter, so code
// that makes, destroys or changes them in place needs no bump. One count for every handset in the process: a bump
// anywhere only costs a painter a snapshot that finds nothing new.
#pragma once

#include <atomic>
#include <cstdint>

namespace host {

namespace detail {
inline std::atomic<std::uint64_t> g_screenGeneration{0};
}  // namespace detail

inline std::uint64_t ScreenGeneration() {
  return detail::g_screenGeneration.load(std::memory_order_relaxed);
}

inline void ScreenChanged() { detail::g_screenGeneration.fetch_add(1, std::memory_order_relaxed); }

}  // namespace host
