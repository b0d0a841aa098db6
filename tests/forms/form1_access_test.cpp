#include "form1_stage.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>

namespace {

using Microsoft::WRL::ComPtr;

VARIANT Child(LONG id) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

using TextGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);

std::wstring Read(IAccessible& object, TextGetter get, LONG id) {
    BSTR text = nullptr;
    (object.*get)(Child(id), &text);
    std::wstring out = text ? text : L"";
    SysFreeString(text);
    return out;
}

std::vector<std::pair<DWORD, LONG>> g_events; // (event, child) for the main window and notices

void CALLBACK Hook(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (object == OBJID_CLIENT &&
        (std::wstring(cls) == L"ThunderRT6FormDC" || std::wstring(cls) == L"QzoneMusicForm3"))
        g_events.push_back({event, child});
}

class Form1Access : public Form1Stage {
  protected:
    void SetUp() override {
        Serve(0, 0, {{L"/gone.mp3", L"晴天", L"周杰伦"}});
        Open(outputs.Factory());
    }
    NullAudioOutputs outputs;
};

// What a screen reader asks of the window: each painted part's role, name,
// value, action and place, the real controls after them, and the actions.
TEST_F(Form1Access, AScreenReaderReadsAndWorksThePaintedParts) {
    Query(1);
    ListView_SetItemState(form->ListView1(), 0, LVIS_SELECTED, LVIS_SELECTED); // as the arrows do
    EXPECT_EQ(form->gqm(), L"晴天");

    ComPtr<IAccessible> object;
    ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(form->hwnd(), OBJID_CLIENT,
                                                        IID_PPV_ARGS(&object)));
    const struct {
        LONG id;
        LONG role;
        const wchar_t *name, *value, *action;
    } parts[] = {
        {1, ROLE_SYSTEM_TITLEBAR, L"QQ空间背景音乐", L"", L""},
        {2, ROLE_SYSTEM_PUSHBUTTON, L"最小化", L"", L"最小化"},
        {3, ROLE_SYSTEM_PUSHBUTTON, L"关闭", L"", L"关闭"},
        {4, ROLE_SYSTEM_STATICTEXT, L"歌曲", L"晴天", L""},
        {5, ROLE_SYSTEM_STATICTEXT, L"歌手", L"周杰伦", L""},
        {6, ROLE_SYSTEM_LINK, L"出处", nullptr, L"复制"},
        {7, ROLE_SYSTEM_STATICTEXT, L"状态", L"", L""},
    };
    for (const auto& p : parts) {
        VARIANT role;
        object->get_accRole(Child(p.id), &role);
        EXPECT_EQ(role.lVal, p.role) << p.id;
        EXPECT_EQ(Read(*object.Get(), &IAccessible::get_accName, p.id), p.name) << p.id;
        EXPECT_EQ(Read(*object.Get(), &IAccessible::get_accValue, p.id),
                  p.value ? std::wstring(p.value) : form->GuRL());
        EXPECT_EQ(Read(*object.Get(), &IAccessible::get_accDefaultAction, p.id), p.action);
    }
    EXPECT_EQ(object->get_accName(Child(4), nullptr), E_POINTER); // no place for the text
    // The song's place on the screen is where its label is painted.
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_HRESULT_SUCCEEDED(object->accLocation(&x, &y, &w, &h, Child(4)));
    VARIANT hit;
    ASSERT_HRESULT_SUCCEEDED(object->accHitTest(x + 2, y + h / 2, &hit));
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, 4);
    // The real controls follow the parts, with their own objects; the QQ box
    // has a name of its own.
    LONG count = 0;
    object->get_accChildCount(&count);
    EXPECT_EQ(count, 8 + 6) << "parts, then QQ box, four buttons, table";
    // Next and down go on from part to part, previous and up go back; the last has no next.
    for (const auto& [direction, to] : {std::pair{NAVDIR_NEXT, 5}, {NAVDIR_DOWN, 5},
                                        {NAVDIR_PREVIOUS, 3}, {NAVDIR_UP, 3}}) {
        VARIANT end;
        ASSERT_EQ(object->accNavigate(direction, Child(4), &end), S_OK) << direction;
        EXPECT_EQ(end.vt == VT_I4 ? end.lVal : -1, to) << direction;
    }
    VARIANT none;
    EXPECT_EQ(object->accNavigate(NAVDIR_NEXT, Child(count), &none), S_FALSE);
    ComPtr<IAccessible> box;
    ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(form->QQ(), OBJID_CLIENT, IID_PPV_ARGS(&box)));
    EXPECT_EQ(Read(*box.Get(), &IAccessible::get_accName, CHILDID_SELF), L"QQ号");
    EXPECT_EQ(Read(*box.Get(), &IAccessible::get_accValue, CHILDID_SELF), L"12345");

    // Default actions run as the mouse's do, from the window's own queue: the
    // close area asks (and is answered no).
    form->SetMessageBox([&](HWND, const wchar_t* prompt, const wchar_t*, UINT) {
        shown.push_back({prompt, L"", 0});
        return IDCANCEL;
    });
    ASSERT_HRESULT_SUCCEEDED(object->accDoDefaultAction(Child(3)));
    EXPECT_TRUE(PumpUntil([&] { return !shown.empty(); }, 2000));
    EXPECT_TRUE(IsWindow(form->hwnd()));
    ASSERT_HRESULT_SUCCEEDED(object->accDoDefaultAction(Child(2)));
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(form->hwnd()) != 0; }, 2000));
    EXPECT_NE(object->accDoDefaultAction(Child(4)), S_OK) << "a label has no action";
    PostMessageW(form->hwnd(), WM_APP + 6, 99, 0); // a part number from outside means nothing
    PumpFor(50);
}

