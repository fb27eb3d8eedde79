// Update-UI: the enabled and checked states of commands, kept in one table and pushed to the
// menus (when a popup opens) and to toolbars (at idle time).
#pragma once
#include <windows.h>
#include <map>
#include <vector>

class UpdateUI {
public:
    enum Where : unsigned { kMenu = 1, kToolBar = 2 };

    struct State {
        unsigned where = 0;
        bool enabled = true;
        bool checked = false;
        bool toolbarDirty = true;
    };

    // Commands not added here are left alone: enabled, unchecked.
    void UIAddCommand(UINT id, unsigned where);
    void UIAddCommandRange(UINT first, UINT last, unsigned where);
    void UIAddToolBar(HWND toolbar);

    void UIEnable(UINT id, bool enabled);
    void UISetCheck(UINT id, bool checked);
    // The state of `id`; a command that is not in the table reads as enabled and unchecked.
    State UIGetState(UINT id) const;

    // Applies the table to the items of a popup that is about to open (WM_INITMENUPOPUP).
    void UIUpdateMenu(HMENU popup) const;
    // Pushes changed states to the registered toolbars.
    void UIUpdateToolBars();

private:
    std::map<UINT, State> m_states;
    std::vector<HWND> m_toolbars;
};
