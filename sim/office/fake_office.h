// Fake Word, Excel and PowerPoint applications: the members the add-in calls, over documents,
// installed printers and an active printer per host, recording what each PrintOut printed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/office/fake_command_bars.h"
#include "sim/office/fake_object.h"

namespace orvan::sim {

// An installed printer as the spooler knows it.
struct Printer {
  Printer() = default;
  Printer(std::string printer_name, std::string port_name)
      : name(std::move(printer_name)), port(std::move(port_name)) {}
  std::string name;
  std::string port;
  std::string driver = "Generic Driver";
  std::string comment;
  std::string location;
  std::int32_t status = 0;
  std::int32_t jobs = 0;
};

struct DocumentData {
  std::string name = "Dokument1";
  std::string path;  // empty: never saved
  // Built-in document properties by index: 1 title, 2 subject, 3 author, 4 keywords. An index
  // not listed cannot be read (the host raises an error).
  std::map<std::int32_t, std::string> properties = {{1, ""}, {2, ""}, {3, ""}, {4, ""}};
  bool has_properties = true;  // false: BuiltInDocumentProperties is Nothing
  std::int32_t slides = 1;     // PowerPoint

  static DocumentData SavedIn(std::string folder) {
    DocumentData d;
    d.path = std::move(folder);
    return d;
  }
  static DocumentData WithoutProperties() {
    DocumentData d;
    d.has_properties = false;
    return d;
  }
};

// What one PrintOut printed.
struct PrintRecord {
  std::string host;                                 // "Word", "Excel", "PowerPoint"
  std::string document;                             // the document's name
  std::string printer;                              // the host's active printer at the time
  std::string arguments;                            // as journaled, e.g. "Background:=False"
  bool background = true;                           // printed in the background
  std::map<std::string, std::string> job_settings;  // the job API's stored settings then
};

enum class HostType { kWord, kExcel, kPowerPoint };

class OfficeWorld : public FakeObjectWorld {
 public:
  std::vector<Printer> printers;
  // How the hosts join printer and port in their printer text (German Office: " auf ").
  std::string port_joiner = " on ";
  // Excel takes this many printer texts without raising and without switching: the printer
  // active before stays active, as when a driver turns the switch down quietly.
  std::int32_t excel_switches_ignored = 0;
  std::vector<PrintRecord> prints;
  // Reads the job API's stored settings when a document is printed.
  std::function<std::map<std::string, std::string>()> job_settings;

  // Describes the picture now on the clipboard, nullopt when there is none; PasteFace takes it.
  std::function<std::optional<ButtonFace>()> clipboard_face;

  // The installed printer of that name (any letter case), or nullptr.
  const Printer* FindPrinter(const std::string& name) const;

  // The command bars of a host type, which outlive its application objects.
  const std::shared_ptr<CommandBarStore>& command_bars(HostType type);

 private:
  std::map<HostType, std::shared_ptr<CommandBarStore>> command_bars_;
};

// How each host names itself and its documents.
struct HostNames {
  const char* host;             // "Word"
  const char* source;           // error source, "Microsoft Word"
  AppKind kind;                 // its application interface
  const char* collection;       // "Documents"
  const char* active_document;  // "ActiveDocument"
  const char* document;         // the journal's name of a document object, "Document"
};

// By HostType.
inline constexpr HostNames kHostNames[] = {
    {"Word", "Microsoft Word", AppKind::kWord, "Documents", "ActiveDocument", "Document"},
    {"Excel", "Microsoft Excel", AppKind::kExcel, "Workbooks", "ActiveWorkbook", "Workbook"},
    {"PowerPoint", "Microsoft PowerPoint", AppKind::kPowerPoint, "Presentations",
     "ActivePresentation", "Presentation"},
};

class FakeOfficeHost {
 public:
  FakeOfficeHost(HostType type, std::shared_ptr<OfficeWorld> world);
  FakeOfficeHost(const FakeOfficeHost&) = delete;
  FakeOfficeHost& operator=(const FakeOfficeHost&) = delete;

  ObjectRef application() const { return application_; }
  // Opens a document and makes it the active one.
  DocumentData& Open(DocumentData document);
  void CloseAll();

  // The host's active printer, by its bare name.
  std::string& active_printer() { return state_->active_printer; }
  // PowerPoint: PrintInBackground of the presentations.
  bool& print_in_background() { return state_->print_in_background; }
  // The open documents, the active one last.
  std::vector<DocumentData> Documents() const;

 private:
  struct State {
    HostType type;
    const HostNames* names;
    std::vector<std::shared_ptr<DocumentData>> documents;
    std::string active_printer;
    bool print_in_background = true;
  };

  // The objects' handlers hold the world and the state, never the host itself, so objects
  // handed out stay usable.
  using World = std::shared_ptr<OfficeWorld>;
  using StateRef = std::shared_ptr<State>;
  static ObjectRef MakeApplication(const World& world, const StateRef& state);
  static ObjectRef MakeDocument(const World& world, const StateRef& state,
                                const std::shared_ptr<DocumentData>& document);
  static void Print(const World& world, const StateRef& state, const DocumentData& document,
                    const Args& args, bool background);

  std::shared_ptr<OfficeWorld> world_;
  std::shared_ptr<State> state_;
  ObjectRef application_;
};

}  // namespace orvan::sim