// Status changes and the notice are announced, so they are heard.
TEST_F(Form1Access, StatusChangesAndTheNoticeAreAnnounced) {
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, Hook,
                                               GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    g_events.clear();
    Query(1);
    ListView_SetItemState(form->ListView1(), 0, LVIS_SELECTED, LVIS_SELECTED);
    form->ListView1_DblClick(); // the song cannot be played
    ASSERT_TRUE(PumpUntil([&] { return form->WP1()->state() == PlayerState::Failed; }, 10000));
    form->Timer1_Timer(); // the status, then the notice
    PumpFor(200);
    UnhookWinEvent(hook);
    auto seen = [&](DWORD event, LONG child) {
        return std::find(g_events.begin(), g_events.end(), std::pair{event, child}) !=
               g_events.end();
    };
    EXPECT_TRUE(seen(EVENT_OBJECT_VALUECHANGE, 7)) << "the status";
    EXPECT_TRUE(seen(EVENT_OBJECT_VALUECHANGE, 4)) << "the song shown";
    EXPECT_TRUE(seen(EVENT_SYSTEM_ALERT, CHILDID_SELF)) << "the notice";
    ASSERT_NE(Form3::Current(), nullptr);
    wchar_t says[64] = {};
    GetWindowTextW(Form3::Current()->hwnd(), says, 64);
    EXPECT_STREQ(says, L"很遗憾，无法播放！可能是地址失效或防盗链接");
}

} // namespace

namespace {

// A high-contrast scheme: the skin stands aside and comes back, and turning
// it on and off leaves no GDI object behind.
TEST_F(Form1Access, AHighContrastSchemeSetsTheSkinAsideAndBack) {
    bool on = false;
    form->SetHighContrastQuery([&] { return on; });
    auto ownerDrawn = [&] {
        return (GetWindowLongPtrW(form->Command1(), GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
    };
    ASSERT_TRUE(ownerDrawn()) << "skinned";
    UpdateWindow(form->hwnd());
    const long held = gdi_tally::Held();
    for (int round = 0; round < 3; ++round) {
        on = true;
        SendMessageW(form->hwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        UpdateWindow(form->hwnd());
        EXPECT_TRUE(form->HighContrast());
        EXPECT_FALSE(ownerDrawn()) << "the system draws the buttons";
        on = false;
        SendMessageW(form->hwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        UpdateWindow(form->hwnd());
        EXPECT_TRUE(ownerDrawn()) << "skinned again";
    }
    PumpFor(100);
    EXPECT_EQ(gdi_tally::Held(), held);
}

} // namespace
