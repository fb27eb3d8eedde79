#include "UpdateUI.h"

#include <commctrl.h>

void UpdateUI::UIAddCommand(UINT id, unsigned where) { m_states[id].where |= where; }

void UpdateUI::UIAddCommandRange(UINT first, UINT last, unsigned where) {
    for (UINT id = first; id <= last; ++id) UIAddCommand(id, where);
}

void UpdateUI::UIAddToolBar(HWND toolbar) {
    m_toolbars.push_back(toolbar);
    for (auto& entry : m_states) entry.second.toolbarDirty = true;
}

void UpdateUI::UIEnable(UINT id, bool enabled) {
    auto it = m_states.find(id);
    if (it == m_states.end() || it->second.enabled == enabled) return;
    it->second.enabled = enabled;
    it->second.toolbarDirty = true;
}

void UpdateUI::UISetCheck(UINT id, bool checked) {
    auto it = m_states.find(id);
    if (it == m_states.end() || it->second.checked == checked) return;
    it->second.checked = checked;
    it->second.toolbarDirty = true;
}

UpdateUI::State UpdateUI::UIGetState(UINT id) const {
    auto it = m_states.find(id);
    return it == m_states.end() ? State{} : it->second;
}

void UpdateUI::UIUpdateMenu(HMENU popup) const {
    int count = ::GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT id = ::GetMenuItemID(popup, i);
        if (id == static_cast<UINT>(-1)) continue;  // a submenu or a separator
        auto it = m_states.find(id);
        if (it == m_states.end() || !(it->second.where & kMenu)) continue;
        ::EnableMenuItem(popup, i, MF_BYPOSITION | (it->second.enabled ? MF_ENABLED : MF_GRAYED));
        ::CheckMenuItem(popup, i, MF_BYPOSITION | (it->second.checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void UpdateUI::UIUpdateToolBars() {
    for (auto& [id, state] : m_states) {
        if (!state.toolbarDirty) continue;
        state.toolbarDirty = false;
        if (!(state.where & kToolBar)) continue;
        for (HWND toolbar : m_toolbars) {
            ::SendMessageW(toolbar, TB_ENABLEBUTTON, id, MAKELPARAM(state.enabled ? TRUE : FALSE, 0));
            ::SendMessageW(toolbar, TB_CHECKBUTTON, id, MAKELPARAM(state.checked ? TRUE : FALSE, 0));
        }
    }
}
