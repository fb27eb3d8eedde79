// The stand-in spreadsheet application's automation objects: workbook, sheets collection, sheet
// and range, late-bound by name through IDispatch (no type library).
#pragma once
#include <windows.h>
#include <oaidl.h>

namespace sheet {

// The workbook class ("Excel.Sheet").
extern const CLSID CLSID_KestrovaSheet;

// A new workbook with one sheet "Sheet1", queried for `iid`.
HRESULT CreateWorkbook(REFIID iid, void** object);

// Objects alive in this module plus class-factory locks, for DllCanUnloadNow.
LONG ModuleUsers();
void LockModule(bool lock);

// Writes and removes the class, its ProgIDs and the .xls file-type entries under
// HKLM\Software\Classes for the server DLL at `dllPath`.
HRESULT RegisterSheetServer(const wchar_t* dllPath);
HRESULT UnregisterSheetServer();

}  // namespace sheet
