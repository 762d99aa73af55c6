// A module's global state lives once per process on the handset: every process that runs the
// module's code starts with fresh values, and they go when the process ends. ProcessLocal<T>()
// is such state: the calling process's T, value-initialised on the first call in the process.
//
// All calls come from the process's user-interface thread; the state has no lock.
#pragma once

// The storage behind ProcessLocal: the calling process's object under key, made with make on
// the first call and destroyed with destroy when the process ends.
void* ProcessLocalObject(const void* key, void* (*make)(), void (*destroy)(void* object));

template <class T>
T& ProcessLocal() {
  static constexpr char kKey = 0;  // one address per T
  return *static_cast<T*>(ProcessLocalObject(
      &kKey, [] { return static_cast<void*>(new T()); },
      [](void* object) { delete static_cast<T*>(object); }));
}
