// The program's resource table: LoadStringW, LoadIconW and the lookups the menu bar uses.
#include "user/user_private.h"

#include <SDL.h>

#include <cwchar>
#include <memory>
#include <vector>

#include "detail/handles.h"
#include "platform/kernel.h"

namespace platform::detail {
namespace {

const ResourceTable* g_table = nullptr;

struct Icon : Object {
  static constexpr Kind kKind = Kind::Icon;
  Icon() : Object(Kind::Icon) {}
  const ResourceIcon* resource = nullptr;
};

// One shared handle per icon, as Windows shares icons loaded with LoadIcon.
std::vector<std::pair<UINT, HICON>>& LoadedIcons() {
  static auto* icons = new std::vector<std::pair<UINT, HICON>>;
  return *icons;
}

const ResourceString* FindString(UINT id) {
  if (g_table == nullptr || g_table->strings == nullptr) return nullptr;
  for (int i = 0; i < g_table->stringCount; ++i) {
    if (g_table->strings[i].id == id && g_table->strings[i].text != nullptr) return &g_table->strings[i];
  }
  return nullptr;
}

const ResourceIcon* FindIcon(UINT id) {
  if (g_table == nullptr || g_table->icons == nullptr) return nullptr;
  for (int i = 0; i < g_table->iconCount; ++i) {
    const ResourceIcon& icon = g_table->icons[i];
    if (icon.id == id && icon.pixels != nullptr && icon.width > 0 && icon.height > 0) return &icon;
  }
  return nullptr;
}

}  // namespace

const ResourceMenuBar* FindMenuBarResource(UINT id) {
  if (g_table == nullptr || g_table->menuBars == nullptr) return nullptr;
  for (int i = 0; i < g_table->menuBarCount; ++i) {
    if (g_table->menuBars[i].id == id) return &g_table->menuBars[i];
  }
  return nullptr;
}

void ApplyWindowIcon(SDL_Window* window, HICON icon) {
  const Icon* object = Lookup<Icon>(icon);
  if (window == nullptr || object == nullptr) return;
  const ResourceIcon& resource = *object->resource;
  // SDL reads the pixels while making the icon and keeps none of them.
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(resource.pixels), resource.width,
                                                            resource.height, 32, resource.width * 4,
                                                            SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return;
  SDL_SetWindowIcon(window, surface);
  SDL_FreeSurface(surface);
}

}  // namespace platform::detail

void RegisterResourceTable(const ResourceTable* table) { platform::detail::g_table = table; }

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
  (void)instance;  // one table serves the whole program
  if (buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const ResourceString* string = platform::detail::FindString(id);
  if (string == nullptr) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    if (bufferMax > 0) buffer[0] = L'\0';
    return 0;
  }
  const int length = static_cast<int>(std::wcslen(string->text));
  if (bufferMax == 0) {
    // Win32: with no room given, the buffer receives a read-only pointer to the string itself.
    *reinterpret_cast<LPCWSTR*>(buffer) = string->text;
    return length;
  }
  if (bufferMax < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // Win32 truncates to bufferMax - 1 characters and always terminates.
  const int copied = std::min(length, bufferMax - 1);
  std::wmemcpy(buffer, string->text, static_cast<std::size_t>(copied));
  buffer[copied] = L'\0';
  return copied;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  (void)instance;
  const auto id = reinterpret_cast<std::uintptr_t>(name);
  if (id == 0 || id > 0xFFFF) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);  // only numbered icons exist
    return nullptr;
  }
  for (const auto& [loadedId, handle] : platform::detail::LoadedIcons()) {
    if (loadedId == id) return handle;
  }
  const ResourceIcon* resource = platform::detail::FindIcon(static_cast<UINT>(id));
  if (resource == nullptr) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  auto icon = std::make_unique<platform::detail::Icon>();
  icon->resource = resource;
  HICON handle = static_cast<HICON>(platform::detail::InsertHandle(std::move(icon)));
  if (handle == nullptr) return nullptr;
  platform::detail::MarkPermanent(handle);
  platform::detail::LoadedIcons().emplace_back(static_cast<UINT>(id), handle);
  return handle;
}
