// The type library embedded in the add-in as automation clients read it: the library, every
// class and interface, each member's slot, kind and parameters, and the outside types resolved
// through the stand-in add-in designer and Office libraries, registered as Office's installer
// would.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32/com_win32.h"
#include "platform/win32/win32.h"
#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;
using win32::ScopedBstr;

std::string GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return win32::Narrow(text);
}

GUID GuidOf(const char* text) {
  GUID guid = {};
  CLSIDFromString(win32::Widen(text).c_str(), &guid);
  return guid;
}

std::string NameOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
  ScopedBstr name;
  info->GetDocumentation(id, name.Receive(), nullptr, nullptr, nullptr);
  return win32::BstrText(name.get());
}

// "{LIBID} major.minor" of the library that holds a type.
std::string LibraryOf(ITypeInfo* info) {
  ComPtr<ITypeLib> lib;
  UINT index = 0;
  if (FAILED(info->GetContainingTypeLib(lib.Receive(), &index))) return "?";
  TLIBATTR* attr = nullptr;
  lib->GetLibAttr(&attr);
  const std::string text = GuidText(attr->guid) + " " + std::to_string(attr->wMajorVerNum) + "." +
                           std::to_string(attr->wMinorVerNum);
  lib->ReleaseTLibAttr(attr);
  return text;
}

// Reads types and members as text, noting the library of every type it resolves by reference.
class Reader {
 public:
  std::map<std::string, std::string> referenced;  // type name -> its library

  std::string Referenced(ITypeInfo* info, HREFTYPE ref) {
    ComPtr<ITypeInfo> target;
    if (FAILED(info->GetRefTypeInfo(ref, target.Receive()))) return "?";
    const std::string name = NameOf(target.get());
    referenced[name] = LibraryOf(target.get());
    return name;
  }

  std::string Type(ITypeInfo* info, const TYPEDESC& type) {
    static const std::map<VARTYPE, std::string> kNames = {
        {VT_VARIANT, "VARIANT"}, {VT_BOOL, "VARIANT_BOOL"}, {VT_I2, "short"},
        {VT_I4, "long"},         {VT_BSTR, "BSTR"},         {VT_DISPATCH, "IDispatch*"},
        {VT_HRESULT, "HRESULT"}};
    if (type.vt == VT_PTR) return Type(info, *type.lptdesc) + "*";
    if (type.vt == VT_USERDEFINED) return Referenced(info, type.hreftype);
    const auto it = kNames.find(type.vt);
    return it == kNames.end() ? "vt" + std::to_string(type.vt) : it->second;
  }

  // E.g. "get ToolbarButtons([in out] short*, [out retval] _CommandBarButton**)".
  std::string Member(ITypeInfo* info, const FUNCDESC& func) {
    static const std::map<INVOKEKIND, std::string> kinds = {{INVOKE_FUNC, ""},
                                                            {INVOKE_PROPERTYGET, "get "},
                                                            {INVOKE_PROPERTYPUT, "put "},
                                                            {INVOKE_PROPERTYPUTREF, "putref "}};
    std::string text = kinds.at(func.invkind) + NameOf(info, func.memid) + "(";
    for (SHORT i = 0; i < func.cParams; ++i) {
      const ELEMDESC& param = func.lprgelemdescParam[i];
      const USHORT flags = param.paramdesc.wParamFlags;
      std::string marks;
      static const std::pair<USHORT, const char*> kMarks[] = {{PARAMFLAG_FIN, "in"},
                                                              {PARAMFLAG_FOUT, "out"},
                                                              {PARAMFLAG_FRETVAL, "retval"},
                                                              {PARAMFLAG_FOPT, "opt"}};
      for (const auto& [flag, mark] : kMarks) {
        if (flags & flag) marks += (marks.empty() ? "" : " ") + std::string(mark);
      }
      if (flags & PARAMFLAG_FHASDEFAULT) {
        const VARIANT& value = param.paramdesc.pparamdescex->varDefaultValue;
        marks += " default " + (V_VT(&value) == VT_I4 ? std::to_string(V_I4(&value)) : "?");
      }
      text += (i ? ", [" : "[") + marks + "] " + Type(info, param.tdesc);
    }
    return text + ")";
  }
};

// A class with its default interface ("_" and its name) and that interface's members in slot
// order; the designers Office connects to implement IDTExtensibility2 as well.
struct ExpectedClass {
  const char* name;
  const char* clsid;
  const char* iid;
  bool extensible;
  std::vector<std::string> members;
};

