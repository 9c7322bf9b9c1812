// <windows.h> for the Win32 back end and its tests, and the only way in.
// Windows names its key codes VK_ESCAPE, VK_LEFT, ... as macros, which would
// rewrite the game's own constants of those names (console/keyboard.h) in any
// file that includes that header after <windows.h>. The macros go here, once
// their values are checked against the game's, so include order never matters;
// code here uses fg::VK_*, which are the same numbers.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace fg::win32 {
constexpr int WINDOWS_KEY_CODES[] = {VK_ESCAPE, VK_SPACE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN};
}  // namespace fg::win32

#undef VK_ESCAPE
#undef VK_SPACE
#undef VK_LEFT
#undef VK_UP
#undef VK_RIGHT
#undef VK_DOWN
