#pragma once
#include <windows.h>

#include <cstdint>

// The logic holds handles as 32-bit integers. Window and icon handles carry
// 32 significant bits on every Windows and widen by sign extension.
inline HWND AsHandle(int32_t value) { return reinterpret_cast<HWND>(static_cast<intptr_t>(value)); }
inline int32_t AsInt32(const void* handle) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(handle)); }
