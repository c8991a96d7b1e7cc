#pragma once
#include <cstddef>

// Tables the build packed (platform/packing.py, which describes the form):
// the program's texts and the zones' names take half their bytes so.
// Unpacks `size` bytes of `packed` into out, which has room for what they
// unpack to (the build knows how much and says so beside them).
void Unpack(const unsigned char* packed, size_t size, char* out);
