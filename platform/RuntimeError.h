#pragma once
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <utility>

// A failing platform operation or arithmetic step. It carries the number and
// description the classic Windows runtime uses for the same failure, because
// that is what the user sees in the error report. It keeps its description
// itself: std::runtime_error keeps it in the runtime's older string kind,
// whose code would come into the program only for this.
class RuntimeError : public std::exception {
public:
    RuntimeError(int32_t number, std::string description) : number_(number), description_(std::move(description)) {}

    int32_t Number() const { return number_; }
    std::string Description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    static RuntimeError InvalidProcedureCall() { return {5, "Invalid procedure call or argument"}; }
    static RuntimeError Overflow() { return {6, "Overflow"}; }
    static RuntimeError DivisionByZero() { return {11, "Division by zero"}; }
    static RuntimeError TypeMismatch() { return {13, "Type mismatch"}; }
    static RuntimeError OutOfMemory() { return {7, "Out of memory"}; }
    static RuntimeError InternalError(const std::string& detail) {
        return {51, detail.empty() ? "Internal error" : "Internal error: " + detail};
    }

private:
    int32_t number_;
    std::string description_;
};

// The "ignore errors" mode: a failing statement is abandoned and execution goes
// on with the next one. Only the few places that ask for it use this.
template <typename Statement>
void IgnoringErrors(Statement&& statement) {
    try {
        statement();
    } catch (const RuntimeError&) {}
}

// Whatever a handler threw, as the error the user is told of: a RuntimeError
// as it is, anything else as the runtime's own out-of-memory or internal
// error. Nothing a handler throws may unwind into the window system, which
// on Windows would end the program without a word and leave its icon behind.
inline RuntimeError ErrorOf(const std::exception_ptr& thrown) {
    try {
        std::rethrow_exception(thrown);
    } catch (const RuntimeError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return RuntimeError::OutOfMemory();
    } catch (const std::exception& error) {
        return RuntimeError::InternalError(error.what());
    } catch (...) {
        return RuntimeError::InternalError("");
    }
}
