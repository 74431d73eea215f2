// The doctor against a fake machine: healthy, the usual ways the toolbar goes missing, what
// --fix changes, wrong usage.
#include "doctor/doctor.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace orvan::doctor {

bool operator==(const RegistryData& a, const RegistryData& b) {
  return a.name == b.name && a.type == b.type && a.bytes == b.bytes;
}

namespace {

std::vector<std::uint8_t> Utf16(const std::string& ascii) {
  std::vector<std::uint8_t> bytes;
  for (const char c : ascii)
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
  return bytes;
}

RegistryData Text(const std::string& name, const std::string& text) {
  return {name, kRegSz, Utf16(text + '\0')};
}

RegistryData Dword(const std::string& name, std::uint32_t number) {
  return {name, kRegDword, {static_cast<std::uint8_t>(number), 0, 0, 0}};
}

// Keys by root, view and path; values by name.
class FakeSystem final : public System {
 public:
  using ValueMap = std::map<std::string, RegistryData>;
  std::map<std::string, ValueMap> keys;
  std::map<std::string, std::optional<Bits>> files;
  std::map<std::string, PathFacts> paths = {{"C:\\Logs\\", {true, true}}};
  std::optional<std::string> trace;
  // Error 512 without a failed initialisation tells nothing.
  LibraryProbe probe = {true, 0, {}, "Orvan pdf vatner", {1, 1, 1, 512}, "1031"};
  bool machine_read_only = false;

  static std::string Id(Root root, View view, const std::string& key) {
    return std::to_string(static_cast<int>(root) * 2 + static_cast<int>(view)) + key;
  }
  void Set(Root root, View view, const std::string& key, const RegistryData& data) {
    keys[Id(root, view, key)][data.name] = data;
  }

