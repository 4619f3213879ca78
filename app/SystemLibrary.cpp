#include "app/SystemLibrary.h"

#include <objbase.h>

FARPROC systemFunction(const char* library, const char* name)
{
    // a library loaded once stays: the next call finds it already mapped
    HMODULE module = LoadLibraryA(library);
    return module ? GetProcAddress(module, name) : NULL;
}

bool comBegin()
{
    typedef HRESULT(WINAPI * InitializeProc)(LPVOID, DWORD);
    InitializeProc initialize = (InitializeProc)systemFunction("ole32.dll", "CoInitializeEx");
    // S_FALSE (already initialised) counts too and must be paired as well
    return initialize && SUCCEEDED(initialize(NULL, COINIT_APARTMENTTHREADED));
}

void comEnd()
{
    typedef void(WINAPI * UninitializeProc)();
    UninitializeProc uninitialize = (UninitializeProc)systemFunction("ole32.dll", "CoUninitialize");
    if (uninitialize)
        uninitialize();
}

HRESULT comCreate(REFCLSID clsid, REFIID iid, void** object)
{
    typedef HRESULT(WINAPI * CreateProc)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    CreateProc create = (CreateProc)systemFunction("ole32.dll", "CoCreateInstance");
    *object = NULL;
    return create ? create(clsid, NULL, CLSCTX_INPROC_SERVER, iid, object) : E_NOINTERFACE;
}
