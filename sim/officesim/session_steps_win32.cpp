// The steps that act on the host as its user, its printers and its registry would.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>

#include "platform/win32/wide_text_win32.h"
#include "platform/win32/win32.h"
#include "sim/officesim/host_picture_win32.h"
#include "sim/officesim/host_system_win32.h"
#include "sim/officesim/office_session_win32.h"
#include "sim/officesim/png_writer.h"
#include "sim/officesim/user_clipboard_win32.h"
#include "support/ansi_text.h"
#include "support/utf8.h"

namespace orvan::sim {
void OfficeSession::Printer(const ScenarioStep& step) {
  if (!printers_given_) world_->printers.clear();
  printers_given_ = true;
  const std::string name = Argument(step, 1, "printer name");
  world_->printers.emplace_back(name, Option(step, "port").value_or("LPT1:"));
  if (HasWord(step, "active")) office_->active_printer() = name;
}

void OfficeSession::Joiner(const ScenarioStep& step) {
  const std::string& language = Argument(step, 1, "joiner: german or english");
  if (language == "german") {
    world_->port_joiner = " auf ";
  } else if (language == "english") {
    world_->port_joiner = " on ";
  } else {
    Refuse(step, "joiner: german or english, not '" + language + "'");
  }
}

void OfficeSession::OpenDocument(const ScenarioStep& step) {
  DocumentData document =
      HasWord(step, "no-properties") ? DocumentData::WithoutProperties() : DocumentData();
  document.name = Argument(step, 1, "document name");
  document.path = Option(step, "folder").value_or("");
  const std::pair<const char*, std::int32_t> properties[] = {
      {"title", 1}, {"subject", 2}, {"author", 3}, {"keywords", 4}};
  for (const auto& [key, index] : properties) {
    if (const auto value = Option(step, key)) document.properties[index] = *value;
  }
  if (const auto slides = Option(step, "slides")) document.slides = Number(step, *slides);
  if (!document.path.empty()) {
    std::error_code ignored;  // the document was saved there, so the folder exists
    std::filesystem::create_directories(win32::Widen(document.path), ignored);
  }
  office_->Open(std::move(document));
  // A new active window: Office updates its command bars.
  if (started_) {
    ReportEventErrors();
    world_->command_bars(host_.type)->RaiseOnUpdate();
    ReportEventErrors();
  }
}

void OfficeSession::CloseDocuments(const ScenarioStep&) {
  office_->CloseAll();
}

FakeControl* OfficeSession::FindControl(const std::string& tag_or_caption) const {
  for (FakeBar* bar : world_->command_bars(host_.type)->Bars()) {
    if (bar->deleted) continue;
    if (FakeControl* control = bar->controls->Find(tag_or_caption)) return control;
  }
  return nullptr;
}

void OfficeSession::ReportEventErrors() {
  const auto& store = world_->command_bars(host_.type);
  for (const VbError& error : store->event_errors) {
    Event("event-error", std::to_string(error.number()) + " " + Quote(error.description()));
  }
  store->event_errors.clear();
}

void OfficeSession::Click(const ScenarioStep& step) {
  const std::string& name = Argument(step, 1, "control tag or caption");
  FakeControl* control = FindControl(name);
  if (control == nullptr && HasWord(step, "if-present")) {
    Event("click-skipped", Quote(name) + " is not there");
    return;
  }
  if (control == nullptr) Refuse(step, "no control with tag or caption " + Quote(name));
  // A modal box owned by the host's window disables it: the user's click does not reach it.
  if (!IsWindowEnabled(reinterpret_cast<HWND>(window_))) {
    Event("ignored", "click " + Quote(name) + ": the host's window is disabled");
    return;
  }
  const auto& store = world_->command_bars(host_.type);
  ReportEventErrors();
  const bool cancelled = store->UserClicks(*control);
  ReportEventErrors();
  if (cancelled) Event("cancel-default", "True");
}

void OfficeSession::PrintButton(const ScenarioStep& step) {
  const std::string& state = Argument(step, 1, "print-button: enabled or disabled");
  const FakeBar* standard = world_->command_bars(host_.type)->Bar("Standard");
  FakeControl* button = standard ? standard->controls->FindId(2521) : nullptr;
  if (button == nullptr) Refuse(step, "this host has no print button on \"Standard\"");
  button->enabled = state == "enabled";
  ReportEventErrors();
  world_->command_bars(host_.type)->RaiseOnUpdate();
  ReportEventErrors();
}

void OfficeSession::User(const ScenarioStep& step) {
  const auto& store = world_->command_bars(host_.type);
  const std::string& action = Argument(step, 1, "what the user does");
  FakeBar* toolbar = store->Bar("Orvan pdf vatner Toolbar");
  auto need_toolbar = [&] {
    if (toolbar == nullptr) Refuse(step, "there is no toolbar \"Orvan pdf vatner Toolbar\"");
  };
  if (action == "move-toolbar") {
    need_toolbar();
    const std::pair<const char*, std::int32_t> positions[] = {
        {"left", 0}, {"top", 1}, {"right", 2}, {"bottom", 3}, {"floating", 4}};
    const std::string& where =
        Argument(step, 2, "move-toolbar: top, bottom, left, right or floating");
    const auto found = std::find_if(std::begin(positions), std::end(positions),
                                    [&](const auto& p) { return where == p.first; });
    if (found == std::end(positions)) Refuse(step, "no such position '" + where + "'");
    store->UserMovesBar(*toolbar, found->second, Number(step, Option(step, "row").value_or("1")),
                        Number(step, Option(step, "x").value_or("0")),
                        Number(step, Option(step, "y").value_or("0")));
  } else if (action == "hide-toolbar") {
    need_toolbar();
    toolbar->visible = false;
  } else if (action == "delete-toolbar") {
    need_toolbar();
    store->UserDeletesBar(*toolbar);
  } else if (action == "delete-bar") {
    FakeBar* bar = store->Bar(Argument(step, 2, "bar name"));
    if (bar == nullptr) Refuse(step, "no bar " + Quote(step.words[2]));
    store->UserDeletesBar(*bar);
  } else if (action == "move-menu") {
    // The user drags the add-in's menu to another place on the menu bar.
    FakeControl* menu = FindControl("Orvan pdf vatner");
    if (menu == nullptr) Refuse(step, "there is no menu tagged \"Orvan pdf vatner\"");
    const auto list = menu->parent.lock();
    store->UserMovesControl(*menu, *list, Number(step, Argument(step, 2, "place on the menu bar")));
  } else if (action == "add-bar") {
    store->UserAddsBar(Argument(step, 2, "bar name"));
  } else if (action == "add-control") {
    // To a bar (its name as written first, as bars may repeat a name in other letters) or into a
    // menu by its tag or caption; `popup` adds a menu, as Customize's "New Menu" does.
    const std::string where = Option(step, "to").value_or("Standard");
    const auto bars = store->Bars();
    const auto exact = std::find_if(bars.begin(), bars.end(), [&](const FakeBar* b) {
      return !b->deleted && b->name == where;
    });
    FakeBar* bar = exact != bars.end() ? *exact : store->Bar(where);
    FakeControl* menu = bar ? nullptr : FindControl(where);
    if (bar == nullptr && (menu == nullptr || !menu->controls))
      Refuse(step, "no bar or menu " + Quote(where));
    store->UserAddsControl(bar ? *bar->controls : *menu->controls,
                           HasWord(step, "popup") ? mso::kControlPopup : mso::kControlButton,
                           Argument(step, 2, "tag"), Option(step, "caption").value_or(""));
  } else if (action == "delete-control") {
    FakeControl* control = FindControl(Argument(step, 2, "control tag or caption"));
    if (control == nullptr) Refuse(step, "no control " + Quote(step.words[2]));
    store->UserDeletesControl(*control);
  } else if (action == "addins-dialog") {
    AddinsDialog(step);
  } else {
    Refuse(step, "unknown user action '" + action + "'");
  }
}

void OfficeSession::Clipboard(const ScenarioStep& step) {
  // clipboard empty | clipboard [FORMAT VALUE]...
  constexpr char kForms[] =
      "clipboard: empty, or text, unicode, html, rtf, files or picture, each with its value";
  Argument(step, 1, kForms);
  ClipboardContents contents;
  std::optional<std::string> picture;
  if (step.words.size() != 2 || step.words[1] != "empty") {
    const std::pair<const char*, std::optional<std::string>*> formats[] = {
        {"text", &contents.text}, {"unicode", &contents.unicode}, {"html", &contents.html},
        {"rtf", &contents.rtf},   {"files", &contents.files},     {"picture", &picture}};
    for (std::size_t i = 1; i < step.words.size(); i += 2) {
      const auto format = std::find_if(std::begin(formats), std::end(formats),
                                       [&](const auto& f) { return step.words[i] == f.first; });
      if (format == std::end(formats) || i + 1 == step.words.size() || *format->second) {
        Refuse(step, std::string(kForms) + ", not '" + step.words[i] + "'");
      }
      *format->second = step.words[i + 1];
    }
  }
  if (picture && std::sscanf(picture->c_str(), "%dx%d #%x", &contents.width, &contents.height,
                             &contents.rgb) != 3) {
    Refuse(step, "a picture is given as WxH #RRGGBB, not " + Quote(*picture));
  }
  if (!PutOnClipboard(contents)) Refuse(step, "the clipboard cannot be opened");
}

void OfficeSession::Show(const ScenarioStep& step) {
  const std::string& what =
      Argument(step, 1, "show: bars, registry, clipboard, printer, addins, resources or window");
  if (what == "bars") {
    show_bars_ = true;  // written by Collect, changed or not
  } else if (what == "registry") {
    show_registry_ = true;
  } else if (what == "clipboard") {
    Event("clipboard", DescribeClipboard());
  } else if (what == "printer") {
    Event("printer", Quote(office_->active_printer()));
  } else if (what == "addins") {
    // The COM Add-ins dialog's list: every record of this host, and whether it is connected.
    for (const AddinRecord& record : ReadAddinRecords(host_.addins_key)) {
      const bool connected = std::any_of(addins_.begin(), addins_.end(), [&](const auto& addin) {
        return utf8::TextEquals(addin->record().prog_id, record.prog_id);
      });
      Event("addin", Quote(record.prog_id) + " LoadBehavior " +
                         std::to_string(record.load_behavior) + (connected ? " connected" : ""));
    }
  } else if (what == "resources") {
    // The numbers vary from run to run; their change since the previous `show resources` is what
    // a scenario can expect.
    const ProcessResources now = ReadProcessResources();
    Event("resources", DescribeResources(now));
    Event("resources-change", resources_shown_ ? DescribeResourceChange(*resources_shown_, now)
                                               : std::string("(first: nothing to compare with)"));
    resources_shown_ = now;
  } else if (what == "window") {
    ShowWindowPicture(step, Argument(step, 2, "show window: the picture's file, FILE.png"));
  } else {
    Refuse(step, "show: bars, registry, clipboard, printer, addins, resources or window, not '" +
                     what + "'");
  }
}

void OfficeSession::ShowWindowPicture(const ScenarioStep& step, const std::string& file) {
  const auto& store = world_->command_bars(host_.type);
  // The add-in's menu is shown open: the first of its pop-ups on the visible menu bar.
  const FakeControl* open = nullptr;
  for (const FakeBar* bar : store->Bars()) {
    if (bar->deleted || !bar->visible || bar->type != mso::kBarTypeMenuBar) continue;
    for (const auto& control : bar->controls->items) {
      if (!open && control->controls && control->visible &&
          utf8::TextEquals(std::string_view(control->tag).substr(0, 5), "Orvan"))
        open = control.get();
    }
  }
  char title[256] = "";
  GetWindowTextA(reinterpret_cast<HWND>(window_), title, sizeof title);
  const HostPicture picture = DrawHostWindow(*store, AnsiToUtf8(title), open);
  std::filesystem::path path(win32::Widen(file));
  if (path.is_relative() && !options_.picture_folder.empty())
    path = std::filesystem::path(win32::Widen(options_.picture_folder)) / path;
  std::error_code ignored;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream out(path, std::ios::binary);
  out << EncodePng(picture.width, picture.height, picture.pixels);
  if (!out.flush())
    Refuse(step, "cannot write the picture " + Quote(win32::Narrow(path.wstring())));
  Event("picture", Quote(file));
}

void OfficeSession::Trace(const ScenarioStep& step) {
  // trace on [PATH]: the session's own trace file, or a path of the scenario's (which the
  // transcript does not read).
  const bool on = Argument(step, 1, "trace: on or off") == "on";
  const std::string path = step.words.size() > 2 ? Utf8ToAnsi(step.words[2]) : trace_file_;
  _putenv(("ORVAN_PDFVTADDINTRACE=" + (on ? path : std::string())).c_str());
}

void OfficeSession::Verbose(const ScenarioStep& step) {
  options_.verbose = Argument(step, 1, "verbose: on or off") == "on";
  world_->journal.clear();  // what came before is not shown
}

void OfficeSession::AddinRecordStep(const ScenarioStep& step) {
  const std::string& prog_id = Argument(step, 1, "ProgID");
  const HKEY root = HasWord(step, "machine") ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const std::string key = AddinKey(prog_id);
  // Listed anew, the add-in is no longer disabled, as after the user enables it again.
  for (const char* list : {"StartupItems", "DisabledItems"})
    RegDeleteKeyValueA(HKEY_CURRENT_USER, ResiliencyKey(list).c_str(), prog_id.c_str());
  if (HasWord(step, "remove")) {
    RegDeleteTreeA(root, key.c_str());
    return;
  }
  const DWORD behavior =
      static_cast<DWORD>(Number(step, Option(step, "load-behavior").value_or("3")));
  if (RegSetKeyValueA(root, key.c_str(), "LoadBehavior", REG_DWORD, &behavior, sizeof behavior) !=
          ERROR_SUCCESS ||
      RegSetKeyValueA(root, key.c_str(), "FriendlyName", REG_SZ, prog_id.c_str(),
                      static_cast<DWORD>(prog_id.size() + 1)) != ERROR_SUCCESS) {
    Refuse(step, "cannot write the add-in record " + key);
  }
}

void OfficeSession::Registry(const ScenarioStep& step) {
  // registry KEY VALUE [name NAME] [TYPE] | registry KEY binary HEX [name NAME] |
  // registry KEY remove [name NAME]: a value of the add-in's under the product key, named by
  // default, as the add-in names it, by this host program's path.
  const std::string key = std::string(kProductKey) + "\\" + Argument(step, 1, "key");
  const std::string& value = Argument(step, 2, "value, binary HEX or remove");
  const bool binary = value == "binary";
  std::size_t next = binary ? 4 : 3;
  if (binary) Argument(step, 3, "binary: the bytes in hex, as \"31 00 32\"");
  std::string name;
  char program[MAX_PATH];
  name.assign(program, GetModuleFileNameA(nullptr, program, MAX_PATH));
  std::string type = binary ? "binary" : "sz";
  bool typed = binary;
  for (; next < step.words.size(); ++next) {
    const std::string& word = step.words[next];
    if (word == "name" && next + 1 < step.words.size()) {
      name = Utf8ToAnsi(step.words[++next]);
    } else if (!typed && value != "remove" &&
               (word == "sz" || word == "sz-no-terminator" || word == "expand-sz" ||
                word == "multi-sz" || word == "dword")) {
      type = word;
      typed = true;
    } else {
      Refuse(step,
             "registry: after the value, name NAME and one of sz, sz-no-terminator, "
             "expand-sz, multi-sz or dword, not '" +
                 word + "'");
    }
  }
  if (value == "remove") {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str());
    return;
  }
  // As regedit or reg add store them: a text with its terminating zero (a multi-string with two),
  // a DWORD as the number; sz-no-terminator stores the text alone, as the add-in stores its own.
  std::string data = binary ? std::string() : Utf8ToAnsi(value);
  DWORD kind = REG_SZ;
  if (binary) {
    kind = REG_BINARY;
    const std::string& hex = step.words[3];
    auto digit = [&](std::size_t i) {
      return i < hex.size() && std::isxdigit(static_cast<unsigned char>(hex[i]));
    };
    for (std::size_t i = 0; i < hex.size(); i += 3) {
      if (!digit(i) || !digit(i + 1) ||
          (i + 2 < hex.size() && (hex[i + 2] != ' ' || i + 3 == hex.size()))) {
        Refuse(step, "binary: two hex digits a byte, separated by blanks, not " + Quote(hex));
      }
      data += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
  } else if (type == "dword") {
    kind = REG_DWORD;
    const auto n = static_cast<DWORD>(Number(step, value));
    data.assign(reinterpret_cast<const char*>(&n), sizeof n);
  } else {
    kind = type == "expand-sz" ? REG_EXPAND_SZ : type == "multi-sz" ? REG_MULTI_SZ : REG_SZ;
    if (type != "sz-no-terminator") data.append(kind == REG_MULTI_SZ ? 2 : 1, '\0');
  }
  // RegSetValueExA takes a zero right behind a text as its forgotten terminator: a byte that is
  // no zero goes there, so that exactly the data given is stored.
  std::vector<char> bytes(data.begin(), data.end());
  bytes.push_back('\xFF');
  if (RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), kind, bytes.data(),
                      static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
    Refuse(step, "cannot write " + Quote(name) + " under " + key);
  }
}

}  // namespace orvan::sim
