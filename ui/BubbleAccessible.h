// The bubble as assistive technology sees it: its client area is static
// text named with what the bubble shows, and a polite live region.
#ifndef GRINSEL_BUBBLEACCESSIBLE_H
#define GRINSEL_BUBBLEACCESSIBLE_H

#include <windows.h>
#include <oleacc.h>

class JokeBubble;

// The system's object for the client area, passed through, with its own
// name and role for the area itself: the bubble paints its text, so the
// system's object knows only the window's title. Of the system object's
// other interfaces it hands out only those that do not name the area.
class BubbleAccessible : public IAccessible {
public:
    // takes over the reference to standard
    BubbleAccessible(IAccessible* standard, const JokeBubble* bubble);
    virtual ~BubbleAccessible();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object);
    ULONG STDMETHODCALLTYPE AddRef();
    ULONG STDMETHODCALLTYPE Release();

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count);
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info);
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids);
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError);

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent);
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count);
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object);
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name);
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value);
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description);
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role);
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state);
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help);
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic);
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut);
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child);
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children);
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action);
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child);
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child);
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end);
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child);
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child);
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name);
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value);

private:
    IAccessible* standard;
    const JokeBubble* bubble;
    LONG references;
};

// The answer to WM_GETOBJECT for the bubble's client area, or 0 if there
// is none to give. Needs COM on the thread.
LRESULT bubbleClientObject(const JokeBubble* bubble, WPARAM wParam);

// Marks the client area as a polite live region, or takes the mark away;
// false if the system's property service is missing or refuses. Needs COM.
bool markLiveRegion(HWND window, bool live);

#endif
