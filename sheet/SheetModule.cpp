// The in-process server's entry points: class object, unloading and registration.
#include <windows.h>
#include <objbase.h>

#include "SheetObjects.h"

namespace {

HMODULE g_module = nullptr;

class ClassFactory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = (iid == IID_IUnknown || iid == IID_IClassFactory) ? static_cast<IClassFactory*>(this) : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    // A static object: its references do not keep the module loaded, LockServer does.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object) *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return sheet::CreateWorkbook(iid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        sheet::LockModule(lock != FALSE);
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != sheet::CLSID_KestrovaSheet) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    return sheet::ModuleUsers() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = ::GetModuleFileNameW(g_module, path, ARRAYSIZE(path));
    if (length == 0 || length >= ARRAYSIZE(path)) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    return sheet::RegisterSheetServer(path);
}

STDAPI DllUnregisterServer() {
    return sheet::UnregisterSheetServer();
}
