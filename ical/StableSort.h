#pragma once
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace ical {

// What std::stable_sort does (equal elements keep their order), as a plain
// merge sort through one buffer: the library's adaptive one takes some 3 KB
// of the Windows program for each type it sorts, this a few hundred bytes.
template <typename T, typename Less>
void StableSort(std::vector<T>& items, const Less& less) {
    const size_t n = items.size();
    if (n < 2) return;
    std::vector<T> merged(n);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t low = 0; low < n; low += 2 * width) {
            const size_t middle = std::min(low + width, n), high = std::min(middle + width, n);
            size_t a = low, b = middle, out = low;
            // From the left run unless the right one's is strictly less: stable.
            while (a < middle && b < high)
                merged[out++] = less(items[b], items[a]) ? std::move(items[b++]) : std::move(items[a++]);
            while (a < middle) merged[out++] = std::move(items[a++]);
            while (b < high) merged[out++] = std::move(items[b++]);
        }
        items.swap(merged);
    }
}

}  // namespace ical