  Bits OwnBits() const override { return Bits::k64; }
  bool HasTwoViews() const override { return true; }
  bool KeyExists(Root root, View view, const std::string& key) override {
    return keys.contains(Id(root, view, key));
  }
  std::optional<RegistryData> ReadValue(Root root, View view, const std::string& key,
                                        const std::string& name) override {
    const auto k = keys.find(Id(root, view, key));
    if (k == keys.end() || !k->second.contains(name)) return std::nullopt;
    return k->second.at(name);
  }
  std::vector<RegistryData> Values(Root root, View view, const std::string& key) override {
    std::vector<RegistryData> values;
    for (const auto& [name, data] :
         keys.contains(Id(root, view, key)) ? keys.at(Id(root, view, key)) : ValueMap{})
      values.push_back(data);
    return values;
  }
  std::vector<std::string> SubKeys(Root, View, const std::string&) override { return {"16.0"}; }
  std::uint32_t WriteNumber(Root root, View view, const std::string& key, const std::string& name,
                            std::uint32_t number) override {
    if (root == Root::kLocalMachine && machine_read_only) return 5;
    Set(root, view, key, Dword(name, number));
    return 0;
  }
  std::uint32_t DeleteValue(Root root, View view, const std::string& key,
                            const std::string& name) override {
    const auto k = keys.find(Id(root, view, key));
    return k != keys.end() && k->second.erase(name) ? 0 : 2;
  }
  bool FileExists(const std::string& path) override { return files.contains(path); }
  PathFacts Facts(const std::string& path) override {
    return paths.contains(path) ? paths.at(path) : PathFacts{};
  }
  std::optional<Bits> ProgramBits(const std::string& path) override { return files.at(path); }
  LibraryProbe ProbeJobApi(const std::string&, const std::vector<std::string>&) override {
    return probe;
  }
  std::vector<std::string> Printers() override { return {"Orvan pdf vatner"}; }
  std::optional<std::string> Environment(const std::string&) override { return trace; }
};

constexpr Root kHklm = Root::kLocalMachine;
constexpr Root kHkcu = Root::kCurrentUser;
const std::string kWordRecord =
    "Software\\Microsoft\\Office\\Word\\Addins\\OrvanpdfVtAddIn.dsrPdfVtAddinWord";
const std::string kDisabled = "Software\\Microsoft\\Office\\16.0\\Word\\Resiliency\\DisabledItems";
const std::string kDll = "C:\\Orvan\\OrvanpdfVtAddin.dll";

// 64-bit Office with the 64-bit add-in registered as the package leaves it, and another add-in
// disabled by Office.
FakeSystem Healthy() {
  FakeSystem s;
  for (const registration::ComClass& c : registration::kClasses) {
    if (!c.office) continue;
    const std::string exe(c.office->executable);
    s.Set(kHklm, View::k64, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + exe,
          Text("", "C:\\Office\\" + exe));
    s.files["C:\\Office\\" + exe] = Bits::k64;
    s.Set(kHklm, View::k64, registration::OfficeAddinRecordKey(c), Dword("LoadBehavior", 3));
    s.Set(kHklm, View::k64, registration::ClassKey(c) + "\\InprocServer32", Text("", kDll));
  }
  s.files[kDll] = s.files["C:\\Orvan\\OrvanpdfVtAPI.dll"] = Bits::k64;
  s.Set(kHkcu, View::k64, kDisabled, {"7f01", kRegBinary, Utf16("C:\\Other\\other.dll")});
  return s;
}

// The trace variable naming C:\Logs\addin.log, a file the machine shows so.
std::function<void(FakeSystem&)> Tracing(PathFacts file) {
  return [=](FakeSystem& s) { s.paths[*(s.trace = "C:\\Logs\\addin.log")] = file; };
}

// Office's list of disabled items holds the entry.
std::function<void(FakeSystem&)> DisabledItem(RegistryData entry) {
  return [=](FakeSystem& s) { s.Set(kHkcu, View::k64, kDisabled, entry); };
}

// The test job opens, takes the printer's name, and its settings fail to initialise with the error.
std::function<void(FakeSystem&)> JobInitFails(std::int32_t error) {
  return [=](FakeSystem& s) { s.probe.job = {1, 1, 0, error}; };
}

int RunDoctor(FakeSystem& s, const std::vector<std::string>& arguments, std::string& out) {
  std::string err;
  return doctor::Run(s, arguments, out, err);
}

TEST(Doctor, FindsWhyTheToolbarIsMissing) {
  // As Office writes it: a small header, then the DLL's path in UTF-16, here in lower case.
  const auto office_entry = Utf16(std::string(6, '\0') + "c:\\orvan\\orvanpdfvtaddin.dll");
  const struct {
    const char* name;
    std::function<void(FakeSystem&)> change;
    int exit_code;
    const char* line;  // a line that starts so must be there
  } cases[] = {
      {"healthy", [](FakeSystem&) {}, 0, "OK      LoadBehavior 3"},
      {"healthy, tracing", [](FakeSystem& s) { s.trace = "C:\\Logs\\addin.log"; }, 0,
       "OK      Trace file \"C:\\Logs\\addin.log\" does not exist yet"},
      {"trace into a missing folder", [](FakeSystem& s) { s.trace = "C:\\Temp\\addin.log"; }, 0,
       "WARNING The trace file's folder C:\\Temp\\ does not exist"},
      {"trace path a folder", [](FakeSystem& s) { s.trace = "C:\\Logs\\"; }, 0,
       "WARNING Trace path \"C:\\Logs\\\" is a folder"},
      {"trace file read-only", Tracing({true, false, true}), 0,
       "WARNING Trace file \"C:\\Logs\\addin.log\" is read-only"},
      {"trace file large", Tracing({true, false, false, 300u << 20}), 0,
       "WARNING Trace file \"C:\\Logs\\addin.log\" holds 300 MB"},
      {"healthy, French", [](FakeSystem& s) { s.probe.language = "3084"; }, 0,
       "OK      Captions in French (the PDF printer product's language 3084)"},
      {"product language no number", [](FakeSystem& s) { s.probe.language = "    "; }, 0,
       "WARNING The PDF printer product's language \"    \" is no number (error 13)"},
      {"no job opens", [](FakeSystem& s) { s.probe.job.create = 0; }, 1,
       "ERROR   The job API opens no job (OrvanPdfVtJobCreate gives 0)"},
      {"printer not found for a job", JobInitFails(0x7F0200), 1,
       "ERROR   The job API does not find the printer \"Orvan pdf vatner\" for a job (error 512)"},
      {"healthy, settings not initialised", JobInitFails(5), 0,
       "OK      A job on \"Orvan pdf vatner\" opens (its settings do not initialise, error 5"},
      {"trace path relative", [](FakeSystem& s) { s.trace = "addin.log"; }, 0,
       "WARNING Trace path \"addin.log\" is relative"},
      {"trace path unexpanded", [](FakeSystem& s) { s.trace = "%TEMP%\\addin.log"; }, 0,
       "WARNING Trace path \"%TEMP%\\addin.log\" holds a %variable%"},
      {"soft-disabled",
       [](FakeSystem& s) { s.Set(kHklm, View::k64, kWordRecord, Dword("LoadBehavior", 2)); }, 1,
       "ERROR   LoadBehavior 2: soft-disabled"},
      {"hard-disabled by Office", DisabledItem({"2b", kRegBinary, office_entry}), 1,
       "ERROR   Hard-disabled"},
      {"hard-disabled by officesim", DisabledItem(Text("OrvanpdfVtAddIn.dsrPdfVtAddinWord", "")), 1,
       "ERROR   Hard-disabled"},
      {"64-bit registration for a 32-bit Word",
       [](FakeSystem& s) { s.files["C:\\Office\\WINWORD.EXE"] = Bits::k32; }, 1,
       "ERROR   This registration is for 64-bit Office, but Word is 32-bit"},
      {"job API library missing",
       [](FakeSystem& s) { s.files.erase("C:\\Orvan\\OrvanpdfVtAPI.dll"); }, 1,
       "ERROR   Job API library C:\\Orvan\\OrvanpdfVtAPI.dll is missing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem s = Healthy();
    c.change(s);
    std::string out;
    EXPECT_EQ(RunDoctor(s, {}, out), c.exit_code);
    EXPECT_NE(out.find("\n" + std::string(c.line)), std::string::npos) << out;
    // Only a healthy machine has neither warnings nor errors.
    EXPECT_EQ(out.find("\nWARNING") == out.npos && out.find("\nERROR") == out.npos,
              std::string(c.name).starts_with("healthy"))
        << out;
  }
}

TEST(Doctor, FixSetsLoadBehaviorAndRemovesOnlyTheAddinsResiliencyValues) {
  FakeSystem s = Healthy();
  s.Set(kHklm, View::k64, kWordRecord, Dword("LoadBehavior", 2));
  FakeSystem expected = s;
  expected.Set(kHklm, View::k64, kWordRecord, Dword("LoadBehavior", 3));
  s.Set(kHkcu, View::k64, kDisabled, Text("OrvanpdfVtAddIn.dsrPdfVtAddinWord", ""));
  const std::string startup = "Software\\Microsoft\\Office\\16.0\\Word\\Resiliency\\StartupItems";
  s.Set(kHkcu, View::k64, startup, {"1", kRegBinary, Utf16(kDll)});
  expected.keys[FakeSystem::Id(kHkcu, View::k64, startup)];

  std::string out;
  EXPECT_EQ(RunDoctor(s, {"--fix"}, out), 0) << out;
  EXPECT_EQ(s.keys, expected.keys);
  EXPECT_EQ(RunDoctor(s, {}, out), 0) << out;

  // Where the user may not write, the failure is an error that says what to do.
  s.Set(kHklm, View::k64, kWordRecord, Dword("LoadBehavior", 2));
  s.machine_read_only = true;
  EXPECT_EQ(RunDoctor(s, {"--fix"}, out), 1);
  EXPECT_NE(out.find("ERROR   Could not set LoadBehavior to 3 in HKEY_LOCAL_MACHINE (64-bit view) "
                     "(error 5, access denied): run the doctor as administrator"),
            out.npos)
      << out;
}

TEST(Doctor, Usage) {
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"--bogus"}, 2}, {{"--host"}, 2}, {{"--host", "visio"}, 2}, {{"--help"}, 0}};
  FakeSystem s = Healthy();  // only --fix changes it
  for (const auto& [arguments, code] : cases) {
    std::string out, err;
    EXPECT_EQ(doctor::Run(s, arguments, out, err), code) << arguments[0];
    const std::string& text = code == 2 ? err : out;
    EXPECT_TRUE(text.ends_with(kUsage)) << text;
  }
  std::string out;
  EXPECT_EQ(RunDoctor(s, {"--host", "EXCEL"}, out), 0);
  EXPECT_TRUE(out.find("== Excel ==") != out.npos && out.find("== Word ==") == out.npos) << out;
}

}  // namespace
}  // namespace orvan::doctor
