#include "host/kernel/local_storage.h"

namespace host {

LocalStorage::~LocalStorage() {
  while (!m_slots.empty()) {
    Slot slot = m_slots.back();
    m_slots.pop_back();
    slot.destroy(slot.object);
  }
}

void* LocalStorage::Get(const void* key, Make make, Destroy destroy) {
  if (void* object = Find(key)) return object;
  // make may use the storage itself (an object that needs another one).
  void* object = make();
  m_slots.push_back({key, object, destroy});
  return object;
}

void* LocalStorage::Find(const void* key) const {
  for (const Slot& slot : m_slots) {
    if (slot.key == key) return slot.object;
  }
  return nullptr;
}

}  // namespace host
