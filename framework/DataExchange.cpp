#include "DataExchange.h"

namespace {
bool IsRadioButton(HWND control) {
    auto type = static_cast<UINT>(::GetWindowLongPtrW(control, GWL_STYLE)) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// Calls `visit(control, index)` for each radio button of the group; stops when it returns true.
template <class Visit>
void ForEachRadio(HWND dialog, int firstId, Visit visit) {
    HWND control = ::GetDlgItem(dialog, firstId);
    int index = 0;
    for (bool first = true; control; first = false, control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (!first && (::GetWindowLongPtrW(control, GWL_STYLE) & WS_GROUP)) break;
        if (!IsRadioButton(control)) continue;
        if (visit(control, index++)) break;
    }
}
}  // namespace

int GetRadioIndex(HWND dialog, int firstId) {
    int checked = -1;
    ForEachRadio(dialog, firstId, [&](HWND control, int index) {
        if (::SendMessageW(control, BM_GETCHECK, 0, 0) != BST_CHECKED) return false;
        checked = index;
        return true;
    });
    return checked;
}

void SetRadioIndex(HWND dialog, int firstId, int index) {
    ForEachRadio(dialog, firstId, [&](HWND control, int i) {
        ::SendMessageW(control, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
        return false;
    });
}
