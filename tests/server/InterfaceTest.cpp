// The type library made from the IDL: the vtable order and the event ids the client compiles
// against, and the ids COM finds the server by.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Com.h"
#include "Ostrel.h"
#include "TestSupport.h"

namespace {
// Each method of the interface in vtable order after IDispatch's seven, as "name" for methods,
// "get_name" / "put_name" for properties.
std::vector<std::wstring> VtableOrder(ITypeLib* library, REFIID iid) {
    ComPtr<ITypeInfo> info;
    std::vector<std::wstring> slots;
    if (FAILED(library->GetTypeInfoOfGuid(iid, info.Receive()))) return slots;
    ComPtr<ITypeInfo> vtable = info;
    // A dual interface's type info is the dispatch side; its vtable side is reference -1.
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> dual;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, dual.Receive())))
        vtable = dual;
    TYPEATTR* attr = nullptr;
    vtable->GetTypeAttr(&attr);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        vtable->GetFuncDesc(i, &f);
        Bstr name;
        vtable->GetDocumentation(f->memid, name.Receive(), nullptr, nullptr, nullptr);
        size_t slot = static_cast<size_t>(f->oVft / sizeof(void*)) - 7;
        if (slots.size() <= slot) slots.resize(slot + 1);
        std::wstring prefix = f->invkind == INVOKE_PROPERTYGET ? L"get_" : f->invkind == INVOKE_PROPERTYPUT ? L"put_" : L"";
        slots[slot] = prefix + name.Str();
        vtable->ReleaseFuncDesc(f);
    }
    vtable->ReleaseTypeAttr(attr);
    return slots;
}

ComPtr<ITypeLib> LoadLibrary() {
    ComPtr<ITypeLib> library;
    ::LoadTypeLibEx((BuildFolder() + L"ostrel.tlb").c_str(), REGKIND_NONE, library.Receive());
    return library;
}
}  // namespace

TEST(OstrelInterface, MethodsHoldTheirVtableSlots) {
    ComPtr<ITypeLib> library = LoadLibrary();
    ASSERT_TRUE(library);
    // "" marks a slot the client never calls; it must still be there.
    std::vector<std::wstring> server = VtableOrder(library.Get(), IID_IOstrelServer);
    std::vector<std::wstring> expectedServer = {L"", L"", L"", L"Disconnect", L"GetSensor", L"get_Sensors", L"",
                                                L"get_Version"};
    ASSERT_EQ(server.size(), expectedServer.size());
    for (size_t i = 0; i < server.size(); ++i) {
        if (!expectedServer[i].empty()) {
            EXPECT_EQ(server[i], expectedServer[i]) << i;
        }
    }

    std::vector<std::wstring> sensors = VtableOrder(library.Get(), IID_IOstrelSensors);
    ASSERT_EQ(sensors.size(), 3u);
    EXPECT_EQ(sensors[1], L"get_Item");
    EXPECT_EQ(sensors[2], L"get_Count");

    std::vector<std::wstring> sensor = VtableOrder(library.Get(), IID_IOstrelSensor);
    std::vector<std::wstring> expectedSensor = {
        L"get_Id",          L"",          L"get_Type",         L"",           L"get_Name",         L"put_Name",
        L"get_Description", L"put_Description", L"get_Enabled", L"put_Enabled", L"GetData",       L"GetLogPeriod",
        L"",                L"Remove",    L"",                 L"GetLastValue", L"get_SettingsIndex"};
    ASSERT_EQ(sensor.size(), expectedSensor.size());
    for (size_t i = 0; i < sensor.size(); ++i) {
        if (!expectedSensor[i].empty()) {
            EXPECT_EQ(sensor[i], expectedSensor[i]) << i;
        }
    }
}

TEST(OstrelInterface, EventsHaveTheirIdsAndParameterTypes) {
    ComPtr<ITypeLib> library = LoadLibrary();
    ASSERT_TRUE(library);
    ComPtr<ITypeInfo> events;
    ASSERT_EQ(library->GetTypeInfoOfGuid(DIID__IOstrelServerEvents, events.Receive()), S_OK);
    struct {
        MEMBERID id;
        const wchar_t* name;
        std::vector<VARTYPE> params;
    } expected[] = {{1, L"OnNewValue", {VT_UI4, VT_VARIANT}}, {2, L"OnMessage", {VT_BSTR}}};
    TYPEATTR* attr = nullptr;
    events->GetTypeAttr(&attr);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    ASSERT_EQ(attr->cFuncs, 2);
    events->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < 2; ++i) {
        FUNCDESC* f = nullptr;
        events->GetFuncDesc(i, &f);
        Bstr name;
        events->GetDocumentation(f->memid, name.Receive(), nullptr, nullptr, nullptr);
        EXPECT_EQ(f->memid, expected[i].id);
        EXPECT_EQ(name.Str(), expected[i].name);
        ASSERT_EQ(static_cast<size_t>(f->cParams), expected[i].params.size());
        for (SHORT p = 0; p < f->cParams; ++p) EXPECT_EQ(f->lprgelemdescParam[p].tdesc.vt, expected[i].params[p]);
        events->ReleaseFuncDesc(f);
    }
    // The coclass the client creates, with the id it is created by.
    ComPtr<ITypeInfo> coclass;
    EXPECT_EQ(library->GetTypeInfoOfGuid(CLSID_OstrelServer, coclass.Receive()), S_OK);
    TLIBATTR* libAttr = nullptr;
    library->GetLibAttr(&libAttr);
    EXPECT_TRUE(IsEqualGUID(libAttr->guid, LIBID_OstrelServerLib)) << "a corrupt library id breaks marshalling";
    library->ReleaseTLibAttr(libAttr);
}
