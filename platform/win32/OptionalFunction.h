#pragma once
#include <windows.h>

// A function that older Windows lack, looked up by name in one of the
// system's libraries: null where this Windows has none, so the caller falls
// back to what older ones offer. The one way the program reaches such a
// function; a library not yet loaded is loaded from the system directory.
template <typename Function>
Function OptionalFunction(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}
