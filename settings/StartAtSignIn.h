#pragma once
#include "platform/PlatformServices.h"

// Whether Windows starts the calendar when the user signs in: the entry in the
// user's Run list that the installer writes too, under the same name, holding
// the program's own path in quotes.
namespace start_at_sign_in {

// On when the entry names this program file and the user has not turned it
// off in Windows' startup list. An entry for a copy elsewhere does not count.
bool IsOn(PlatformServices& platform);

// On writes the entry for this program file and clears a turned-off mark; off
// removes the entry. A write Windows refuses throws RuntimeError with the reason.
void Set(PlatformServices& platform, bool on);

}  // namespace start_at_sign_in
