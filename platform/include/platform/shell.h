// Shell area: the extra controls and the menu bar strip below the client area.
#pragma once

#include "platform/types.h"

constexpr DWORD SHCMBF_EMPTYBAR = 0x0001;
constexpr DWORD SHCMBF_HIDDEN = 0x0002;
constexpr DWORD SHCMBF_HIDESIPBUTTON = 0x0004;
constexpr DWORD SHCMBF_COLORBK = 0x0008;
constexpr DWORD SHCMBF_HMENU = 0x0010;

constexpr int I_IMAGENONE = -2;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTYLE_AUTOSIZE = 0x10;
constexpr WORD NOMENU = 0xFFFF;

struct SHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;
  DWORD dwFlags;
  UINT nToolBarId;
  HINSTANCE hInstRes;
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;
  COLORREF clrBk;
};

BOOL SHInitExtraControls();
BOOL SHCreateMenuBar(SHMENUBARINFO* info);
