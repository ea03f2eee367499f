// Base types, handles and helpers of the Win32 subset, shared by every area header.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using LONGLONG = std::int64_t;
using INT = int;
using BOOL = int;
using WCHAR = wchar_t;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using ATOM = std::uint16_t;
using COLORREF = DWORD;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

#define WINAPI
#define CALLBACK
#define APIENTRY

// Handles are opaque values from the platform's handle table, typed as on Win32 (STRICT).
#define KAVRO_DECLARE_HANDLE(name) \
  struct name##__ {                \
    int unused;                    \
  };                               \
  using name = name##__*
KAVRO_DECLARE_HANDLE(HWND);
KAVRO_DECLARE_HANDLE(HDC);
KAVRO_DECLARE_HANDLE(HPEN);
KAVRO_DECLARE_HANDLE(HBRUSH);
KAVRO_DECLARE_HANDLE(HFONT);
KAVRO_DECLARE_HANDLE(HICON);
KAVRO_DECLARE_HANDLE(HINSTANCE);
KAVRO_DECLARE_HANDLE(HMENU);
KAVRO_DECLARE_HANDLE(HCURSOR);
#undef KAVRO_DECLARE_HANDLE
using HANDLE = void*;
using HGDIOBJ = void*;
using HMODULE = HINSTANCE;

// The invalid-handle value that CreateFileW returns on failure.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// A signed 64-bit number, also seen as its two 32-bit halves (file offsets).
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

struct POINT {
  LONG x;
  LONG y;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<std::uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi) {
  return static_cast<WPARAM>(static_cast<std::uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
