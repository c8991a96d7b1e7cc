#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct IAccPropServices;

// A control that draws a symbol ("X ", "?") is named for screen readers by
// what it does. Windows asks a window for its accessible object with
// WM_GETOBJECT. The name is given the way Windows documents for a control
// whose name differs from its text, Dynamic Annotation: Windows' own object
// for the control then says it, to Active Accessibility and UI Automation
// clients alike. Where Windows refuses the annotation, the answer is the
// system's own object for the control (role, state, place, all as before)
// with the name given.
//
// Nothing of it is loaded until a client first asks: COM and the
// accessibility library cost every start time, and most starts have no
// screen reader.
namespace accessible_name {

class Names {
public:
    Names() = default;
    ~Names();
    Names(const Names&) = delete;
    Names& operator=(const Names&) = delete;

    // The answer to the control's WM_GETOBJECT, or 0 for the control's own
    // procedure to answer: a request of another object, or Windows holding
    // the name as an annotation.
    LRESULT Answer(HWND control, WPARAM wParam, LPARAM lParam, const std::wstring& name);
    // Before the controls are destroyed: the annotations go with them.
    void Forget();

private:
    void Start();

    bool started_ = false;
    bool comStarted_ = false;
    IAccPropServices* annotations_ = nullptr;  // none: Windows offers no annotations
    std::vector<HWND> annotated_;
};

}  // namespace accessible_name
