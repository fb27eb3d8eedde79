// What the reliability cases that drive a real main frame against an in-process server share.
#pragma once
#include <windows.h>

#include "FakeServer.h"

namespace reliability {
// The server the next main frame gets: the frame's factory hands it out.
inline ComPtr<FakeServer> g_server;

inline HRESULT HandOutServer(IOstrelServer** server) {
    g_server->AddRef();
    *server = g_server.Get();
    return S_OK;
}

// Dispatches what is queued, at most 500 messages.
inline void Pump() {
    MSG msg;
    for (int i = 0; i < 500 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}
}  // namespace reliability
