#include "commandbars/menu.h"

#include "commandbars/command_bar_names.h"
#include "commandbars/duplicates.h"
#include "commandbars/fields.h"
#include "commandbars/icons.h"
#include "commandbars/toolbar.h"
#include "support/message_box.h"
#include "support/trace.h"

namespace orvan {

std::vector<ObjectRef> CreateAddInCommandBarMenu(const ObjectRef& application,
                                                 const Value& /*connect_mode*/,
                                                 const Value& /*addin_inst*/,
                                                 const std::string& menu_bar_name) noexcept {
  WriteTrace("CreateAddInCommandBarMenu start");
  std::vector<ObjectRef> result;
  try {
    ObjectRef start, config;
    const ObjectRef bar = AsObject(GetItem(application, "CommandBars", menu_bar_name));
    if (bar) {
      ObjectRef menu = GetFirstAddinMenubarAndKillDuplicates(application, menu_bar_name);
      if (!menu && RepairCommandBars()) {
        WriteTrace("AddinMenu erstellen");
        menu = AsObject(
            Call(ObjectMember(bar, "Controls"), "Add",
                 {kControlPopup, Value::Missing(), Value::Missing(), Value::Missing(), false}));
        Put(menu, "Caption", kMenuCaption);
        Put(menu, "Tag", kMenuTag);
      }
      if (menu) {
        ErrorsIgnored ignored;
        // A stored value is read without fail: a missing one is empty.
        const std::string position = ReadHostValue(kToolBarPositionKey);
        ignored.Step([&] {
          const std::string place = GetField(position, 5);
          if (!place.empty()) Call(menu, "Move", {Value::Missing(), NumericValue(place)});
        });
        const SavedClipboard saved;
        WriteTrace("MenuItems erstellen");
        bool clipboard_used = false;
        start = CreateMenuCommandbarButton(application, menu, CommandCaption(0, ignored),
                                           kStartMenuTag, kStartBitmap, clipboard_used, false);
        config = CreateMenuCommandbarButton(application, menu, CommandCaption(1, ignored),
                                            kConfigMenuTag, kConfigBitmap, clipboard_used, false);
        if (clipboard_used) saved.Restore(ignored);
      }
    }
    result = {start, config};
    WriteTrace("CreateAddInCommandBarMenu ende");
  } catch (const VbError& e) {
    MsgBox(e.description(), kStyleInformation, kMenuErrorTitle);
  }
  return result;
}

ObjectRef CreateMenuCommandbarButton(const ObjectRef& /*application*/, const ObjectRef& menu,
                                     const std::string& caption, const std::string& tag,
                                     std::int16_t bitmap_id, bool& clipboard_used,
                                     bool begin_group) noexcept {
  WriteTrace("CreateMenuCommandbarButton start");
  try {
    if (!menu) return nullptr;
    ObjectRef button = GetFirstAddinMenubarButtonAndKillDuplicates(menu, tag);
    if (!button) {
      WriteTrace("MenuItem einfügen: " + caption);
      ErrorsIgnored ignored;
      ignored.Step([&] {
        Args args;
        args.named = {{"Type", kControlButton}, {"Temporary", false}};
        button = AsObject(Call(ObjectMember(menu, "Controls"), "Add", args));
      });
      if (!button) {
        WriteTrace("Add MenuCommandbarButton failed");
      } else {
        WriteTrace("Add MenuCommandbarButton succeeded");
        Put(button, "Caption", caption);
        Put(button, "Tag", tag);
        Put(button, "BeginGroup", begin_group);
        clipboard_used = true;
        // An item whose face cannot be pasted stays, with its caption.
        PasteIconOnCommandbarButton(bitmap_id, button);
      }
    }
    WriteTrace("CreateMenuCommandbarButton end");
    return button;
  } catch (const VbError&) {
    WriteTrace("CreateMenuCommandbarButton failed");
    return nullptr;
  }
}

void RemoveVatnerPropertiesCommandButtons(const ObjectRef& controller) noexcept {
  WriteTrace("RemoveVatnerPropertiesCommandButtons start");
  try {
    if (!controller) return;
    WriteTrace("ToolbarButton");
    const ObjectRef toolbar_button = ObjectMember(controller, "ToolbarButtons", {1});
    if (toolbar_button) Call(toolbar_button, "Delete");
    WriteTrace("MenubarButton");
    const ObjectRef menu_item = ObjectMember(controller, "MenubarButtons", {1});
    if (menu_item) Call(menu_item, "Delete");
    WriteTrace("RemoveVatnerPropertiesCommandButtons end");
  } catch (const VbError&) {
    // Silent by design: the configuration commands may stay.
  }
}

}  // namespace orvan
