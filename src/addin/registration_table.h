// What registering the add-in writes into the registry, as one table: the classes with their
// ProgIDs, the type library with the interface entries of its dual interfaces, and the Office
// add-in records of the three designers. DllRegisterServer and DllInstall write it, unregistering
// removes it, the installer packages are authored from its export, and the doctor reads the
// records it describes. Portable: no Windows types, text in UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvan::registration {

enum class Bitness { k32, k64 };

struct RegistryValue {
  enum class Kind { kText, kNumber };
  std::string name;  // empty: the key's default value
  Kind kind = Kind::kText;
  std::string text = {};
  std::uint32_t number = 0;
};

// How unregistering treats a key.
enum class Removal {
  kWithParent,  // goes with an enclosing key that is removed whole
  kTree,        // removed with everything below it, then its parents while empty, up to prune_stop
  kShared,      // removed (with its parents while empty, up to prune_stop) only when no platform
                // of the type library is left registered: both registry views share these keys
                // (the type library's version key, the ProgIDs)
};

// A key below the registry root (HKEY_LOCAL_MACHINE, or HKEY_CURRENT_USER for a registration
// per user), as seen in the registry view of the DLL's bitness, and the values written into it.
struct RegistryKey {
  std::string path;
  std::vector<RegistryValue> values;
  Removal removal = Removal::kWithParent;
  std::string prune_stop = {};  // for kTree and kShared: the ancestor where pruning stops
};

// The fixed identifiers.
inline constexpr std::string_view kLibraryId = "{DFD137AC-C0B2-4F02-B885-D3BEFA7C60D4}";
inline constexpr std::string_view kLibraryName = "OrvanpdfVtAddIn";
inline constexpr std::string_view kLibraryHelpString = "Orvan pdf Vatner COM AddIn Project";
inline constexpr std::string_view kLibraryVersion = "1.0";
// The library flags the compiled type library carries (LIBFLAG_FHASDISKIMAGE).
inline constexpr std::uint32_t kLibraryFlags = 8;
// The automation marshaller that serves every dual interface of the library.
inline constexpr std::string_view kOleAutomationProxy = "{00020424-0000-0000-C000-000000000046}";
inline constexpr std::uint32_t kLoadAtStartup = 3;

// An Office host as its registry keys name it.
struct OfficeHost {
  std::string_view key;  // "Word", "Excel", "PowerPoint": Software\Microsoft\Office\<key>
  std::string_view executable;
  std::string_view friendly_name;
  std::string_view description;
};

struct ComClass {
  std::string_view name;  // the class name; the ProgID is the library name, '.', the class name
  std::string_view clsid;
  std::string_view interface_id;  // its default interface, "_" + name
  const OfficeHost* office;       // the designers: the host that loads them; otherwise nullptr
};

extern const std::vector<OfficeHost> kOfficeHosts;
extern const std::vector<ComClass> kClasses;

std::string ProgId(const ComClass& com_class);
std::string InterfaceName(const ComClass& com_class);
// The designer Office creates in a host, or nullptr.
const ComClass* DesignerOf(const OfficeHost& host);

// Office's key of a host's add-in records, and the record of the designer.
std::string OfficeAddinsKey(const OfficeHost& host);
std::string OfficeAddinRecordKey(const ComClass& designer);
// Software\Classes\CLSID\{clsid} of a class.
std::string ClassKey(const ComClass& com_class);
// The type library's file entry: Software\Classes\TypeLib\{libid}\1.0\0\win32 or \win64.
std::string TypeLibraryPlatformKey(Bitness bitness);

// Every key registration writes, parents before children, for the DLL at module_path in
// module_folder (written as the type library's help folder, with its trailing backslash).
std::vector<RegistryKey> Entries(Bitness bitness, const std::string& module_path,
                                 const std::string& module_folder);

}  // namespace orvan::registration
