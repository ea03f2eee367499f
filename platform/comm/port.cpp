// What all port handles share: the timeouts, the lookup by handle, closing, the log line.
#include "comm/comm_private.h"

#include <cerrno>
#include <memory>

#include "detail/errors.h"
#include "detail/ports.h"

namespace platform::detail {

COMMTIMEOUTS Port::Timeouts() {
  std::lock_guard<std::mutex> lock(timeoutsMutex);
  return timeouts;
}

void Port::SetTimeouts(const COMMTIMEOUTS& value) {
  std::lock_guard<std::mutex> lock(timeoutsMutex);
  timeouts = value;
}

bool IsPortKind(Kind kind) { return kind == Kind::SerialPort || kind == Kind::NetSource; }

Port* LookupPort(const void* handle) {
  if (!IsPortKind(KindOfHandle(handle))) return nullptr;
  return static_cast<Port*>(LookupHandle(handle, Kind::None));
}

void PortCallFailed(const Port& port, const char* call, int error) {
  LogSystemCallFailure(call, port.name.c_str(), error);
  SetLastErrorFromErrno(error);
}

BOOL ClosePort(HANDLE handle) {
  const Kind kind = KindOfHandle(handle);
  std::unique_ptr<Object> removed = IsPortKind(kind) ? RemoveHandle(handle, kind) : nullptr;
  if (!removed) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto* port = static_cast<Port*>(removed.get());
  if (!port->Release()) {
    PortCallFailed(*port, "close", errno);
    return FALSE;  // the handle is gone all the same
  }
  return TRUE;
}

}  // namespace platform::detail