// The designers' controller interface: its common members around the ones that differ.
std::vector<std::string> Controller(std::vector<std::string> print_button,
                                    std::vector<std::string> last) {
  std::vector<std::string> members = {"get RegistryNotUsable([out retval] VARIANT_BOOL*)",
                                      "get GlobalhWnd([out retval] VARIANT*)",
                                      "put GlobalhWnd([in] VARIANT)",
                                      "get AppInstance([out retval] IDispatch**)",
                                      "putref AppInstance([in] IDispatch*)",
                                      "get Menubar([out retval] VARIANT*)",
                                      "put Menubar([in] VARIANT)"};
  members.insert(members.end(), print_button.begin(), print_button.end());
  members.insert(
      members.end(),
      {"get ToolbarButtons([in out] short*, [out retval] _CommandBarButton**)",
       "get MenubarButtons([in out] short*, [out retval] _CommandBarButton**)", "Initialize()",
       "BtnEvents_Click([in] _CommandBarButton*, [in out] VARIANT_BOOL*)",
       "DoInit([in] IDispatch*, [in opt default 0] ext_ConnectMode, [in opt] VARIANT)"});
  members.insert(members.end(), last.begin(), last.end());
  return members;
}

const char* const kOffice = "{2DF8D04C-5BFA-101B-BDE5-00AA0044DE52} 2.2";
const char* const kDesigner = "{AC0714F2-3D04-11D1-AE7D-00A0C90F26F4} 1.0";

