#pragma once
#include <windows.h>

#include <string>

// A control that draws a symbol ("X ", "?") is named for screen readers by
// what it does. Windows asks a window for its accessible object with
// WM_GETOBJECT; the answer here is the system's own object for the control
// (role, state, place, all as before) with the name given. Microsoft Active
// Accessibility reads it, and UI Automation through it.
namespace accessible_name {

// The answer to the control's WM_GETOBJECT, or 0 for a request of another
// object, which the control's own procedure then answers.
LRESULT Answer(HWND control, WPARAM wParam, LPARAM lParam, const std::wstring& name);

}  // namespace accessible_name
