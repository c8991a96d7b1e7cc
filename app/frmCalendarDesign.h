#pragma once
#include "platform/FormDesign.h"

// frmCalendar as its designer laid it out: a borderless window holding the
// month calendar under a strip with the close label ("X ", Label1) and the
// help label ("?", Label2). The load handler then lays the window out around
// the calendar, under the labels' strip. The list of the picked day's events
// (List1) stays hidden until the user has calendars; it then goes under the
// month, four lines high.
inline constexpr form_design::Form kfrmCalendarDesign{
    .caption = "vrlCalendar",
    .borderless = true,
    .backColor = 14,  // highlighted text: white in the normal scheme
    .keyPreview = true,
    .scaleMode = form_design::ScaleMode::Twips,
    .design = {0, 0, 2840, 2460},
    .controls = {{
        {.name = form_design::Name::MonthView1,
         .kind = form_design::Kind::MonthView,
         .id = 3,
         .caption = "",
         .alignment = form_design::Alignment::Left,
         .font = std::nullopt,
         .toolTip = TextId::IconTip,
         .accessibleName = std::nullopt,
         .design = {0, 240, 2640, 2310}},
        {.name = form_design::Name::Label1,
         .kind = form_design::Kind::Label,
         .id = 1,
         .caption = "X ",
         .alignment = form_design::Alignment::Right,
         .font = form_design::Font{"MS Sans Serif", 825, true},
         .toolTip = TextId::Label1ToolTip,
         .accessibleName = TextId::Close,
         .design = {240, 0, 2175, 150}},
        {.name = form_design::Name::Label2,
         .kind = form_design::Kind::Label,
         .id = 2,
         .caption = "?",
         .alignment = form_design::Alignment::Left,
         .font = form_design::Font{"MS Sans Serif", 825, true},
         .toolTip = std::nullopt,
         .accessibleName = TextId::Help,
         .design = {120, 0, 975, 135}},
        {.name = form_design::Name::List1,
         .kind = form_design::Kind::List,
         .id = 4,
         .caption = "",
         .alignment = form_design::Alignment::Left,
         .font = std::nullopt,
         .toolTip = std::nullopt,
         .accessibleName = std::nullopt,
         .design = {0, 2550, 2640, 1020}},
    }},
    .monthView = {.minDate = {1753, 1, 1},
                  .maxDate = {9999, 12, 31},
                  .showWeekNumbers = true,
                  .monthColumns = 1,
                  .monthRows = 1,
                  .maxSelCount = 1},
};
