// The type library embedded in the add-in as automation clients read it: the library, every
// class and interface, each member's kind and parameters in slot order, and the outside types
// resolved through the stand-in add-in designer and Office libraries, registered as Office's
// installer would.
#include <map>
#include <set>
#include <vector>

#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;

std::string NameOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
  win32::ScopedBstr name;
  info->GetDocumentation(id, name.Receive(), nullptr, nullptr, nullptr);
  return win32::BstrText(name.get());
}

// "{LIBID} major.minor" of a library.
std::string LibraryText(ITypeLib* lib) {
  TLIBATTR* attr = nullptr;
  if (FAILED(lib->GetLibAttr(&attr))) return "?";
  wchar_t guid[40] = {};
  StringFromGUID2(attr->guid, guid, 40);
  const std::string text = win32::Narrow(guid) + " " + std::to_string(attr->wMajorVerNum) + "." +
                           std::to_string(attr->wMinorVerNum);
  lib->ReleaseTLibAttr(attr);
  return text;
}

TYPEATTR Attributes(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  TYPEATTR copy{};
  if (SUCCEEDED(info->GetTypeAttr(&attr))) {
    copy = *attr;
    info->ReleaseTypeAttr(attr);
  }
  return copy;
}

// "NAME kind K flags F" of a type, or as expected.
std::string Shape(const std::string& name, int kind, int flags) {
  return name + " kind " + std::to_string(kind) + " flags " + std::to_string(flags);
}
std::string Shape(ITypeInfo* info) {
  const TYPEATTR attr = Attributes(info);
  return Shape(NameOf(info), attr.typekind, attr.wTypeFlags);
}

// Reads types and members as text, noting the library of every type it resolves by reference.
class Reader {
 public:
  std::map<std::string, std::string> referenced;  // type name -> its library

  std::string Referenced(ITypeInfo* info, HREFTYPE ref) {
    ComPtr<ITypeInfo> target;
    ComPtr<ITypeLib> lib;
    UINT index = 0;
    if (FAILED(info->GetRefTypeInfo(ref, target.Receive())) ||
        FAILED(target->GetContainingTypeLib(lib.Receive(), &index))) {
      return "?";
    }
    const std::string name = NameOf(target.get());
    referenced[name] = LibraryText(lib.get());
    return name;
  }

  std::string Type(ITypeInfo* info, const TYPEDESC& type) {
    static const std::map<VARTYPE, std::string> kNames = {
        {VT_VARIANT, "VARIANT"}, {VT_BOOL, "VARIANT_BOOL"}, {VT_I2, "short"},
        {VT_I4, "long"},         {VT_BSTR, "BSTR"},         {VT_DISPATCH, "IDispatch*"}};
    if (type.vt == VT_PTR) return Type(info, *type.lptdesc) + "*";
    if (type.vt == VT_USERDEFINED) return Referenced(info, type.hreftype);
    const auto it = kNames.find(type.vt);
    return it == kNames.end() ? "vt" + std::to_string(type.vt) : it->second;
  }

