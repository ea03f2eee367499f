// The resource table a program links in: strings, icons, menu bar descriptions and raw data.
#pragma once

#include "platform/types.h"

struct ResourceString {
  UINT id;
  LPCWSTR text;
};

struct ResourceIcon {
  UINT id;
  int width;
  int height;
  const std::uint32_t* pixels;  // ARGB, row-major, width * height values
};

struct ResourceMenuBar {
  UINT id;
  const WORD* words;  // the menu-bar resource layout
  int wordCount;
};

struct ResourceTable {
  const ResourceString* strings;
  int stringCount;
  const ResourceIcon* icons;
  int iconCount;
  const ResourceMenuBar* menuBars;
  int menuBarCount;
  WORD languageId;
  bool highResolutionAware;
};

// The program registers its table once at start (before creating windows); LoadStringW,
// LoadIconW and SHCreateMenuBar look resources up in it by identifier.
void RegisterResourceTable(const ResourceTable* table);
