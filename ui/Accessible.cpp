#include "ui/Accessible.h"

#include <new>
#include <utility>

namespace {

bool IsSelf(const VARIANT& child) noexcept { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The standard object of the window with its name and role replaced, and simple children for items.
class CNamedAccessible : public IAccessible {
public:
    CNamedAccessible(IAccessible* standard, std::wstring name, long role, IAccessibleItems* items) noexcept
        : m_standard(standard), m_name(std::move(name)), m_role(role), m_items(items) {}
    virtual ~CNamedAccessible() { m_standard->Release(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&m_refs);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: not offered (clients use the vtable).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return m_standard->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = m_items ? m_items->ItemCount() : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        if (child) *child = nullptr;
        return S_FALSE;  // the items are simple children: the parent answers for them
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!name) return E_POINTER;
        if (IsSelf(child)) {
            if (m_name.empty()) return m_standard->get_accName(child, name);
            *name = ::SysAllocString(m_name.c_str());
            return S_OK;
        }
        if (!IsItem(child)) return E_INVALIDARG;
        *name = ::SysAllocString(m_items->ItemName(child.lVal).c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (IsSelf(child)) return m_standard->get_accValue(child, value);
        if (value) *value = nullptr;
        return IsItem(child) ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        if (IsSelf(child)) return m_standard->get_accDescription(child, text);
        if (text) *text = nullptr;
        return IsItem(child) ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        if (!IsSelf(child) && !IsItem(child)) return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = IsSelf(child) ? m_role : m_items->ItemRole();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (IsSelf(child)) return m_standard->get_accState(child, state);
        if (!state) return E_POINTER;
        if (!IsItem(child)) return E_INVALIDARG;
        state->vt = VT_I4;
        state->lVal = m_items->ItemState(child.lVal);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        if (IsSelf(child)) return m_standard->get_accHelp(child, help);
        if (help) *help = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return m_standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        if (IsSelf(child)) return m_standard->get_accKeyboardShortcut(child, keys);
        if (keys) *keys = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return m_standard->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return m_standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (IsSelf(child)) return m_standard->get_accDefaultAction(child, action);
        if (!action) return E_POINTER;
        if (!IsItem(child)) return E_INVALIDARG;
        *action = ::SysAllocString(m_items->ItemDefaultAction(child.lVal).c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (IsItem(child) && (flags & SELFLAG_TAKESELECTION)) {
            m_items->DoItemDefaultAction(child.lVal);
            return S_OK;
        }
        return m_standard->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
        if (IsSelf(child)) return m_standard->accLocation(x, y, w, h, child);
        if (!x || !y || !w || !h) return E_POINTER;
        if (!IsItem(child)) return E_INVALIDARG;
        const RECT rc = m_items->ItemScreenRect(child.lVal);
        *x = rc.left;
        *y = rc.top;
        *w = rc.right - rc.left;
        *h = rc.bottom - rc.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override {
        if (!m_items || !end) return m_standard->accNavigate(dir, start, end);
        const long count = m_items->ItemCount();
        long to = 0;
        if (IsSelf(start) && (dir == NAVDIR_FIRSTCHILD || dir == NAVDIR_LASTCHILD)) {
            to = dir == NAVDIR_FIRSTCHILD ? 1 : count;
        } else if (IsItem(start) && (dir == NAVDIR_NEXT || dir == NAVDIR_RIGHT)) {
            to = start.lVal + 1;
        } else if (IsItem(start) && (dir == NAVDIR_PREVIOUS || dir == NAVDIR_LEFT)) {
            to = start.lVal - 1;
        } else {
            return m_standard->accNavigate(dir, start, end);
        }
        if (to < 1 || to > count) {
            end->vt = VT_EMPTY;
            return S_FALSE;
        }
        end->vt = VT_I4;
        end->lVal = to;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (m_items && child) {
            if (const long item = m_items->ItemAt(POINT{x, y})) {
                child->vt = VT_I4;
                child->lVal = item;
                return S_OK;
            }
        }
        return m_standard->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (IsSelf(child)) return m_standard->accDoDefaultAction(child);
        if (!IsItem(child)) return E_INVALIDARG;
        m_items->DoItemDefaultAction(child.lVal);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    bool IsItem(const VARIANT& child) const noexcept {
        return m_items && child.vt == VT_I4 && child.lVal >= 1 && child.lVal <= m_items->ItemCount();
    }

    LONG m_refs = 1;
    IAccessible* m_standard;
    std::wstring m_name;
    long m_role;
    IAccessibleItems* m_items;
};

}  // namespace

bool AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, const std::wstring& name, long role, LRESULT& result,
                     IAccessibleItems* items) noexcept {
    if (static_cast<long>(lp) != OBJID_CLIENT) return false;
    IAccessible* standard = nullptr;
    if (FAILED(::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard))) ||
        !standard) {
        return false;
    }
    auto* object = new (std::nothrow) CNamedAccessible(standard, name, role, items);
    if (!object) {
        standard->Release();
        return false;
    }
    result = ::LresultFromObject(IID_IAccessible, wp, object);
    object->Release();  // LresultFromObject holds its own reference
    return true;
}