  // E.g. "get ToolbarButtons([in out] short*, [out retval] _CommandBarButton**)".
  std::string Member(ITypeInfo* info, const FUNCDESC& func) {
    static const std::map<INVOKEKIND, std::string> kKinds = {{INVOKE_FUNC, ""},
                                                             {INVOKE_PROPERTYGET, "get "},
                                                             {INVOKE_PROPERTYPUT, "put "},
                                                             {INVOKE_PROPERTYPUTREF, "putref "}};
    static const std::pair<USHORT, const char*> kMarks[] = {{PARAMFLAG_FIN, " in"},
                                                            {PARAMFLAG_FOUT, " out"},
                                                            {PARAMFLAG_FRETVAL, " retval"},
                                                            {PARAMFLAG_FOPT, " opt"}};
    std::string text = kKinds.at(func.invkind) + NameOf(info, func.memid) + "(";
    for (SHORT i = 0; i < func.cParams; ++i) {
      const ELEMDESC& param = func.lprgelemdescParam[i];
      const USHORT flags = param.paramdesc.wParamFlags;
      std::string marks;
      for (const auto& [flag, mark] : kMarks) {
        if (flags & flag) marks += mark;
      }
      if (flags & PARAMFLAG_FHASDEFAULT) {
        const VARIANT& value = param.paramdesc.pparamdescex->varDefaultValue;
        marks += " default " + (V_VT(&value) == VT_I4 ? std::to_string(V_I4(&value)) : "?");
      }
      text += (i ? ", [" : "[") + marks.substr(1) + "] " + Type(info, param.tdesc);
    }
    return text + ")";
  }
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

// The default interfaces' members in slot order, in the order of kClasses.
const std::string kDeInit = "DoDeInit([in opt default 0] ext_DisconnectMode)";
const std::vector<std::string> kMembers[] = {
    {"get AddinDsr([out retval] VARIANT*)", "put AddinDsr([in] VARIANT)",
     "putref AddinDsr([in] VARIANT)", "Init([in out] VARIANT*)", "DeInit([in out] VARIANT*)",
     "PushButtonEvent([in out] VARIANT*, [in out] CommandBarControl**)"},
    {"AddinInstance_Initialize()"},
    {"AddinInstance_Initialize()"},
    {"AddinInstance_Initialize()",
     "p_mctlBtnEvents_Click([in] _CommandBarButton*, [in out] VARIANT_BOOL*)",
     "p_mctlBtnEvents2_Click([in] _CommandBarButton*, [in out] VARIANT_BOOL*)"},
    Controller({"get PrintButton([out retval] _CommandBarButton**)",
                "putref PrintButton([in] _CommandBarButton*)"},
               {kDeInit}),
    Controller({}, {"DoDeInit([in] ext_DisconnectMode)"}),
    Controller({}, {kDeInit, "CheckIfDocumentIsAvailable([out retval] VARIANT_BOOL*)"}),
};

// With the stand-in libraries registered, as for the classes' tests.
using TypeLibraryWin32 = ComServerTest;

TEST_F(TypeLibraryWin32, DescribesEveryClassInterfaceAndMemberAndImportsTheOutsideTypes) {
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibEx(win32::Widen(ORVAN_ADDIN_DLL_PATH).c_str(), REGKIND_NONE, lib.Receive()),
            S_OK);
  // The library's identity, version, locale, platform and help string are what registration
  // writes (see the registration test); its name is not written there.
  const std::string own = "{DFD137AC-C0B2-4F02-B885-D3BEFA7C60D4} 1.0";
  EXPECT_EQ(LibraryText(lib.get()), own);
  win32::ScopedBstr name;
  ASSERT_EQ(lib->GetDocumentation(-1, name.Receive(), nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(win32::BstrText(name.get()), "OrvanpdfVtAddIn");

  Reader reader;
  for (std::size_t k = 0; k < std::size(kClasses); ++k) {
    const std::string class_name = kClasses[k].name;
    SCOPED_TRACE(class_name);
    // The default interface is dual: its dispatch side and its vtable side, where OLE Automation
    // reports oleautomation.
    ComPtr<ITypeInfo> dispatch, vtable, coclass;
    HREFTYPE ref = 0;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(Guid(kClasses[k].iid), dispatch.Receive()), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeInfo(ref, vtable.Receive()), S_OK);
    const int flags =
        TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
    EXPECT_EQ(Shape(dispatch.get()), Shape("_" + class_name, TKIND_DISPATCH, flags));
    EXPECT_EQ(Shape(vtable.get()),
              Shape("_" + class_name, TKIND_INTERFACE, flags | TYPEFLAG_FOLEAUTOMATION));

    // The members; a property's accessors share one DISPID, different names never do.
    std::vector<std::string> members;
    std::map<std::string, std::set<MEMBERID>> ids;
    std::set<MEMBERID> distinct;
    for (UINT i = 0; i < Attributes(vtable.get()).cFuncs; ++i) {
      FUNCDESC* func = nullptr;
      ASSERT_EQ(vtable->GetFuncDesc(i, &func), S_OK);
      members.push_back(reader.Member(vtable.get(), *func));
      ids[NameOf(vtable.get(), func->memid)].insert(func->memid);
      distinct.insert(func->memid);
      vtable->ReleaseFuncDesc(func);
    }
    EXPECT_EQ(members, kMembers[k]);
    EXPECT_EQ(distinct.size(), ids.size());

    // The class, creatable, with its interfaces (the first the default one).
    ASSERT_EQ(lib->GetTypeInfoOfGuid(Guid(kClasses[k].clsid), coclass.Receive()), S_OK);
    EXPECT_EQ(Shape(coclass.get()), Shape(class_name, TKIND_COCLASS, TYPEFLAG_FCANCREATE));
    std::vector<std::string> implemented;
    for (UINT i = 0; i < Attributes(coclass.get()).cImplTypes; ++i) {
      INT impl_flags = 0;
      ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
      ASSERT_EQ(coclass->GetImplTypeFlags(i, &impl_flags), S_OK);
      implemented.push_back(reader.Referenced(coclass.get(), ref) + " " +
                            std::to_string(impl_flags));
    }
    std::vector<std::string> wanted = {"_" + class_name + " 1"};
    if (kClasses[k].host) wanted.push_back("IDTExtensibility2 0");
    EXPECT_EQ(implemented, wanted);
  }

  // Every outside type resolved through the import, from the library it belongs to.
  std::map<std::string, std::string> outside;
  for (const auto& [type_name, library] : reader.referenced) {
    if (library != own) outside[type_name] = library;
  }
  const std::string office_lib = "{2DF8D04C-5BFA-101B-BDE5-00AA0044DE52} 2.2";
  const std::string designer_lib = "{AC0714F2-3D04-11D1-AE7D-00A0C90F26F4} 1.0";
  EXPECT_EQ(outside, (std::map<std::string, std::string>{{"CommandBarControl", office_lib},
                                                         {"_CommandBarButton", office_lib},
                                                         {"IDTExtensibility2", designer_lib},
                                                         {"ext_ConnectMode", designer_lib},
                                                         {"ext_DisconnectMode", designer_lib}}));
}

}  // namespace
}  // namespace orvan::testing
