// The server's classes: each class's identities and creator, in the one table that the class
// factory serves.
#pragma once

#include "addin/com_object_win32.h"

namespace orvan::win32 {

using Creator = HRESULT (*)(REFIID iid, void** out) noexcept;

struct ClassEntry {
  const ClassIds& ids;
  Creator create;
};

// One per class file.
HRESULT CreateAddin(REFIID iid, void** out) noexcept;
HRESULT CreateDsrPdfVtAddinExcel(REFIID iid, void** out) noexcept;
HRESULT CreateDsrPdfVtAddinPowerpoint(REFIID iid, void** out) noexcept;
HRESULT CreateDsrPdfVtAddinWord(REFIID iid, void** out) noexcept;
HRESULT CreateExcelDesigner(REFIID iid, void** out) noexcept;
HRESULT CreatePowerPointDesigner(REFIID iid, void** out) noexcept;
HRESULT CreateWordDesigner(REFIID iid, void** out) noexcept;

inline constexpr ClassEntry kClasses[] = {
    {kAddinIds, CreateAddin},
    {kDsrExcelIds, CreateDsrPdfVtAddinExcel},
    {kDsrPowerpointIds, CreateDsrPdfVtAddinPowerpoint},
    {kDsrWordIds, CreateDsrPdfVtAddinWord},
    {kExcelDesignerIds, CreateExcelDesigner},
    {kPowerPointDesignerIds, CreatePowerPointDesigner},
    {kWordDesignerIds, CreateWordDesigner},
};

// DllCanUnloadNow: S_OK when no object of the server is alive and no class object is locked; the
// modules' per-thread state (the job API library among it) is then freed here, in an ordinary
// call, rather than when the DLL is detached under the loader lock.
HRESULT CanUnloadNow() noexcept;

// DllGetClassObject: a new class factory for a class of the table.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept;

}  // namespace orvan::win32
