#include "commandbars/toolbar.h"

#include "commandbars/command_bar_names.h"
#include "commandbars/duplicates.h"
#include "commandbars/fields.h"
#include "commandbars/icons.h"
#include "support/language.h"
#include "support/mod_window.h"
#include "support/registry_functions.h"
#include "support/trace.h"

namespace orvan {
namespace {

constexpr const char* kPositionProperties[] = {"Left", "Top", "Position", "RowIndex"};

// The toolbar as CommandBars(name) gives it at this moment.
ObjectRef ToolbarByName(const ObjectRef& application) {
  return AsObject(GetItem(application, "CommandBars", kToolbarName));
}

void WriteHostValue(const char* key, const std::string& text) {
  CreateRegistryKey(reg::kHkeyCurrentUser, key);
  SetRegistryKeyValue(reg::kHkeyCurrentUser, key, GetHostModuleName(true), text,
                      static_cast<std::int32_t>(reg::kTypeString));
}

void Require(bool ok) {
  if (!ok) throw VbError::Runtime(vberr::kCannotOpenClipboard);
}

}  // namespace

std::string CommandCaption(std::int32_t number, ErrorsIgnored& ignored) {
  std::string caption;
  ignored.Step([&] { caption = LoadLanguageString(number); });
  return caption;
}

std::string ReadHostValue(const char* key) {
  return ToText(GetRegistryKeyValue(reg::kHkeyCurrentUser, key, GetHostModuleName(true)));
}

SavedClipboard::SavedClipboard() {
  Clipboard& clipboard = *CurrentPlatform().clipboard;
  picture_ = clipboard.GetPicture();
  text_ = clipboard.GetText();
}

void SavedClipboard::Restore(ErrorsIgnored& ignored) const {
  Clipboard& clipboard = *CurrentPlatform().clipboard;
  ignored.Step([&] { Require(clipboard.Clear()); });
  ignored.Step([&] {
    if (!picture_) throw VbError::Runtime(vberr::kObjectNotSet);
    Require(clipboard.SetPicture(*picture_));
  });
  ignored.Step([&] { Require(clipboard.SetText(text_)); });
}

std::vector<ObjectRef> CreateAddInCommandBarButton(const ObjectRef& application,
                                                   const Value& /*connect_mode*/,
                                                   const Value& /*addin_inst*/) noexcept {
  WriteTrace("CreateAddInCommandBarButton start");
  std::vector<ObjectRef> result;
  try {
    EnabledButtons() = "1;1";
    RepairCommandBars() = NumericValue(ReadHostValue(kToolBarNotRepairKey)) == 0;
    const bool any_wanted = EnabledButtons().find('1') != std::string::npos;

    ObjectRef toolbar = GetFirstAddinToolbarAndKillDuplicates(application);
    if (!toolbar && any_wanted) {
      WriteTrace("neue Toolbar");
      Args args;
      args.named = {{"Name", kToolbarName}, {"Position", kBarTop}, {"Temporary", false}};
      toolbar = AsObject(Call(ObjectMember(application, "CommandBars"), "Add", args));
    } else if (toolbar && !any_wanted) {
      WriteTrace("Toolbar delete");
      Call(toolbar, "Delete");
      toolbar = nullptr;
    }

    ObjectRef start, config;
    if (toolbar) {
      ErrorsIgnored ignored;
      // A stored value is read without fail: a missing one is empty.
      const std::string position = ReadHostValue(kToolBarPositionKey);
      for (std::int32_t field = 1; field <= 4; ++field) {
        ignored.Step([&] {
          const std::string text = GetField(position, field);
          if (text.empty()) return;
          Put(ToolbarByName(application), kPositionProperties[field - 1], NumericValue(text));
        });
      }
      const SavedClipboard saved;
      WriteTrace("Buttons erstellen");
      bool clipboard_used = false;
      start = CreateToolbarCommandbarButton(toolbar, CommandCaption(0, ignored), kStartTag,
                                            kStartBitmap, clipboard_used, 1, false);
      config = CreateToolbarCommandbarButton(toolbar, CommandCaption(1, ignored), kConfigTag,
                                             kConfigBitmap, clipboard_used, 2, false);
      if (clipboard_used) saved.Restore(ignored);
    }

    if (RepairCommandBars()) Put(toolbar, "Visible", CheckToolBarVisible());
    result = {start, config};
    WriteTrace("CreateAddInCommandBarButton ende");
  } catch (const VbError&) {
    WriteTrace("CreateAddInCommandBarButton failed");
  }
  return result;
}

ObjectRef CreateToolbarCommandbarButton(const ObjectRef& toolbar, const std::string& caption,
                                        const std::string& tag, std::int16_t bitmap_id,
                                        bool& clipboard_used, std::uint8_t button_index,
                                        bool begin_group) noexcept {
  WriteTrace("CreateToolbarCommandbarButton start");
  try {
    ObjectRef button;
    if (toolbar) {
      WriteTrace("GetFirstAddinToolbarButtonAndKillDuplicates: Tag:" + tag);
      button = GetFirstAddinToolbarButtonAndKillDuplicates(toolbar, tag);
      // A button found is returned as it is; a missing one is added only when wanted and while
      // repair is on.
      if (!button && GetField(EnabledButtons(), button_index) != "0" && RepairCommandBars()) {
        WriteTrace("Toolbarbutton einfügen: " + caption);
        ErrorsIgnored ignored;
        std::uint8_t place = 0;
        ignored.Step([&] { place = GetCorrectButtonIndex(button_index); });
        ignored.Step([&] {
          button = AsObject(Call(ObjectMember(toolbar, "Controls"), "Add",
                                 {kControlButton, Value::Missing(), Value::Missing(),
                                  static_cast<std::int16_t>(place), false}));
        });
        if (!button) {
          WriteTrace("Add Toolbar CommandbarButton failed");
        } else {
          WriteTrace("Add Toolbar CommandbarButton succeeded");
          clipboard_used = true;
          if (!PasteIconOnCommandbarButton(bitmap_id, button)) {
            // The toolbar never shows a button without its face.
            Call(button, "Delete");
            WriteTrace("CreateToolbarCommandbarButton failed");
            return nullptr;
          }
          Put(button, "Caption", caption);
          Put(button, "Tag", tag);
          Put(button, "Style", kButtonIcon);
          Put(button, "BeginGroup", begin_group);
        }
      }
    }
    WriteTrace("CreateToolbarCommandbarButton end");
    return button;
  } catch (const VbError&) {
    WriteTrace("CreateToolbarCommandbarButton failed");
    return nullptr;
  }
}

bool CheckToolBarVisible() {
  WriteTrace("CheckToolBarVisible");
  const std::string text = ReadHostValue(kIsToolBarVisibleKey);
  if (!text.empty()) return ToLong(Value(text)) != 0;
  WriteHostValue(kIsToolBarVisibleKey, "1");
  return true;
}

void SaveToolBarVisible(bool visible) {
  WriteHostValue(kIsToolBarVisibleKey, visible ? "1" : "0");
}

void RemoveAddInCommandBarButton(const ObjectRef& application, const Value& /*remove_mode*/,
                                 const std::string& menu_bar_name) {
  const ObjectRef toolbar = GetFirstAddinToolbarAndKillDuplicates(application);
  if (toolbar) SaveToolBarVisible(ToLong(Get(toolbar, "Visible")) != 0);
  try {
    std::string position;
    for (const char* property : kPositionProperties)
      position += ToText(Get(ToolbarByName(application), property)) + ";";
    position += std::to_string(GetMenuIndex(application, menu_bar_name));
    WriteHostValue(kToolBarPositionKey, position);
  } catch (const VbError&) {
    // Without a readable toolbar nothing is stored and the menu stays for the next start-up.
    WriteTrace("RemoveAddInCommandBarButton failed");
    return;
  }
  ErrorsIgnored ignored;
  ObjectRef menu;
  ignored.Step([&] { menu = GetFirstAddinMenubarAndKillDuplicates(application, menu_bar_name); });
  ignored.Step([&] {
    if (menu) Call(menu, "Delete");
  });
  ignored.Step([&] { Put(ToolbarByName(application), "Visible", false); });
  ignored.Step([&] { Call(ToolbarByName(application), "Delete"); });
  WriteTrace("RemoveAddInCommandBarButton end");
}

std::int32_t GetMenuIndex(const ObjectRef& application, const std::string& menu_bar_name) noexcept {
  WriteTrace("GetMenuIndex start");
  try {
    const ObjectRef controls =
        ObjectMember(AsObject(GetItem(application, "CommandBars", menu_bar_name)), "Controls");
    const std::int32_t count = ToLong(Get(controls, "Count"));
    for (std::int32_t i = 1; i <= count; ++i) {
      // Exact comparison: a pop-up whose tag differs in case is not the add-in's.
      if (ToText(Get(AsObject(Get(controls, "Item", {i})), "Tag")) == kMenuTag) return i;
    }
    WriteTrace("GetMenuIndex end");
    return 0;
  } catch (const VbError&) {
    WriteTrace("GetMenuIndex failed");
    return 0;
  }
}

}  // namespace orvan
