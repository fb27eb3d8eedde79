// The server's command line.
#pragma once
#include <string>
#include <vector>

#include "Logger.h"

enum class ServerAction { Run, Register, Unregister, Stop, Help };

struct ServerCommand {
    ServerAction action = ServerAction::Run;
    bool embedding = false;       // started by COM for a client
    LoggerOptions logger;
    double periodSeconds = 10;    // of live measurements; 0: none
    // The options other than the action, quoted again: registration records them, so that the
    // server COM starts uses them too.
    std::wstring options;
};

// Reads the arguments (without the program name). Options start with "/" or "-" and are
// compared without regard to case. Returns false with a text for the user on bad input.
bool ParseServerCommand(const std::vector<std::wstring>& args, ServerCommand* command, std::wstring* error);

// What the program understands, for /? and for errors.
extern const wchar_t kServerUsage[];

// The default data folder: "Ostrel" under the user's local application data.
std::wstring DefaultDataFolder();
