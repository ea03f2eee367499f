// The handle table: every platform object a program can hold (file, port, window, DC, pen,
// brush, font, icon, menu bar) lives here behind an opaque, generation-checked handle value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform::detail {

enum class Kind : std::uint8_t { None, File, SerialPort, NetSource, Window, DC, Pen, Brush, Font, Icon, MenuBar };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  const Kind kind;
};

// Stores the object and returns its handle value. Handle values are never 0, never
// INVALID_HANDLE_VALUE and always have their two lowest bits clear (so that a window handle
// with its lowest bit set, as SetForegroundWindow accepts, can be recognised).
void* InsertHandle(std::unique_ptr<Object> object);

// Marks the object permanent: RemoveHandle refuses it and it is not counted as live
// (stock objects).
void MarkPermanent(void* handle);
bool IsPermanent(void* handle);

// The object behind a handle, or nullptr when the handle is 0, invalid, stale or of
// another kind (Kind::None accepts any kind).
Object* LookupHandle(const void* handle, Kind kind);

template <class T>
T* Lookup(const void* handle) {
  return static_cast<T*>(LookupHandle(handle, T::kKind));
}

// The kind of object behind a handle, Kind::None when there is none.
Kind KindOfHandle(const void* handle);

// Takes the object out of the table; the handle becomes stale. Returns nullptr when the
// handle does not name a removable object of that kind.
std::unique_ptr<Object> RemoveHandle(const void* handle, Kind kind);

// Objects in the table, permanent ones excluded.
std::size_t CountLive();
std::size_t CountLive(Kind kind);

}  // namespace platform::detail
