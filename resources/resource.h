#pragma once
#define IDI_CALENDAR 1
