#include "sim/office/fake_office.h"

#include "support/utf8.h"

namespace orvan::sim {
namespace {

using utf8::TextEquals;

// Error numbers and texts the hosts raise for the situations the fakes model.
constexpr std::int32_t kWordNoDocument = 4248;
constexpr std::int32_t kWordCommandFailed = 4198;
constexpr std::int32_t kWordNoSuchMember = 5941;
constexpr std::int32_t kExcelMethodFailed = 1004;
constexpr std::int32_t kPowerPointInvalidRequest = -2147188160;
constexpr std::int32_t kAutomationUnspecified = -2147467259;

std::int32_t IndexOf(const Args& args) {
  if (args.positional.empty()) throw VbError::Runtime(vberr::kArgumentNotOptional);
  return ToLong(args.positional[0]);
}

}  // namespace

const Printer* OfficeWorld::FindPrinter(const std::string& name) const {
  for (const Printer& p : printers) {
    if (TextEquals(p.name, name)) return &p;
  }
  return nullptr;
}

const std::shared_ptr<CommandBarStore>& OfficeWorld::command_bars(HostType type) {
  auto& store = command_bars_[type];
  if (!store) store = std::make_shared<CommandBarStore>(type);
  return store;
}

FakeOfficeHost::FakeOfficeHost(HostType type, std::shared_ptr<OfficeWorld> world)
    : world_(std::move(world)), state_(std::make_shared<State>()) {
  state_->type = type;
  state_->names = &kHostNames[static_cast<std::size_t>(type)];
  if (!world_->printers.empty()) state_->active_printer = world_->printers.front().name;
  application_ = MakeApplication(world_, state_);
}

DocumentData& FakeOfficeHost::Open(DocumentData document) {
  state_->documents.push_back(std::make_shared<DocumentData>(std::move(document)));
  return *state_->documents.back();
}

std::vector<DocumentData> FakeOfficeHost::Documents() const {
  std::vector<DocumentData> documents;
  for (const auto& document : state_->documents)
    documents.push_back(*document);
  return documents;
}

void FakeOfficeHost::CloseAll() {
  state_->documents.clear();
}

ObjectRef FakeOfficeHost::MakeApplication(const World& world, const StateRef& state) {
  const HostNames& names = *state->names;
  auto app = std::make_shared<FakeObject>(world, "Application", names.kind);
  const std::string source = names.source;
  const auto raise = [source](std::int32_t number, const std::string& text) {
    throw VbError(number, text, source);
  };
  // The printer text Word and Excel give: name, joiner, port.
  const auto printer_text = [world, state]() -> std::string {
    const Printer* p = world->FindPrinter(state->active_printer);
    return p ? p->name + world->port_joiner + p->port : state->active_printer;
  };
  // The printer a host printer text names: a bare name or name + joiner + port.
  const auto printer_named = [world](const std::string& text, bool bare_allowed) -> const Printer* {
    for (const Printer& p : world->printers) {
      if (bare_allowed && TextEquals(p.name, text)) return &p;
      if (TextEquals(p.name + world->port_joiner + p.port, text)) return &p;
    }
    return nullptr;
  };
  const auto active_document = [world, state, raise]() -> ObjectRef {
    if (state->documents.empty()) {
      if (state->type == HostType::kWord) {
        raise(kWordNoDocument,
              "Dieser Befehl ist nicht verfügbar, weil kein Dokument geöffnet ist.");
      }
      if (state->type == HostType::kPowerPoint) {
        raise(kPowerPointInvalidRequest,
              "Application (unknown member) : Invalid request.  There is no active presentation.");
      }
      return nullptr;  // Excel answers Nothing
    }
    return MakeDocument(world, state, state->documents.back());
  };
  const std::string collection_name = names.collection;
  const std::string document_name = names.active_document;

  app->OnGet(collection_name, [world, state, collection_name, raise](const Args&) -> Value {
    auto documents = std::make_shared<FakeObject>(world, collection_name);
    documents->OnGet("Count", [state](const Args&) -> Value {
      return static_cast<std::int32_t>(state->documents.size());
    });
    const auto item = [world, state, raise](const Args& args) -> Value {
      const std::int32_t i = IndexOf(args);
      if (i < 1 || i > static_cast<std::int32_t>(state->documents.size())) {
        if (state->type == HostType::kWord) {
          raise(kWordNoSuchMember, "Das angeforderte Element der Sammlung ist nicht vorhanden.");
        }
        throw VbError::Runtime(vberr::kSubscriptOutOfRange);
      }
      return MakeDocument(world, state, state->documents[static_cast<std::size_t>(i - 1)]);
    };
    documents->OnGet(kDefaultMember, item).OnGet("Item", item);
    return ObjectRef(documents);
  });
  app->OnGet(document_name, [active_document](const Args&) -> Value { return active_document(); });
  app->OnGet("CommandBars", [world, state](const Args& args) -> Value {
    // A property without parameters: Basic applies an index to the collection it gives.
    if (!args.empty()) throw VbError::Runtime(vberr::kWrongArgumentCount, state->names->source);
    return MakeCommandBars(world, world->command_bars(state->type));
  });

  switch (state->type) {
    case HostType::kWord:
      app->OnGet("ActivePrinter", [printer_text](const Args&) -> Value { return printer_text(); });
      app->OnPut("ActivePrinter", [state, printer_named, raise](const Value& v, const Args&) {
        const Printer* p = printer_named(ToText(v), true);
        if (!p) raise(kWordCommandFailed, "Befehl misslungen");
        state->active_printer = p->name;
      });
      app->OnGet("Dialogs", [world, state, printer_named, raise](const Args&) -> Value {
        auto dialogs = std::make_shared<FakeObject>(world, "Dialogs");
        dialogs->OnGet(kDefaultMember, [world, state, printer_named, raise](const Args& args) {
          auto dialog =
              std::make_shared<FakeObject>(world, "Dialog(" + std::to_string(IndexOf(args)) + ")");
          dialog->Field("Printer", std::string()).Field("DoNotSetAsSysDefault", false);
          FakeObject* self = dialog.get();
          dialog->OnCall("Execute", [state, printer_named, raise, self](const Args&) -> Value {
            const Printer* p = printer_named(ToText(self->FieldValue("Printer")), true);
            if (!p) raise(kWordCommandFailed, "Befehl misslungen");
            state->active_printer = p->name;
            return Value();
          });
          return Value(ObjectRef(dialog));
        });
        return ObjectRef(dialogs);
      });
      break;
    case HostType::kExcel:
      app->OnGet("ActivePrinter", [printer_text](const Args&) -> Value { return printer_text(); });
      app->OnPut(
          "ActivePrinter", [world, state, printer_named, raise](const Value& v, const Args&) {
            if (world->excel_switches_ignored > 0) {
              --world->excel_switches_ignored;
              return;
            }
            const Printer* p = printer_named(ToText(v), false);
            if (!p) {
              raise(kExcelMethodFailed,
                    "Die ActivePrinter-Eigenschaft des Application-Objektes kann nicht festgelegt "
                    "werden.");
            }
            state->active_printer = p->name;
          });
      app->OnGet("ActiveSheet", [world, state](const Args&) -> Value {
        if (state->documents.empty()) return ObjectRef();
        auto sheet = std::make_shared<FakeObject>(world, "ActiveSheet");
        auto document = state->documents.back();
        sheet->OnCall("PrintOut", [world, state, document](const Args& args) -> Value {
          Print(world, state, *document, args, false);
          return Value();
        });
        return ObjectRef(sheet);
      });
      break;
    case HostType::kPowerPoint:
      app->OnGet("ActivePrinter", [state](const Args&) -> Value { return state->active_printer; });
      break;
  }
  return app;
}

void FakeOfficeHost::Print(const World& world, const StateRef& state, const DocumentData& document,
                           const Args& args, bool background) {
  PrintRecord record;
  record.host = state->names->host;
  record.document = document.name;
  record.printer = state->active_printer;
  record.arguments = Describe(args);
  record.background = background;
  if (world->job_settings) record.job_settings = world->job_settings();
  world->prints.push_back(std::move(record));
}

ObjectRef FakeOfficeHost::MakeDocument(const World& world, const StateRef& state,
                                       const std::shared_ptr<DocumentData>& document) {
  auto doc = std::make_shared<FakeObject>(world, state->names->document);
  doc->OnGet("Name", [document](const Args&) -> Value { return document->name; });
  doc->OnGet("Path", [document](const Args&) -> Value { return document->path; });
  doc->OnGet("BuiltInDocumentProperties", [world, document](const Args&) -> Value {
    if (!document->has_properties) return ObjectRef();
    auto properties = std::make_shared<FakeObject>(world, "BuiltInDocumentProperties");
    const auto item = [world, document](const Args& args) -> Value {
      const std::int32_t i = IndexOf(args);
      auto property =
          std::make_shared<FakeObject>(world, "DocumentProperty(" + std::to_string(i) + ")");
      property->OnGet("Value", [document, i](const Args&) -> Value {
        auto it = document->properties.find(i);
        if (it == document->properties.end()) {
          throw VbError(kAutomationUnspecified, "Automatisierungsfehler", "");
        }
        return it->second;
      });
      return ObjectRef(property);
    };
    properties->OnGet(kDefaultMember, item).OnGet("Item", item);
    return ObjectRef(properties);
  });
  if (state->type == HostType::kWord) {
    doc->OnCall("PrintOut", [world, state, document](const Args& args) -> Value {
      bool background = true;  // Word prints in the background unless told otherwise
      for (const NamedArgument& a : args.named) {
        if (a.name == "Background") background = ToLong(a.value) != 0;
      }
      Print(world, state, *document, args, background);
      return Value();
    });
  }
  if (state->type == HostType::kPowerPoint) {
    doc->OnGet("PrintOptions", [world, state](const Args&) -> Value {
      auto options = std::make_shared<FakeObject>(world, "PrintOptions");
      options->OnGet("ActivePrinter",
                     [state](const Args&) -> Value { return state->active_printer; });
      options->OnPut("ActivePrinter", [world, state](const Value& v, const Args&) {
        const Printer* p = world->FindPrinter(ToText(v));
        if (!p) {
          throw VbError(kPowerPointInvalidRequest,
                        "PrintOptions (unknown member) : Invalid request.  Printer not found.",
                        "Microsoft PowerPoint");
        }
        state->active_printer = p->name;
      });
      options->OnGet("PrintInBackground",
                     [state](const Args&) -> Value { return state->print_in_background; });
      options->OnPut("PrintInBackground", [state](const Value& v, const Args&) {
        state->print_in_background = ToLong(v) != 0;
      });
      return ObjectRef(options);
    });
    doc->OnGet("Slides", [world, document](const Args&) -> Value {
      auto slides = std::make_shared<FakeObject>(world, "Slides");
      slides->OnGet("Count", [document](const Args&) -> Value { return document->slides; });
      return ObjectRef(slides);
    });
    doc->OnCall("PrintOut", [world, state, document](const Args& args) -> Value {
      Print(world, state, *document, args, state->print_in_background);
      return Value();
    });
  }
  return doc;
}

}  // namespace orvan::sim
