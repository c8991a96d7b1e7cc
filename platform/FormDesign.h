#pragma once
#include <array>
#include <optional>

#include "texts/TextIds.h"

// The words a window's designer sets a window and its controls with. The
// calendar's own design is a table of these (app/frmCalendarDesign.h); the
// platform makes the window from it and the unit double reads it, so no
// number of the design is written twice. Places and sizes are in twips.
namespace form_design {

struct Rect {
    float left, top, width, height;
};

struct Date {
    int year, month, day;
};

enum class ScaleMode { Twips };
enum class Kind { MonthView, Label, List };
enum class Alignment { Left, Right };
// Which of the window's controls a row is: the name the events carry.
enum class Name { MonthView1, Label1, Label2, List1 };

struct Font {
    const char* face;
    int hundredthsOfPoint;  // 825 is 8.25 points
    bool bold;
};

struct Control {
    Name name;
    Kind kind;
    int id;               // its number among the window's children
    const char* caption;  // drawn as it stands, in every language
    Alignment alignment;
    std::optional<Font> font;              // none: the control's own
    std::optional<TextId> toolTip;         // none: no tip
    std::optional<TextId> accessibleName;  // none: what the control says of itself
    Rect design;
};

// The month calendar's own properties.
struct MonthView {
    Date minDate, maxDate;
    bool showWeekNumbers;
    int monthColumns, monthRows;  // how many months it shows
    int maxSelCount;              // days that can be selected at once
};

struct Form {
    const char* caption;  // the same in every language
    bool borderless;
    int backColor;    // a system colour, by its index
    bool keyPreview;  // the window sees keys before the control with the focus
    ScaleMode scaleMode;
    Rect design;
    std::array<Control, 4> controls;  // in tab order
    MonthView monthView;

    constexpr const Control& Find(Name which) const {
        for (const Control& control : controls)
            if (control.name == which) return control;
        return controls[0];
    }
};

}  // namespace form_design
