// The value of a host::Result that a test goes on with: when there is none, a test failure that
// names the error, and a value-initialised T (a null pointer for the objects Create makes).
#pragma once

#include <gtest/gtest.h>

#include "host/crt/result.h"

namespace test_support {

template <class T>
T ExpectValue(host::Result<T> result) {
  if (result) return *std::move(result);
  ADD_FAILURE() << result.error().message();
  return T{};
}

}  // namespace test_support
