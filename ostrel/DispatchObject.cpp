#include "DispatchObject.h"

HRESULT ServerTypeInfo(REFIID iid, ITypeInfo** info) {
    static ComPtr<ITypeLib> library;
    static HRESULT loaded = [] {
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        return ::LoadTypeLibEx(path, REGKIND_NONE, library.Receive());
    }();
    if (FAILED(loaded)) return loaded;
    return library->GetTypeInfoOfGuid(iid, info);
}
