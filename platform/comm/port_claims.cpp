// Ports open in this process, by device number, so that a port opens only once.
#include "comm/comm_private.h"

#include <mutex>
#include <set>

namespace platform::detail {
namespace {

struct Claims {
  std::mutex mutex;
  std::set<dev_t> devices;
};

Claims& TheClaims() {
  static Claims* claims = new Claims;
  return *claims;
}

}  // namespace

bool ClaimPort(dev_t device) {
  Claims& claims = TheClaims();
  std::lock_guard<std::mutex> lock(claims.mutex);
  return claims.devices.insert(device).second;
}

void ReleasePortClaim(dev_t device) {
  Claims& claims = TheClaims();
  std::lock_guard<std::mutex> lock(claims.mutex);
  claims.devices.erase(device);
}

}  // namespace platform::detail
