// The graphics and window-manager calls the clock makes: elliptic window
// regions, topmost placement, and copies between persistent images (plain
// and halftone-stretched), on the handles of handles.h.
#pragma once

#include "handles.h"

#include <cstdint>

namespace rt {

constexpr HWND HWND_TOPMOST = -1;
constexpr HWND HWND_NOTOPMOST = -2;
constexpr std::uint32_t SWP_NOSIZE = 0x01;
constexpr std::uint32_t SWP_NOMOVE = 0x02;
constexpr std::uint32_t SWP_NOACTIVATE = 0x10;
constexpr std::uint32_t SWP_SHOWWINDOW = 0x40;
constexpr std::int32_t COLORONCOLOR = 3;
constexpr std::int32_t HALFTONE = 4;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;

std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t X, std::int32_t Y, std::int32_t cx,
                          std::int32_t cy, std::uint32_t uFlags);
HRGN CreateEllipticRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
// The window owns the region from here on (also when the call fails).
std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, std::int32_t bRedraw);
std::int32_t SetStretchBltMode(HDC hdc, std::int32_t mode);
std::int32_t StretchBlt(HDC hdcDest, std::int32_t xDest, std::int32_t yDest, std::int32_t wDest, std::int32_t hDest,
                        HDC hdcSrc, std::int32_t xSrc, std::int32_t ySrc, std::int32_t wSrc, std::int32_t hSrc,
                        std::uint32_t rop);
std::int32_t BitBlt(HDC hdcDest, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, HDC hdcSrc,
                    std::int32_t x1, std::int32_t y1, std::uint32_t rop);

// Regions made and not yet handed to a window: a leak detector for tests.
int liveRegionCount();

}  // namespace rt
