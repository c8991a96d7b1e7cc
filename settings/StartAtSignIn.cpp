#include "settings/StartAtSignIn.h"

#include <algorithm>
#include <cctype>

namespace start_at_sign_in {

namespace {

const char kEntryName[] = "vrlCalendar";

// The program named by a command line: the quoted path, or the whole line
// when it has no quotes.
std::string ProgramOf(const std::string& command) {
    if (command.empty() || command[0] != '"') return command;
    return command.substr(1, command.find('"', 1) - 1);
}

// Windows compares file names without regard to case.
bool SameFile(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

bool IsOn(PlatformServices& platform) {
    StartupList& startup = platform.Startup();
    const std::optional<std::string> command = startup.Command(kEntryName);
    return command && SameFile(ProgramOf(*command), platform.App().FullPath()) && !startup.TurnedOff(kEntryName);
}

void Set(PlatformServices& platform, bool on) {
    StartupList& startup = platform.Startup();
    if (!on) {
        startup.Remove(kEntryName);
        return;
    }
    startup.SetCommand(kEntryName, '"' + platform.App().FullPath() + '"');
    startup.ClearTurnedOff(kEntryName);
}

}  // namespace start_at_sign_in
