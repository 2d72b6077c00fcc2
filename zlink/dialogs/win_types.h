// The handle and message types of the host's window system, as the Zlink and the host both see them.
#pragma once
#include <cstdint>

struct HWND__;
using HWND = HWND__*;            // a window
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;  // a loaded module with its resources
using HMODULE = HINSTANCE;

using BOOL = int;
using UINT = unsigned int;
using DWORD = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LPVOID = void*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr UINT WM_APP = 0x8000;
