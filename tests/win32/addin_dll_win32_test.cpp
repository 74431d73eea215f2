// The add-in library loads with all its imports resolved and answers as a COM server.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

namespace orvan::testing {
namespace {

TEST(AddinDllWin32, LoadsAndAnswersTheServerEntryPoints) {
  const HMODULE dll = LoadLibraryA(ORVAN_ADDIN_DLL_PATH);
  ASSERT_NE(dll, nullptr) << "error " << GetLastError();
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto can_unload =
      reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  const auto get_class = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
  ASSERT_NE(can_unload, nullptr);
  ASSERT_NE(get_class, nullptr);
  EXPECT_EQ(can_unload(), S_OK);
  void* factory = reinterpret_cast<void*>(1);
  EXPECT_EQ(get_class(IID_IUnknown, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
  FreeLibrary(dll);
}

}  // namespace
}  // namespace orvan::testing
