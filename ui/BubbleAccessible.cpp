#include "ui/BubbleAccessible.h"

#include <new>

#include "app/SystemLibrary.h"
#include "ui/JokeBubble.h"

// the live setting of UI Automation, as a property of the accessibility
// property service; the headers at hand do not name it
static const GUID LIVE_SETTING = {0xc12bcd8e, 0x2a8e, 0x4950,
                                  {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
static const LONG POLITE = 1;

static bool isSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

BubbleAccessible::BubbleAccessible(IAccessible* standard, const JokeBubble* bubble)
    : standard(standard), bubble(bubble), references(1)
{
}

BubbleAccessible::~BubbleAccessible()
{
    standard->Release();
}

HRESULT BubbleAccessible::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    // Of the system object only what is the same for ours: the children,
    // the window, the identity the live setting is keyed on. Never its
    // service provider, which hands out the system object itself (named
    // with the window's title) to whoever asks for the system's own proxy,
    // as the bridge to UI Automation does.
    if (iid == IID_IEnumVARIANT || iid == IID_IOleWindow || iid == IID_IAccIdentity)
        return standard->QueryInterface(iid, object);
    *object = NULL;
    return E_NOINTERFACE;
}

ULONG BubbleAccessible::AddRef()
{
    return InterlockedIncrement(&references);
}

ULONG BubbleAccessible::Release()
{
    LONG left = InterlockedDecrement(&references);
    if (!left)
        delete this;
    return left;
}

HRESULT BubbleAccessible::GetTypeInfoCount(UINT* count)
{
    return standard->GetTypeInfoCount(count);
}

HRESULT BubbleAccessible::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info)
{
    return standard->GetTypeInfo(index, locale, info);
}

HRESULT BubbleAccessible::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                        DISPID* ids)
{
    return standard->GetIDsOfNames(iid, names, count, locale, ids);
}

HRESULT BubbleAccessible::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                 UINT* argumentError)
{
    return standard->Invoke(id, iid, locale, flags, params, result, exception, argumentError);
}

HRESULT BubbleAccessible::get_accParent(IDispatch** parent)
{
    return standard->get_accParent(parent);
}

HRESULT BubbleAccessible::get_accChildCount(LONG* count)
{
    return standard->get_accChildCount(count);
}

HRESULT BubbleAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    return standard->get_accChild(child, object);
}

HRESULT BubbleAccessible::get_accName(VARIANT child, BSTR* name)
{
    // the text as the bubble paints it, line feeds and all
    const wchar_t* text = bubble->shownText();
    if (!isSelf(child) || !text)
        return standard->get_accName(child, name);
    if (!name)
        return E_POINTER;
    typedef BSTR(WINAPI * AllocProc)(const OLECHAR*);
    AllocProc alloc = (AllocProc)systemFunction("oleaut32.dll", "SysAllocString");
    *name = alloc ? alloc(text) : NULL;
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT BubbleAccessible::get_accValue(VARIANT child, BSTR* value)
{
    return standard->get_accValue(child, value);
}

HRESULT BubbleAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    return standard->get_accDescription(child, description);
}

HRESULT BubbleAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    if (!isSelf(child))
        return standard->get_accRole(child, role);
    if (!role)
        return E_POINTER;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_STATICTEXT;
    return S_OK;
}

HRESULT BubbleAccessible::get_accState(VARIANT child, VARIANT* state)
{
    return standard->get_accState(child, state);
}

HRESULT BubbleAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    return standard->get_accHelp(child, help);
}

HRESULT BubbleAccessible::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic)
{
    return standard->get_accHelpTopic(file, child, topic);
}

HRESULT BubbleAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return standard->get_accKeyboardShortcut(child, shortcut);
}

HRESULT BubbleAccessible::get_accFocus(VARIANT* child)
{
    return standard->get_accFocus(child);
}

HRESULT BubbleAccessible::get_accSelection(VARIANT* children)
{
    return standard->get_accSelection(children);
}

HRESULT BubbleAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return standard->get_accDefaultAction(child, action);
}

HRESULT BubbleAccessible::accSelect(LONG flags, VARIANT child)
{
    return standard->accSelect(flags, child);
}

HRESULT BubbleAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                      VARIANT child)
{
    return standard->accLocation(left, top, width, height, child);
}

HRESULT BubbleAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end)
{
    return standard->accNavigate(direction, start, end);
}

HRESULT BubbleAccessible::accHitTest(LONG x, LONG y, VARIANT* child)
{
    return standard->accHitTest(x, y, child);
}

HRESULT BubbleAccessible::accDoDefaultAction(VARIANT child)
{
    return standard->accDoDefaultAction(child);
}

HRESULT BubbleAccessible::put_accName(VARIANT child, BSTR name)
{
    return standard->put_accName(child, name);
}

HRESULT BubbleAccessible::put_accValue(VARIANT child, BSTR value)
{
    return standard->put_accValue(child, value);
}

LRESULT bubbleClientObject(const JokeBubble* bubble, WPARAM wParam)
{
    typedef HRESULT(WINAPI * CreateProc)(HWND, LONG, REFIID, void**);
    typedef LRESULT(WINAPI * ResultProc)(REFIID, WPARAM, LPUNKNOWN);
    CreateProc create = (CreateProc)systemFunction("oleacc.dll", "CreateStdAccessibleObject");
    ResultProc result = (ResultProc)systemFunction("oleacc.dll", "LresultFromObject");
    IAccessible* standard = NULL;
    if (!create || !result
        || FAILED(create(bubble->window(), OBJID_CLIENT, IID_IAccessible, (void**)&standard)))
        return 0;
    BubbleAccessible* object = new (std::nothrow) BubbleAccessible(standard, bubble);
    if (!object) {
        standard->Release();
        return 0;
    }
    LRESULT answer = result(IID_IAccessible, wParam, object);
    object->Release();  // the answer holds a reference of its own
    return answer > 0 ? answer : 0;
}

bool markLiveRegion(HWND window, bool live)
{
    IAccPropServices* service = NULL;
    if (FAILED(comCreate(CLSID_AccPropServices, IID_IAccPropServices, (void**)&service)))
        return false;
    HRESULT done;
    if (live) {
        VARIANT setting;
        setting.vt = VT_I4;
        setting.lVal = POLITE;
        done = service->SetHwndProp(window, OBJID_CLIENT, CHILDID_SELF, LIVE_SETTING, setting);
    } else {
        done = service->ClearHwndProps(window, OBJID_CLIENT, CHILDID_SELF, &LIVE_SETTING, 1);
    }
    service->Release();
    return SUCCEEDED(done);
}
