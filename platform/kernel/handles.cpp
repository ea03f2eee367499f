// The handle table: slots with generation counters, so that a stale handle never reaches a
// destroyed object.
#include "detail/handles.h"

#include <mutex>
#include <vector>

#include "platform/testing.h"

namespace platform::detail {
namespace {

struct Slot {
  std::unique_ptr<Object> object;
  std::uint32_t generation = 1;
  bool permanent = false;
};

// Index bits and generation bits of a handle value (above the two low bits kept clear).
constexpr unsigned kIndexBits = 20;
constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr std::uint32_t kGenerationMask = (1u << (30 - kIndexBits)) - 1;

struct Table {
  std::mutex mutex;
  std::vector<Slot> slots{1};  // slot 0 is never used, so no handle value is 0
  std::vector<std::uint32_t> free;
};

Table& TheTable() {
  static Table* table = new Table;  // never destroyed: objects may be released at exit
  return *table;
}

void* Encode(std::uint32_t index, std::uint32_t generation) {
  const std::uintptr_t value = ((static_cast<std::uintptr_t>(generation & kGenerationMask) << kIndexBits) | index) << 2;
  return reinterpret_cast<void*>(value);
}

// Returns the slot a handle names, or nullptr.
Slot* Decode(Table& table, const void* handle) {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  if (value == 0 || (value & 3u) != 0 || (value >> 32) != 0) return nullptr;
  const auto bits = static_cast<std::uint32_t>(value >> 2);
  const std::uint32_t index = bits & kIndexMask;
  const std::uint32_t generation = bits >> kIndexBits;
  if (index == 0 || index >= table.slots.size()) return nullptr;
  Slot& slot = table.slots[index];
  if (!slot.object || (slot.generation & kGenerationMask) != generation) return nullptr;
  return &slot;
}

}  // namespace

void* InsertHandle(std::unique_ptr<Object> object) {
  if (!object) return nullptr;
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  std::uint32_t index;
  if (!table.free.empty()) {
    index = table.free.back();
    table.free.pop_back();
  } else {
    if (table.slots.size() > kIndexMask) return nullptr;
    index = static_cast<std::uint32_t>(table.slots.size());
    table.slots.emplace_back();
  }
  Slot& slot = table.slots[index];
  slot.object = std::move(object);
  slot.permanent = false;
  return Encode(index, slot.generation);
}

void MarkPermanent(void* handle) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (Slot* slot = Decode(table, handle)) slot->permanent = true;
}

bool IsPermanent(void* handle) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Slot* slot = Decode(table, handle);
  return slot != nullptr && slot->permanent;
}

Object* LookupHandle(const void* handle, Kind kind) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Slot* slot = Decode(table, handle);
  if (slot == nullptr) return nullptr;
  if (kind != Kind::None && slot->object->kind != kind) return nullptr;
  return slot->object.get();
}

Kind KindOfHandle(const void* handle) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Slot* slot = Decode(table, handle);
  return slot == nullptr ? Kind::None : slot->object->kind;
}

std::unique_ptr<Object> RemoveHandle(const void* handle, Kind kind) {
  Table& table = TheTable();
  std::unique_ptr<Object> object;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    Slot* slot = Decode(table, handle);
    if (slot == nullptr || slot->permanent) return nullptr;
    if (kind != Kind::None && slot->object->kind != kind) return nullptr;
    object = std::move(slot->object);
    ++slot->generation;
    const auto index = static_cast<std::uint32_t>(slot - table.slots.data());
    table.free.push_back(index);
  }
  return object;  // destroyed by the caller, outside the lock
}

std::size_t CountLive() { return CountLive(Kind::None); }

std::size_t CountLive(Kind kind) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  std::size_t count = 0;
  for (const Slot& slot : table.slots) {
    if (slot.object && !slot.permanent && (kind == Kind::None || slot.object->kind == kind)) ++count;
  }
  return count;
}

}  // namespace platform::detail

namespace platform::testing {
std::size_t CountLiveHandles() { return detail::CountLive(); }
}  // namespace platform::testing
