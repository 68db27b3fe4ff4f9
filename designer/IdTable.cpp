#include "designer/IdTable.h"

std::int32_t KVIdTable::Allocate(std::int32_t wanted) {
  if (Contains(wanted) && !taken[static_cast<std::size_t>(wanted)]) {
    taken[static_cast<std::size_t>(wanted)] = true;
    return wanted;
  }
  return AllocateFree();
}

std::int32_t KVIdTable::AllocateFree() {
  for (std::int32_t id = searchFrom; id < kSize; ++id) {
    if (!taken[static_cast<std::size_t>(id)]) {
      taken[static_cast<std::size_t>(id)] = true;
      searchFrom = id + 1;
      return id;
    }
  }
  searchFrom = kSize;
  taken[0] = true;
  return 0;
}

void KVIdTable::Release(std::int32_t id) {
  if (!Contains(id)) return;
  taken[static_cast<std::size_t>(id)] = false;
  if (id >= kFirstFree && id < searchFrom) searchFrom = id;
}

bool KVIdTable::Full() const {
  for (std::int32_t id = searchFrom; id < kSize; ++id) {
    if (!taken[static_cast<std::size_t>(id)]) return false;
  }
  return true;
}

void KVIdTable::Clear() {
  taken.fill(false);
  searchFrom = kFirstFree;
}
