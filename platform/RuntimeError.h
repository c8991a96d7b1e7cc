#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

// A failing platform operation or arithmetic step. It carries the number and
// description the classic Windows runtime uses for the same failure, because
// that is what the user sees in the error report.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int32_t number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    int32_t Number() const { return number_; }
    std::string Description() const { return what(); }

    static RuntimeError InvalidProcedureCall() { return {5, "Invalid procedure call or argument"}; }
    static RuntimeError Overflow() { return {6, "Overflow"}; }
    static RuntimeError DivisionByZero() { return {11, "Division by zero"}; }
    static RuntimeError TypeMismatch() { return {13, "Type mismatch"}; }

private:
    int32_t number_;
};

// The "ignore errors" mode: a failing statement is abandoned and execution goes
// on with the next one. Only the few places that ask for it use this.
template <typename Statement>
void IgnoringErrors(Statement&& statement) {
    try {
        statement();
    } catch (const RuntimeError&) {
    }
}
