// How the C++ library reports its own errors (a string too long, an index out
// of range), defined here in place of the library's. Its versions throw the
// standard exception classes through constructors that bring in a second,
// older string implementation, a tenth of the program. These throw the same
// kinds of error with the same texts; the error boundary reports them as the
// internal errors they were before.
#include <bits/functexcept.h>

#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <string>
#include <typeinfo>

#include "platform/Numeric.h"

namespace {

// A library error: what it says, and nothing that needs the older strings.
class LibraryError : public std::exception {
public:
    explicit LibraryError(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_;
};

}  // namespace

namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* text) { throw LibraryError(text); }
void __throw_domain_error(const char* text) { throw LibraryError(text); }
void __throw_invalid_argument(const char* text) { throw LibraryError(text); }
void __throw_length_error(const char* text) { throw LibraryError(text); }
void __throw_out_of_range(const char* text) { throw LibraryError(text); }
void __throw_runtime_error(const char* text) { throw LibraryError(text); }
void __throw_range_error(const char* text) { throw LibraryError(text); }
void __throw_overflow_error(const char* text) { throw LibraryError(text); }
void __throw_underflow_error(const char* text) { throw LibraryError(text); }

// The library's formats hold %zu (a size) and %s, as its own formatter reads them.
void __throw_out_of_range_fmt(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text;
    for (const char* at = format; *at; ++at) {
        if (at[0] == '%' && at[1] == 'z' && at[2] == 'u') {
            text += numeric::UnsignedText(va_arg(arguments, size_t));
            at += 2;
        } else if (at[0] == '%' && at[1] == 's') {
            text += va_arg(arguments, const char*);
            ++at;
        } else {
            text += *at;
        }
    }
    va_end(arguments);
    throw LibraryError(text);
}

}  // namespace std
