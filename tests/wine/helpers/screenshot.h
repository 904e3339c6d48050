// Saves what a window shows on the screen as a 24-bit BMP file, for people reading a failed
// case's files; the suite compares texts, never pixels.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "win_handles.h"

namespace wine_test {

inline void ReleaseScreenDc(HDC dc) {
  ReleaseDC(nullptr, dc);
}
inline void DeleteMemoryDc(HDC dc) {
  DeleteDC(dc);
}
inline void DeleteBitmap(HBITMAP bitmap) {
  DeleteObject(bitmap);
}

using ScreenDc = Owned<HDC, ReleaseScreenDc, nullptr>;
using MemoryDc = Owned<HDC, DeleteMemoryDc, nullptr>;
using Bitmap = Owned<HBITMAP, DeleteBitmap, nullptr>;

inline bool SaveWindowBitmap(HWND window, const char* path) {
  RECT bounds{};
  if (!GetWindowRect(window, &bounds))
    return false;
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0)
    return false;

  ScreenDc screen(GetDC(nullptr));
  MemoryDc memory(CreateCompatibleDC(screen.get()));
  Bitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  if (!screen || !memory || !bitmap)
    return false;
  HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
  const bool copied = BitBlt(memory.get(), 0, 0, width, height, screen.get(), bounds.left,
                             bounds.top, SRCCOPY) != FALSE;
  SelectObject(memory.get(), previous);
  if (!copied)
    return false;

  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;  // bottom-up rows, as BMP files store them
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const size_t row_bytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<BYTE> pixels(row_bytes * static_cast<size_t>(height));
  if (GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == 0) {
    return false;
  }

  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof(header) + sizeof(info);
  header.bfSize = static_cast<DWORD>(header.bfOffBits + pixels.size());
  FileHandle out(std::fopen(path, "wb"));
  if (!out)
    return false;
  info.biSizeImage = static_cast<DWORD>(pixels.size());
  return std::fwrite(&header, sizeof(header), 1, out.get()) == 1 &&
         std::fwrite(&info, sizeof(info), 1, out.get()) == 1 &&
         std::fwrite(pixels.data(), 1, pixels.size(), out.get()) == pixels.size();
}

}  // namespace wine_test
