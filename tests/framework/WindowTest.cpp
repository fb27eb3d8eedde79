#include <gtest/gtest.h>

#include "Window.h"

namespace {
// WM_SETTEXT is consumed only while `swallowText` is set; otherwise its handler lets the default
// processing store the text.
class Probe : public Window<Probe> {
public:
    DECLARE_WND_CLASS_EX(L"KV_TestProbe", 0, COLOR_WINDOW)

    BEGIN_MSG_MAP(Probe)
        MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
        COMMAND_RANGE_HANDLER(100, 109, OnCommandRange)
        COMMAND_ID_HANDLER(110, OnCommand)
    END_MSG_MAP()

    LRESULT OnSetText(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        ++setTextCalls;
        bHandled = swallowText ? TRUE : FALSE;
        return TRUE;
    }
    LRESULT OnCommandRange(WORD, WORD id, HWND, BOOL&) {
        lastRangeId = id;
        return 0;
    }
    LRESULT OnCommand(WORD, WORD, HWND, BOOL&) {
        ++commands;
        return 0;
    }
    void OnFinalMessage(HWND) override { ++finalMessages; }

    bool swallowText = false;
    int setTextCalls = 0;
    int lastRangeId = 0;
    int commands = 0;
    int finalMessages = 0;
};
}  // namespace

TEST(Window, HandlersConsumeOrPassOnToDefaultProcessing) {
    Probe probe;
    ASSERT_TRUE(probe.Create(nullptr, nullptr, L"first", WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(probe.GetWindowText(), L"first");

    probe.SetWindowText(L"second");
    EXPECT_EQ(probe.GetWindowText(), L"second");

    probe.swallowText = true;
    probe.SetWindowText(L"third");
    EXPECT_EQ(probe.GetWindowText(), L"second");
    EXPECT_EQ(probe.setTextCalls, 2);  // creation sets the title without WM_SETTEXT

    probe.SendMessage(WM_COMMAND, MAKEWPARAM(105, 0), 0);
    probe.SendMessage(WM_COMMAND, MAKEWPARAM(110, 0), 0);
    probe.SendMessage(WM_COMMAND, MAKEWPARAM(111, 0), 0);
    EXPECT_EQ(probe.lastRangeId, 105);
    EXPECT_EQ(probe.commands, 1);

    HWND hWnd = probe;
    probe.DestroyWindow();
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(probe.m_hWnd, nullptr);
    EXPECT_EQ(probe.finalMessages, 1);
}

TEST(Window, TwoWindowsOfOneClassKeepTheirOwnObjects) {
    Probe a, b;
    ASSERT_TRUE(a.Create(nullptr, nullptr, L"a", WS_OVERLAPPEDWINDOW));
    ASSERT_TRUE(b.Create(nullptr, nullptr, L"b", WS_OVERLAPPEDWINDOW));
    a.SetWindowText(L"A");
    EXPECT_EQ(a.setTextCalls, 1);
    EXPECT_EQ(b.setTextCalls, 0);
    a.DestroyWindow();
    b.DestroyWindow();
}
