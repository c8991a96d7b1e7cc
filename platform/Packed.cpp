#include "platform/Packed.h"

#include <cstring>

void Unpack(const unsigned char* packed, size_t size, char* out) {
    const unsigned char* const end = packed + size;
    while (packed < end) {
        const unsigned first = *packed++;
        if (first < 0x80) {
            std::memcpy(out, packed, first + 1);
            out += first + 1, packed += first + 1;
            continue;
        }
        size_t length, back;
        if (first < 0xC0) {
            length = 3 + ((first >> 3) & 7), back = 1 + (((first & 7) << 8) | packed[0]);
            packed += 1;
        } else {
            length = 3 + (first & 0x3F), back = 1 + (packed[0] | (packed[1] << 8));
            packed += 2;
        }
        // Byte by byte: a copy may overlap what it writes (a repeated run).
        for (; length > 0; --length, ++out) *out = out[-static_cast<ptrdiff_t>(back)];
    }
}
