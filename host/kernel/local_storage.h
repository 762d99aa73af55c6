// State that the layers above the kernel keep per handset or per process (the UI library's
// bookkeeping, a module's globals): one object per key, made on first use and destroyed with
// its owner, the last made first. The kernel does not know the objects' types.
#pragma once

#include <vector>

namespace host {

class LocalStorage {
 public:
  using Make = void* (*)();
  using Destroy = void (*)(void* object);

  LocalStorage() = default;
  // Destroys the objects, the last made first. An object may use the storage while it goes;
  // it no longer finds itself or those destroyed before it.
  ~LocalStorage();
  LocalStorage(const LocalStorage&) = delete;
  LocalStorage& operator=(const LocalStorage&) = delete;

  // The object under key; made with make (and later destroyed with destroy) when there is none.
  void* Get(const void* key, Make make, Destroy destroy);
  // The object under key, or null.
  void* Find(const void* key) const;

  // The same, keyed by type: T is made with new T().
  template <class T>
  T& Get() {
    return *static_cast<T*>(Get(&kKey<T>, [] { return static_cast<void*>(new T()); },
                                [](void* object) { delete static_cast<T*>(object); }));
  }
  template <class T>
  T* Find() const {
    return static_cast<T*>(Find(&kKey<T>));
  }

 private:
  struct Slot {
    const void* key;
    void* object;
    Destroy destroy;
  };

  template <class T>
  static constexpr char kKey = 0;

  std::vector<Slot> m_slots;
};

}  // namespace host