TEST(TypeLibraryWin32, DescribesEveryClassInterfaceAndMemberAndImportsTheOutsideTypes) {
  const StandIn designer(ORVAN_ADDIN_DESIGNER_TLB_PATH);
  const StandIn office(ORVAN_OFFICE_TLB_PATH);
  ASSERT_TRUE(designer.registered() && office.registered());

  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibEx(win32::Widen(ORVAN_ADDIN_DLL_PATH).c_str(), REGKIND_NONE, lib.Receive()),
            S_OK);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(GuidText(attr->guid), "{DFD137AC-C0B2-4F02-B885-D3BEFA7C60D4}");
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 0u);
  EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  lib->ReleaseTLibAttr(attr);
  ScopedBstr name, help;
  ASSERT_EQ(lib->GetDocumentation(-1, name.Receive(), help.Receive(), nullptr, nullptr), S_OK);
  EXPECT_EQ(win32::BstrText(name.get()), "OrvanpdfVtAddIn");
  EXPECT_EQ(win32::BstrText(help.get()), "Orvan pdf Vatner COM AddIn Project");
  // Seven classes and their seven interfaces; the outside types are referred to, not copied.
  EXPECT_EQ(lib->GetTypeInfoCount(), 14u);

  const std::vector<std::string> designer_click = {
      "AddinInstance_Initialize()",
      "p_mctlBtnEvents_Click([in] _CommandBarButton*, [in out] VARIANT_BOOL*)",
      "p_mctlBtnEvents2_Click([in] _CommandBarButton*, [in out] VARIANT_BOOL*)"};
  const std::vector<std::string> print_button = {
      "get PrintButton([out retval] _CommandBarButton**)",
      "putref PrintButton([in] _CommandBarButton*)"};
  const std::string optional_deinit = "DoDeInit([in opt default 0] ext_DisconnectMode)";
  const std::vector<ExpectedClass> classes = {
      {"Addin",
       "{22A03E1D-5747-4F3C-A3B0-718EBAC5CB60}",
       "{955D02B4-BFA3-4956-AEAA-A9837EBFDC49}",
       false,
       {"get AddinDsr([out retval] VARIANT*)", "put AddinDsr([in] VARIANT)",
        "putref AddinDsr([in] VARIANT)", "Init([in out] VARIANT*)", "DeInit([in out] VARIANT*)",
        "PushButtonEvent([in out] VARIANT*, [in out] CommandBarControl**)"}},
      {"dsrPdfVtAddinExcel",
       "{20E545B0-613F-4AF2-ACC8-C776FC3E9EFC}",
       "{ADCAAC4E-ECC4-4660-9992-6B494508A331}",
       true,
       {"AddinInstance_Initialize()"}},
      {"dsrPdfVtAddinPowerpoint",
       "{D76F6F12-B1B9-4C98-8500-17152104A472}",
       "{82E499ED-554B-46DB-A082-F078C658EBB0}",
       true,
       {"AddinInstance_Initialize()"}},
      {"dsrPdfVtAddinWord", "{5AE15024-866A-4778-82EB-68F516E45DF5}",
       "{94800EBA-8B22-40BB-9C35-A7260504194F}", true, designer_click},
      {"ExcelDesigner", "{A21C133D-ABA4-434F-ABAA-FDDC5EC1CBC8}",
       "{8122E544-3BB9-4D13-8F51-2A6944E74564}", false,
       Controller(print_button, {optional_deinit})},
      {"PowerPointDesigner", "{F680BF36-87A9-4C09-A53F-252B6ED6FA2F}",
       "{311C4353-D396-4E14-B4E5-FF0A4DD044BA}", false,
       Controller({}, {"DoDeInit([in] ext_DisconnectMode)"})},
      {"WordDesigner", "{5C7BA2AE-FFFC-40EC-8573-BBEBD74F1177}",
       "{322CD265-FE0C-4E69-9EA6-62AFDAA79AD1}", false,
       Controller({}, {optional_deinit, "CheckIfDocumentIsAvailable([out retval] VARIANT_BOOL*)"})},
  };

  Reader reader;
  for (const ExpectedClass& expected : classes) {
    SCOPED_TRACE(expected.name);
    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(GuidOf(expected.iid), dispatch.Receive()), S_OK);
    EXPECT_EQ(NameOf(dispatch.get()), std::string("_") + expected.name);
    TYPEATTR* type = nullptr;
    ASSERT_EQ(dispatch->GetTypeAttr(&type), S_OK);
    EXPECT_EQ(type->typekind, TKIND_DISPATCH);
    // OLE Automation reports oleautomation on the vtable side of a dual interface only.
    const WORD flags =
        TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
    EXPECT_EQ(type->wTypeFlags, flags);
    dispatch->ReleaseTypeAttr(type);

    // The vtable side: IDispatch's seven slots, then the members in order, each an HRESULT.
    HREFTYPE vtable_ref = 0;
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &vtable_ref), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeInfo(vtable_ref, vtable.Receive()), S_OK);
    ASSERT_EQ(vtable->GetTypeAttr(&type), S_OK);
    const WORD count = type->cFuncs;
    EXPECT_EQ(type->typekind, TKIND_INTERFACE);
    EXPECT_EQ(type->wTypeFlags, flags | TYPEFLAG_FOLEAUTOMATION);
    vtable->ReleaseTypeAttr(type);
    std::vector<std::string> members;
    std::map<std::string, MEMBERID> ids;
    for (UINT i = 0; i < count; ++i) {
      FUNCDESC* func = nullptr;
      ASSERT_EQ(vtable->GetFuncDesc(i, &func), S_OK);
      const std::string member = reader.Member(vtable.get(), *func);
      members.push_back(member);
      EXPECT_EQ(func->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << member;
      EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT) << member;
      // A property's accessors share one DISPID; different names never do.
      const auto [place, added] = ids.emplace(NameOf(vtable.get(), func->memid), func->memid);
      EXPECT_TRUE(added || place->second == func->memid) << member;
      vtable->ReleaseFuncDesc(func);
    }
    EXPECT_EQ(members, expected.members);
    std::map<MEMBERID, std::string> names;
    for (const auto& [member_name, id] : ids)
      names.emplace(id, member_name);
    EXPECT_EQ(names.size(), ids.size());

    // The class, with its interfaces.
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(GuidOf(expected.clsid), info.Receive()), S_OK);
    EXPECT_EQ(NameOf(info.get()), expected.name);
    ASSERT_EQ(info->GetTypeAttr(&type), S_OK);
    const WORD interface_count = type->cImplTypes;
    EXPECT_EQ(type->typekind, TKIND_COCLASS);
    EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FCANCREATE);
    info->ReleaseTypeAttr(type);
    std::vector<std::string> implemented;
    for (UINT i = 0; i < interface_count; ++i) {
      HREFTYPE ref = 0;
      INT impl_flags = 0;
      ASSERT_EQ(info->GetRefTypeOfImplType(i, &ref), S_OK);
      ASSERT_EQ(info->GetImplTypeFlags(i, &impl_flags), S_OK);
      EXPECT_EQ(impl_flags, i == 0 ? IMPLTYPEFLAG_FDEFAULT : 0);
      implemented.push_back(reader.Referenced(info.get(), ref));
    }
    std::vector<std::string> wanted = {std::string("_") + expected.name};
    if (expected.extensible) wanted.push_back("IDTExtensibility2");
    EXPECT_EQ(implemented, wanted);
  }

  // Every outside type resolved through the import, from the library it belongs to.
  std::map<std::string, std::string> outside;
  const std::string own = "{DFD137AC-C0B2-4F02-B885-D3BEFA7C60D4} 1.0";
  for (const auto& [type_name, library] : reader.referenced) {
    if (library != own) outside[type_name] = library;
  }
  EXPECT_EQ(outside, (std::map<std::string, std::string>{{"CommandBarControl", kOffice},
                                                         {"_CommandBarButton", kOffice},
                                                         {"IDTExtensibility2", kDesigner},
                                                         {"ext_ConnectMode", kDesigner},
                                                         {"ext_DisconnectMode", kDesigner}}));
}

}  // namespace
}  // namespace orvan::testing
