#include "drawn_accessible.h"

#include "com_object.h"

#include <wrl/client.h>

#include <new>
#include <optional>

using Microsoft::WRL::ComPtr;

namespace {

BSTR Text(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

class DrawnAccessible final : public ComObject<IAccessible, IDispatch> {
  public:
    DrawnAccessible(HWND window, ComPtr<IAccessible> standard, AccessibleParts parts)
        : window_(window), standard_(std::move(standard)), parts_(std::move(parts)) {}

    // IDispatch: clients use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count)
            return E_POINTER;
        *count = static_cast<LONG>(parts_.list().size() + Windows().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (child.vt != VT_I4)
            return E_INVALIDARG;
        const size_t count = parts_.list().size();
        if (child.lVal >= 1 && static_cast<size_t>(child.lVal) <= count)
            return S_FALSE; // a simple element: its parent answers for it
        const std::vector<HWND> windows = Windows();
        const size_t at = static_cast<size_t>(child.lVal) - count - 1;
        if (child.lVal < 1 || at >= windows.size())
            return E_INVALIDARG;
        return AccessibleObjectFromWindow(windows[at], OBJID_WINDOW, IID_IDispatch,
                                          reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (child.vt == VT_I4 && child.lVal == CHILDID_SELF && !parts_.name.empty()) {
            if (!name)
                return E_POINTER;
            *name = Text(parts_.name);
            return S_OK;
        }
        return PartText(child, name, &AccessiblePart::name, [&] { return standard_->get_accName(child, name); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return PartText(child, value, &AccessiblePart::value, [&] { return standard_->get_accValue(child, value); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        if (Part(child))
            return text ? (*text = nullptr, S_FALSE) : E_POINTER;
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (const auto part = Part(child)) {
            if (!role)
                return E_POINTER;
            role->vt = VT_I4;
            role->lVal = part->role;
            return S_OK;
        }
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (const auto part = Part(child)) {
            if (!state)
                return E_POINTER;
            state->vt = VT_I4;
            state->lVal = part->role == ROLE_SYSTEM_PUSHBUTTON || !part->action.empty()
                              ? STATE_SYSTEM_FOCUSABLE
                              : STATE_SYSTEM_READONLY;
            return S_OK;
        }
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        if (Part(child))
            return help ? (*help = nullptr, S_FALSE) : E_POINTER;
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (Part(child))
            return S_FALSE;
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        if (Part(child))
            return keys ? (*keys = nullptr, S_FALSE) : E_POINTER;
        return standard_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        return standard_->get_accFocus(focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return standard_->get_accSelection(selection);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return PartText(child, action, &AccessiblePart::action,
                        [&] { return standard_->get_accDefaultAction(child, action); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (Part(child))
            return DISP_E_MEMBERNOTFOUND;
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        if (const auto part = Part(child)) {
            if (!left || !top || !width || !height)
                return E_POINTER;
            POINT corner{part->client.left, part->client.top};
            ClientToScreen(window_, &corner);
            *left = corner.x;
            *top = corner.y;
            *width = part->client.right - part->client.left;
            *height = part->client.bottom - part->client.top;
            return S_OK;
        }
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end)
            return E_POINTER;
        VariantInit(end);
        LONG count = 0;
        get_accChildCount(&count);
        LONG to = 0;
        if (start.vt == VT_I4 && start.lVal == CHILDID_SELF)
            to = direction == NAVDIR_FIRSTCHILD ? 1 : direction == NAVDIR_LASTCHILD ? count : 0;
        else if (start.vt == VT_I4 && start.lVal >= 1 && start.lVal <= count)
            to = direction == NAVDIR_NEXT || direction == NAVDIR_DOWN ? start.lVal + 1
                 : direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP ? start.lVal - 1
                                                                          : 0;
        else
            return standard_->accNavigate(direction, start, end);
        if (to < 1 || to > count)
            return S_FALSE;
        VARIANT child;
        child.vt = VT_I4;
        child.lVal = to;
        IDispatch* object = nullptr;
        if (get_accChild(child, &object) == S_OK && object) {
            end->vt = VT_DISPATCH;
            end->pdispVal = object;
        } else {
            *end = child;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit)
            return E_POINTER;
        POINT at{x, y};
        ScreenToClient(window_, &at);
        const std::vector<AccessiblePart> parts = parts_.list();
        // The last part listed lies on top.
        for (size_t i = parts.size(); i-- > 0;)
            if (PtInRect(&parts[i].client, at)) {
                hit->vt = VT_I4;
                hit->lVal = static_cast<LONG>(i + 1);
                return S_OK;
            }
        return standard_->accHitTest(x, y, hit);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (const auto part = Part(child)) {
            if (part->action.empty())
                return DISP_E_MEMBERNOTFOUND;
            // Later, from the window's own queue: the action may show a box
            // or close the window, which a client's call must not wait on.
            // Only the part's number travels.
            return PostMessageW(window_, parts_.actionMessage, static_cast<WPARAM>(child.lVal - 1), 0)
                       ? S_OK
                       : E_FAIL;
        }
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    ~DrawnAccessible() override = default; // only Release() ends it

    std::optional<AccessiblePart> Part(const VARIANT& child) const {
        if (child.vt != VT_I4 || child.lVal < 1)
            return std::nullopt;
        const std::vector<AccessiblePart> parts = parts_.list();
        if (static_cast<size_t>(child.lVal) > parts.size())
            return std::nullopt;
        return parts[static_cast<size_t>(child.lVal) - 1];
    }

    template <class Fallback>
    HRESULT PartText(const VARIANT& child, BSTR* out, std::wstring AccessiblePart::*field,
                     Fallback fallback) const {
        const std::optional<AccessiblePart> part = Part(child);
        if (!part)
            return fallback();
        if (!out)
            return E_POINTER;
        const std::wstring& text = (*part).*field;
        *out = text.empty() ? nullptr : Text(text);
        return text.empty() ? S_FALSE : S_OK;
    }

    // The child windows shown in the window (hidden ones, such as lists that
    // only hold data, are not part of what the user meets), in the window
    // manager's order.
    std::vector<HWND> Windows() const {
        std::vector<HWND> windows;
        for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)
                windows.push_back(child);
        return windows;
    }

    HWND window_;
    ComPtr<IAccessible> standard_;
    AccessibleParts parts_;
};

} // namespace

LRESULT AnswerGetObject(HWND window, WPARAM wParam, AccessibleParts parts) {
    ComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, IID_PPV_ARGS(&standard))))
        return 0;
    ComPtr<IAccessible> object;
    object.Attach(new (std::nothrow) DrawnAccessible(window, standard, std::move(parts)));
    if (!object)
        return 0;
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, object.Get());
    return result < 0 ? 0 : result;
}

void NotifyPartValueChanged(HWND window, size_t index) {
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window, OBJID_CLIENT, static_cast<LONG>(index + 1));
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, static_cast<LONG>(index + 1));
}
