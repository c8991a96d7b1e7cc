#pragma once
#include <array>
#include <string>
#include <utility>

#include "platform/FormEvents.h"

// The Settings window's choices, each a text value stored beside "left" and
// "top". The first text of each is what an absent or damaged value reads as,
// which is what the calendar always did.
namespace choices {

template <typename Choice, std::size_t N>
struct StoredChoice {
    const char* name;
    std::array<std::pair<Choice, const char*>, N> texts;

    Choice Read(const std::string& stored) const {
        for (const auto& [choice, text] : texts)
            if (stored == text) return choice;
        return texts[0].first;
    }
    const char* Text(Choice wanted) const {
        for (const auto& [choice, text] : texts)
            if (choice == wanted) return text;
        return texts[0].second;
    }
};

// "1": as the regional format counts them, "0": none, "iso": ISO 8601's.
inline constexpr StoredChoice<WeekNumbering, 3> kWeekNumbers{
    "weekNumbers", {{{WeekNumbering::Regional, "1"}, {WeekNumbering::None, "0"}, {WeekNumbering::Iso, "iso"}}}};
inline constexpr StoredChoice<IconShows, 3> kIconShows{
    "iconShows", {{{IconShows::Calendar, "calendar"}, {IconShows::Week, "week"}, {IconShows::Day, "day"}}}};
inline constexpr StoredChoice<OpensOn, 2> kOpensOn{"opensOn",
                                                   {{{OpensOn::Left, "left"}, {OpensOn::Working, "working"}}}};

inline constexpr StoredChoice<MonthsShown, 5> kMonthsShown{"monthsShown",
                                                           {{{MonthsShown::One, "1"},
                                                             {MonthsShown::Two, "2"},
                                                             {MonthsShown::Three, "3"},
                                                             {MonthsShown::TwoDown, "2-down"},
                                                             {MonthsShown::ThreeDown, "3-down"}}}};
// "calendar": as each calendar's alarms say; "never"; or the minutes before every event.
inline constexpr StoredChoice<RemindMe, 7> kRemindMe{"remindMe",
                                                     {{{RemindMe::Calendar, "calendar"},
                                                       {RemindMe::Never, "never"},
                                                       {RemindMe::Before5, "5"},
                                                       {RemindMe::Before10, "10"},
                                                       {RemindMe::Before15, "15"},
                                                       {RemindMe::Before30, "30"},
                                                       {RemindMe::Before60, "60"}}}};

}  // namespace choices
