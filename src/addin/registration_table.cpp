#include "addin/registration_table.h"

namespace orvan::registration {

const std::vector<OfficeHost> kOfficeHosts = {
    // "Pdf" in Excel's texts, "pdf" in the others'.
    {"Word", "WINWORD.EXE", "Orvan pdf vatner Add-in", "Orvan pdf vatner Add-in for Word"},
    {"Excel", "EXCEL.EXE", "Orvan Pdf vatner Add-in", "Orvan Pdf vatner Add-in for Excel"},
    {"PowerPoint", "POWERPNT.EXE", "Orvan pdf vatner Add-in",
     "Orvan pdf vatner Add-in for Powerpoint"},
};

const std::vector<ComClass> kClasses = {
    {"Addin", "{22A03E1D-5747-4F3C-A3B0-718EBAC5CB60}", "{955D02B4-BFA3-4956-AEAA-A9837EBFDC49}",
     nullptr},
    {"dsrPdfVtAddinExcel", "{20E545B0-613F-4AF2-ACC8-C776FC3E9EFC}",
     "{ADCAAC4E-ECC4-4660-9992-6B494508A331}", &kOfficeHosts[1]},
    {"dsrPdfVtAddinPowerpoint", "{D76F6F12-B1B9-4C98-8500-17152104A472}",
     "{82E499ED-554B-46DB-A082-F078C658EBB0}", &kOfficeHosts[2]},
    {"dsrPdfVtAddinWord", "{5AE15024-866A-4778-82EB-68F516E45DF5}",
     "{94800EBA-8B22-40BB-9C35-A7260504194F}", &kOfficeHosts[0]},
    {"ExcelDesigner", "{A21C133D-ABA4-434F-ABAA-FDDC5EC1CBC8}",
     "{8122E544-3BB9-4D13-8F51-2A6944E74564}", nullptr},
    {"PowerPointDesigner", "{F680BF36-87A9-4C09-A53F-252B6ED6FA2F}",
     "{311C4353-D396-4E14-B4E5-FF0A4DD044BA}", nullptr},
    {"WordDesigner", "{5C7BA2AE-FFFC-40EC-8573-BBEBD74F1177}",
     "{322CD265-FE0C-4E69-9EA6-62AFDAA79AD1}", nullptr},
};

namespace {

constexpr std::string_view kClassesKey = "Software\\Classes\\";

std::string Join(std::string_view a, std::string_view b) {
  return std::string(a) + std::string(b);
}

RegistryValue Text(std::string name, std::string text) {
  return {std::move(name), RegistryValue::Kind::kText, std::move(text)};
}

RegistryValue Number(std::string name, std::uint32_t number) {
  return {std::move(name), RegistryValue::Kind::kNumber, {}, number};
}

std::string TypeLibraryKey() {
  return Join(kClassesKey, "TypeLib\\") + std::string(kLibraryId);
}

}  // namespace

std::string ProgId(const ComClass& com_class) {
  return Join(kLibraryName, ".") + std::string(com_class.name);
}

std::string InterfaceName(const ComClass& com_class) {
  return Join("_", com_class.name);
}

const ComClass* DesignerOf(const OfficeHost& host) {
  for (const ComClass& com_class : kClasses) {
    if (com_class.office == &host) return &com_class;
  }
  return nullptr;
}

std::string OfficeAddinsKey(const OfficeHost& host) {
  return Join("Software\\Microsoft\\Office\\", host.key) + "\\Addins";
}

std::string OfficeAddinRecordKey(const ComClass& designer) {
  return OfficeAddinsKey(*designer.office) + "\\" + ProgId(designer);
}

std::string ClassKey(const ComClass& com_class) {
  return Join(kClassesKey, "CLSID\\") + std::string(com_class.clsid);
}

std::string TypeLibraryPlatformKey(Bitness bitness) {
  return TypeLibraryKey() + "\\" + std::string(kLibraryVersion) + "\\0\\" +
         (bitness == Bitness::k64 ? "win64" : "win32");
}

std::vector<RegistryKey> Entries(Bitness bitness, const std::string& module_path,
                                 const std::string& module_folder) {
  std::vector<RegistryKey> keys;
  const auto add = [&keys](std::string path, std::vector<RegistryValue> values,
                           Removal removal = Removal::kWithParent, std::string stop = {}) {
    keys.push_back({std::move(path), std::move(values), removal, std::move(stop)});
  };

  // The type library: version key with its name, flags and help folder, the file per platform.
  const std::string version = TypeLibraryKey() + "\\" + std::string(kLibraryVersion);
  add(version, {Text("", std::string(kLibraryHelpString))}, Removal::kShared,
      Join(kClassesKey, "TypeLib"));
  add(version + "\\FLAGS", {Text("", std::to_string(kLibraryFlags))});
  add(version + "\\HELPDIR", {Text("", module_folder)});
  add(TypeLibraryPlatformKey(bitness), {Text("", module_path)}, Removal::kTree, version);

  for (const ComClass& com_class : kClasses) {
    const std::string prog_id = ProgId(com_class);
    const std::string class_key = ClassKey(com_class);
    add(class_key, {Text("", prog_id)}, Removal::kTree, Join(kClassesKey, "CLSID"));
    add(class_key + "\\InprocServer32",
        {Text("", module_path), Text("ThreadingModel", "Apartment")});
    add(class_key + "\\ProgID", {Text("", prog_id)});
    add(class_key + "\\TypeLib", {Text("", std::string(kLibraryId))});
    add(class_key + "\\Version", {Text("", std::string(kLibraryVersion))});
    add(Join(kClassesKey, prog_id), {Text("", prog_id)}, Removal::kShared,
        std::string(kClassesKey.substr(0, kClassesKey.size() - 1)));
    add(Join(kClassesKey, prog_id) + "\\CLSID", {Text("", std::string(com_class.clsid))});

    // The interface entry of its default interface, marshalled by OLE Automation.
    const std::string interface_key =
        Join(kClassesKey, "Interface\\") + std::string(com_class.interface_id);
    add(interface_key, {Text("", InterfaceName(com_class))}, Removal::kTree,
        Join(kClassesKey, "Interface"));
    add(interface_key + "\\ProxyStubClsid", {Text("", std::string(kOleAutomationProxy))});
    add(interface_key + "\\ProxyStubClsid32", {Text("", std::string(kOleAutomationProxy))});
    add(interface_key + "\\TypeLib",
        {Text("", std::string(kLibraryId)), Text("Version", std::string(kLibraryVersion))});

    // Office's add-in record; the keys above it go when nothing else is left in them, as on a
    // machine where registration made them.
    if (com_class.office != nullptr) {
      add(OfficeAddinRecordKey(com_class),
          {Text("FriendlyName", std::string(com_class.office->friendly_name)),
           Text("Description", std::string(com_class.office->description)),
           Number("LoadBehavior", kLoadAtStartup)},
          Removal::kTree, "Software\\Microsoft");
    }
  }
  return keys;
}

}  // namespace orvan::registration
