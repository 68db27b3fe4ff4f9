// KVIdTable: which ids of one dialog window are taken. Control ids and menu-command ids share
// one table, so that a command never answers to a control's notification.
#pragma once

#include <array>
#include <cstdint>

class KVIdTable {
public:
  // Ids 0 to 10099 are tracked; 100 onwards are handed out to new controls and commands.
  static constexpr std::int32_t kSize = 10100;
  static constexpr std::int32_t kFirstFree = 100;

  bool InUse(std::int32_t id) const { return Contains(id) && taken[static_cast<std::size_t>(id)]; }
  static bool Contains(std::int32_t id) { return id >= 0 && id < kSize; }

  // wanted itself when it is tracked and free, else the lowest free id from 100, else 0.
  // The id returned is marked taken. An id outside the table is never kept: nothing could
  // tell whether it repeats, and deleting its owner could not give it back.
  std::int32_t Allocate(std::int32_t wanted);
  // The lowest free id from 100 without trying another first; 0 when none is left.
  std::int32_t AllocateFree();
  // Gives id back; ids outside the table are ignored.
  void Release(std::int32_t id);
  // True when no id from 100 to 10099 is free.
  bool Full() const;
  void Clear();

  bool operator==(const KVIdTable& other) const { return taken == other.taken; }
  bool operator!=(const KVIdTable& other) const { return !(*this == other); }

private:
  std::array<bool, kSize> taken{};
  // Every id from 100 below this one is taken; spares rescanning a crowded table.
  std::int32_t searchFrom = kFirstFree;
};
