// Bad inputs from outside the add-in, one table per source: its stored registry values of every
// type and shape, the job API library's outputs, host values of the wrong type or size, document
// properties, host program paths and a trace that cannot be written. Each row gives the input and
// the outcome that Basic's conversions give (a value, or "error N"); the sanitized build checks
// that nothing reads or writes out of bounds on the way.
#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "commandbars/command_bar_names.h"
#include "commandbars/toolbar.h"
#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "hosts/document_checks.h"
#include "printjob/print_job.h"
#include "support/registry_functions.h"

namespace orvan::testing {
namespace {

using namespace std::string_literals;
using sim::HostType;

constexpr std::uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7, kQword = 11;
const std::string k64KiB(65536, '9');

// --- The add-in's stored values, as other programs may have left them (value name: the host's
// path). Each row starts the toolbar in a new Word and says what became of the value.

struct Stored {
  const char* key;
  std::uint32_t type;
  std::string data;
  std::string outcome;
};

// A new Word each time, whose toolbar buttons get their captions and faces.
class BadInputsTest : public OfficeTest {
 protected:
  std::unique_ptr<sim::FakeOfficeHost> NewWord() {
    fakes_.office = std::make_shared<sim::OfficeWorld>();
    fakes_.office->clipboard_face = [this] { return fakes_.clipboard.picture; };
    return std::make_unique<sim::FakeOfficeHost>(HostType::kWord, fakes_.office);
  }
};

class StoredValuesTest : public BadInputsTest {
 protected:
  void Store(const char* key, std::uint32_t type, const std::string& data) {
    RegKey handle = 0;
    fakes_.registry.CreateKey(reg::HiveKey(reg::kHkeyCurrentUser), key, 0, reg::kAccessAll,
                              &handle);
    fakes_.registry.SetValue(handle, fakes_.modules.executable, type,
                             reinterpret_cast<const std::uint8_t*>(data.data()),
                             static_cast<std::uint32_t>(data.size()));
    fakes_.registry.CloseKey(handle);
  }
  // Visibility: "True"/"False" (", rewritten" when "1" was stored in place of the value) or
  // "failed" (nothing hooked); repair: the toolbar's button count; place: where the bar went.
  std::string StartUp(const Stored& row) {
    const auto word = NewWord();
    const bool hooked = !CreateAddInCommandBarButton(word->application(), {}, {}).empty();
    const sim::FakeBar* bar = fakes_.office->command_bars(HostType::kWord)->Bar(kToolbarName);
    if (!bar) return "no toolbar";
    if (row.key == kToolBarNotRepairKey)
      return std::to_string(bar->controls->items.size()) + " buttons";
    if (row.key == kToolBarPositionKey) {
      return std::to_string(bar->left) + ";" + std::to_string(bar->top) + ";" +
             std::to_string(bar->position) + ";" + std::to_string(bar->row);
    }
    if (!hooked) return "failed";
    const bool rewritten = GetRegistryKeyValue(reg::kHkeyCurrentUser, row.key,
                                               fakes_.modules.executable) == Value("1") &&
                           !(row.type == kSz && row.data == "1");
    return (bar->visible ? "True"s : "False"s) + (rewritten ? ", rewritten" : "");
  }
};

TEST_F(StoredValuesTest, EveryTypeAndShapeGivesBasicsValueOrError) {
  const char* const visible = kIsToolBarVisibleKey;
  const char* const no_repair = kToolBarNotRepairKey;
  const char* const place = kToolBarPositionKey;
  const Stored rows[] = {
      // Visibility: CLng of the text up to its first zero, <> 0.
      {visible, kSz, "0\0"s, "False"},
      {visible, kSz, "", "True, rewritten"},
      {visible, kSz, "\0"s, "failed"},
      {visible, kSz, " 12abc", "failed"},
      {visible, kSz, "1e400", "failed"},
      {visible, kSz, "-2147483648", "True"},
      {visible, kSz, "2147483648", "failed"},
      {visible, kSz, k64KiB, "failed"},
      {visible, kSz, std::string(65536, '0'), "False"},
      {visible, kSz, std::string(65535, ' ') + "1", "True"},
      {visible, kSz, "\xB2", "failed"},      // superscript two
      {visible, kSz, "\x81\x8D", "failed"},  // bytes the code page does not define
      {visible, kSz, "0x1", "failed"},
      {visible, kExpandSz, "0\0"s, "True, rewritten"},
      {visible, kMultiSz, "0\0\0"s, "True, rewritten"},
      {visible, kBinary, "0", "True, rewritten"},
      {visible, kDword, "\0\0\0\0"s, "False"},
      {visible, kDword, "\xFF\xFF\xFF\xFF", "True"},
      {visible, kDword, "\0\0"s, "False"},
      {visible, kDword, "\1\0\0\0\0\0\0\0"s, "True, rewritten"},  // too long for a DWORD
      {visible, kQword, "\0\0\0\0\0\0\0\0"s, "True, rewritten"},
      // No repair: Val of the text <> 0.
      {no_repair, kSz, "1\0"s, "0 buttons"},
      {no_repair, kSz, "\0001"s, "2 buttons"},
      {no_repair, kSz, " 12abc", "0 buttons"},
      {no_repair, kSz, "1e-400", "2 buttons"},
      {no_repair, kSz, "1e400", "no toolbar"},  // Val overflows: the start-up stops
      {no_repair, kSz, k64KiB, "no toolbar"},
      {no_repair, kSz, std::string(65536, '0'), "2 buttons"},
      {no_repair, kSz, "\xB9", "2 buttons"},  // superscript one
      {no_repair, kSz, "0x1", "2 buttons"},
      {no_repair, kDword, "\7\0\0\0"s, "0 buttons"},
      // Place: Left;Top;Position;RowIndex, each field read by Val when it has text; what Word
      // refuses or what overflows is skipped.
      {place, kSz, "0;49;1;2;8\0"s, "0;49;1;2"},
      {place, kSz, "\0;49;1;2"s, "0;49;1;2"},
      {place, kSz, ";;4;2", "200;200;4;4"},
      {place, kSz, "abc;x;y;z", "0;0;0;1"},
      {place, kSz, "-5;1e9;9;99", "-5;1000000000;1;4"},
      {place, kSz, "1e400;1e400;1;1", "200;200;1;1"},
      {place, kSz, std::string(40000, '1') + ";2;1;1", "200;200;1;4"},
      {place, kSz, " 1 0 ;\t2\t;\n1\n;1 2", "10;2;1;4"},
      {place, kDword, "\5\0\0\0"s, "5;200;1;4"},
  };
  for (const Stored& row : rows) {
    Store(visible, kSz, "1");
    Store(no_repair, kSz, "0");
    Store(place, kSz, "");
    Store(row.key, row.type, row.data);
    EXPECT_EQ(StartUp(row), row.outcome)
        << row.key << " type " << row.type << " \"" << row.data.substr(0, 20) << "\"";
  }
}

// --- The job API library's outputs: text buffers with or without their zero, numbers of any
// size, bytes the code page does not define.

// What an export does: its result, the bytes it writes into the caller's buffer, as they are,
// and the handle, error number or "found" it reports.
struct Export {
  std::int32_t result = 1;
  std::string bytes;
  std::int32_t number = 0;
};

// A library whose every export does as given (Export{} when not), noting "Name=value" of each
// property set.
std::unique_ptr<ScriptedCaller> Library(std::map<std::string, Export> exports,
                                        std::vector<std::string>& set) {
  auto library = std::make_unique<ScriptedCaller>();
  for (const std::string name : kJobApiFunctions) {
    library->functions[name] = [name, out = exports[name], &set](auto a) {
      if (name == "OrvanPdfVtJobCreate") Int(a[0]) = out.number;
      if (name == "OrvanPdfVtJobGetError") Int(a[1]) = out.number;
      if (name == "OrvanPdfVtJobInitDevModeProperty") Int(a[2]) = out.number;
      if (name == "OrvanPdfVtJobSetPropertyA") set.push_back(Text(a[1]) + "="s + Text(a[2]));
      if (name.ends_with("TextA") || name.ends_with("GetPropertyA") || name.ends_with("PrinterA"))
        std::memcpy(Text(a[a.size() - 2]), out.bytes.data(),
                    std::min(static_cast<std::size_t>(a.back()), out.bytes.size()));
      return out.result;
    };
  }
  return library;
}

constexpr const char *kProperty = "OrvanPdfVtJobGetPropertyA", *kError = "OrvanPdfVtJobGetError",
                     *kErrorText = "OrvanPdfVtJobGetErrorTextA",
                     *kPrinter = "OrvanPdfVtAPIGetFirstPrinterA", *kCreate = "OrvanPdfVtJobCreate";

struct LibraryRow {
  const char* reader;
  const char* export_name;
  Export output;
  std::string outcome;
};

TEST_F(BadInputsTest, JobApiOutputsGiveBasicsValueOrError) {
  const std::string xs(1024, 'x');
  const LibraryRow rows[] = {
      // The product's language: CLng of the 10-character buffer.
      {"language", kProperty, {1, "1036"}, "1036"},  // blanks follow
      {"language", kProperty, {1, "0000001031"}, "1031"},
      {"language", kProperty, {1, "1031\0garbage"s}, "1031"},
      {"language", kProperty, {1, ""}, "error 13"},
      {"language", kProperty, {1, "-1\0"s}, "-1"},
      {"language", kProperty, {1, "9999999999"}, "error 6"},
      {"language", kProperty, {1, "1e9\0"s}, "1000000000"},
      {"language", kProperty, {0, "1031\0"s}, "1031"},
      {"language", kCreate, {1, "", -5}, "1031"},
      // The start-up setting: CLng of the 2-character buffer decides.
      {"start-up", kProperty, {1, "00"}, "set 2, stored"},
      {"start-up", kProperty, {1, "1\0"s}, "kept, stored"},
      {"start-up", kProperty, {1, "9"}, "kept, stored"},
      {"start-up", kProperty, {1, "\0"s}, "error 13"},
      {"start-up", kProperty, {1, "\xA0\0"s}, "error 13"},
      // An error's box: the number's low 16 bits, the text up to its zero.
      {"error box", kError, {1, "", 70000}, "Fehler 4464: "},
      {"error box", kError, {1, "", 0x8000}, "Fehler -32768: "},
      {"error box", kError, {0, ""}, "Fehler konnte nicht ermittelt werden"},
      {"error box", kErrorText, {1, xs}, "Fehler 0: " + xs},
      {"error box", kErrorText, {1, "a\0b"s}, "Fehler 0: a"},
      {"error box",
       kErrorText,
       {1, "\x81\x8D\x8F\x90\x9D\0"s},
       "Fehler 0: \u0081\u008D\u008F\u0090\u009D"},
      {"error box", kErrorText, {1, "\x80\x9F\xFF\0"s}, "Fehler 0: €Ÿÿ"},
      {"error box", kErrorText, {0, "ok\0"s}, "Fehler 0: Fehlertext konnte nicht ermittelt werden"},
      // The printer's name filling the size named: the blanks offered beyond it follow.
      {"printer", kPrinter, {1, xs}, xs + std::string(7, ' ')},
  };
  std::vector<std::string> set;
  for (const LibraryRow& row : rows) {
    std::map<std::string, Export> exports = {{kProperty, {1, "1031\0"s}}, {kErrorText, {1, "\0"s}}};
    exports[row.export_name] = row.output;
    set.clear();
    InstallJobApiCaller(Library(exports, set));
    Boxes().clear();
    const std::string reader = row.reader;
    const std::string outcome = OutcomeOf([&]() -> std::string {
      if (reader == "language") return std::to_string(GetLanguageId());
      if (reader == "printer") {
        LoadVatnerAPI("OrvanpdfVtAPI.dll");
        return PdfPrinterName();
      }
      if (reader == "error box") {
        CheckResult(1, 0, "Op");
        return Boxes().at(0).text;
      }
      const bool stored = ApplyApplicationDevmodeStartup();
      const bool two =
          std::find(set.begin(), set.end(), "ApplicationDevmodeStartup=2") != set.end();
      return (two ? "set 2"s : "kept"s) + (stored ? ", stored" : ", not stored");
    });
    EXPECT_EQ(outcome.substr(0, 200), row.outcome.substr(0, 200))
        << row.reader << " " << row.export_name << " \"" << row.output.bytes.substr(0, 20) << "\"";
    EXPECT_EQ(outcome.size(), row.outcome.size()) << row.reader;
  }
}

// --- Host values of the wrong type or size where the add-in reads a count or a property.

struct HostRow {
  const char* reader;
  const char* member;
  Value value;
  std::string outcome;
};

TEST_F(BadInputsTest, HostValuesOfWrongTypesGiveBasicsValueOrError) {
  const HostRow rows[] = {
      // Word's "a document is open" check: CLng(Documents.Count) = 0 tells the user.
      {"open", "Documents.Count", Value("3"), "open"},
      {"open", "Documents.Count", Value("0\0"s), "none open"},
      {"open", "Documents.Count", Value("drei"), "unusable"},
      {"open", "Documents.Count", Value(ObjectRef()), "unusable"},
      {"open", "Documents.Count", Value(std::int32_t{70000}), "open"},
      {"open", "Documents.Count", Value(3e9), "unusable"},
      {"open", "Documents.Count", Value(true), "open"},
      {"open", "Documents.Count", Value(0.4f), "none open"},
      {"open", "Documents.Count", Value::Missing(), "unusable"},
      // Word's start-up check: the first of Count (an Integer) documents that is an object.
      {"available", "Documents.Count", Value(std::int32_t{70000}), "no"},
      {"available", "Documents.Count", Value(std::int16_t{32767}), "no"},
      {"available", "Documents.Count", Value(std::int16_t{-5}), "no"},
      {"available", "Documents.Count", Value("2"), "yes"},
      {"available", "Documents.Count", Value(), "yes"},
      {"available", "Documents.Count", Value(std::int32_t{-40000}), "no"},
      // A built-in property's value as the job's title: CStr.
      {"title", "DocumentProperty(1).Value", Value(ObjectRef()), "error 13"},
      {"title", "DocumentProperty(1).Value", Value(), ""},
      {"title", "DocumentProperty(1).Value", Value(true), "True"},
      {"title", "DocumentProperty(1).Value", Value(1e300), "1E+300"},
      {"title", "DocumentProperty(1).Value", Value(std::int16_t{-3}), "-3"},
      {"title", "DocumentProperty(1).Value", Value(0.1f), "0.1"},
      {"title", "DocumentProperty(1).Value", Value::Missing(), "error 13"},
  };
  for (const HostRow& row : rows) {
    const auto word = NewWord();
    sim::DocumentData document;
    document.properties = {{1, "T"}, {2, "S"}, {3, "A"}, {4, "K"}};
    word->Open(document);
    fakes_.office->Returns(row.member, row.value);
    if (row.outcome == "no" && row.value == Value(std::int16_t{32767}))
      fakes_.office->Returns("Documents", Value(ObjectRef()));  // no document is an object
    Boxes().clear();
    const std::string reader = row.reader;
    const std::string outcome = OutcomeOf([&]() -> std::string {
      if (reader == "open") {
        if (IsDocumentOpen(word->application())) return "open";
        return Boxes().empty() ? "unusable" : "none open";
      }
      if (reader == "available")
        return CheckIfDocumentIsAvailable(word->application()) ? "yes" : "no";
      return GetBuiltInDocInfos(AsObject(Get(word->application(), "ActiveDocument"))).at(0);
    });
    EXPECT_EQ(outcome, row.outcome) << row.reader << " " << sim::Describe(row.value);
  }
}

// --- Document properties as the job API receives them (ANSI, up to the first zero), the value
// name a long or unusual host path stores under (its first 254 characters), and a trace that
// cannot be written, which changes nothing.

TEST_F(BadInputsTest, LongAndForeignTextsReachTheJobAsAnsiAndLongHostPathsAreCut) {
  std::string euros;
  for (int i = 0; i < 21846; ++i)
    euros += "€";
  const std::pair<std::string, std::string> titles[] = {
      {"日本語", "???"},
      {std::string(65536, 'A'), std::string(65536, 'A')},
      {euros, std::string(21846, '\x80')},
      {"😀", "?"},
      {"\xED\xA0\x80", "?"},  // a surrogate's code, not a character
      {"\xFF\xFE", "??"},     // bytes that are no UTF-8
      {"a\0b"s, "a"},
  };
  for (const auto& [title, received] : titles) {
    sim::FakeOfficeHost word(HostType::kWord, fakes_.office);
    sim::DocumentData document;
    document.properties = {{1, title}, {2, ""}, {3, ""}, {4, ""}};
    word.Open(document);
    api_.stored_settings = sim::JobApiState::DefaultSettings();  // no title of an earlier row
    std::int32_t job = -1;
    DocInfos old;
    EXPECT_EQ(InitPrintJob(job, old, AsObject(Get(word.application(), "ActiveDocument")), true), 1);
    const std::string& got = api_.jobs[job].properties["Title"];
    EXPECT_TRUE(got == received) << title.substr(0, 20) << " gave " << got.substr(0, 20) << " ("
                                 << got.size() << " bytes)";
    OrvanPdfVtJobFree(job, true);
  }

  const std::string deep = "C:\\" + std::string(300, 'o') + "\\WINWORD.EXE";
  const std::pair<std::string, std::string> paths[] = {
      {deep, AnsiToUtf8(deep.substr(0, 254))},
      {"C:\\B\xFCr\xF6\\" + std::string(250, 'x'), "C:\\Bürö\\" + std::string(254 - 8, 'x')},
  };
  for (const auto& [path, name] : paths) {
    fakes_.modules.executable = path;
    EXPECT_TRUE(CheckToolBarVisible());
    EXPECT_EQ(GetRegistryKeyValue(reg::kHkeyCurrentUser, kIsToolBarVisibleKey, name), Value("1"))
        << path.size();
  }
}

// Refuses every line: by its result (0), out of memory (1) or with a run-time error (2).
struct RefusingFiles final : TextFiles {
  bool Append(const std::string&, std::string_view) override {
    if (how == 1) throw std::bad_alloc();
    if (how == 2) throw VbError::Runtime(vberr::kInternalError);
    return false;
  }
  int how = 0;
};

TEST_F(BadInputsTest, ATraceThatCannotBeWrittenChangesNothing) {
  RefusingFiles files;
  for (files.how = 0; files.how <= 2; ++files.how) {
    Platform platform = CurrentPlatform();
    platform.files = &files;
    const ScopedPlatform scope(platform);
    const auto word = NewWord();
    const auto buttons = CreateAddInCommandBarButton(word->application(), {}, {});
    EXPECT_TRUE(buttons.size() == 2 && buttons[0] && buttons[1]) << files.how;
  }
}

}  // namespace
}  // namespace orvan::testing
