#include "commandbars/duplicates.h"

#include <functional>

#include "commandbars/command_bar_names.h"
#include "commandbars/fields.h"
#include "hosts/error_message.h"
#include "support/trace.h"
#include "support/utf8.h"

namespace orvan {
namespace {

using utf8::TextEquals;

std::int32_t CountOf(const ObjectRef& collection) {
  return ToLong(Get(collection, "Count"));
}

ObjectRef ItemOf(const ObjectRef& collection, std::int32_t i) {
  return AsObject(Get(collection, "Item", {i}));
}

// Deletes, from the collection, the items that match and are not the kept object (told apart by
// their Index, the kept one's read anew at every step since deletions move it). The count taken
// at the start bounds the loop; the current count ends it early as the collection shrinks.
void KillDuplicates(const ObjectRef& collection,
                    const std::function<bool(const ObjectRef&)>& matches, const ObjectRef& kept,
                    const char* deletion_trace) {
  const std::int32_t start_count = CountOf(collection);
  for (std::int32_t i = 1; i <= start_count; ++i) {
    if (i > CountOf(collection)) break;
    const ObjectRef item = ItemOf(collection, i);
    if (!matches(item)) continue;
    if (kept && ToLong(Get(item, "Index")) == ToLong(Get(kept, "Index"))) continue;
    WriteTrace(deletion_trace);
    Call(item, "Delete");
    --i;
  }
}

// A control's tag is the given one or one of an earlier version.
std::function<bool(const ObjectRef&)> TagOrOldTag(const std::string& tag) {
  return [tag](const ObjectRef& control) {
    const std::string text = ToText(Get(control, "Tag"));
    return TextEquals(text, tag) || IsOldTag(text);
  };
}

// FindControl with only the tag given.
ObjectRef FindControlByTag(const ObjectRef& bar, const std::string& tag) {
  return AsObject(Call(bar, "FindControl", Args::Named("Tag", tag)));
}

}  // namespace

ObjectRef GetFirstVatnerAddinToolbar(const ObjectRef& application) noexcept {
  try {
    ObjectRef result;
    const ObjectRef bars = ObjectMember(application, "CommandBars");
    const std::int32_t count = CountOf(bars);
    for (std::int32_t i = 1; i <= count; ++i) {
      const ObjectRef bar = ItemOf(bars, i);
      if (TextEquals(ToText(Get(bar, "Name")), kToolbarName)) result = bar;
    }
    WriteTrace("GetFirstVatnerAddinToolbar success");
    return result;
  } catch (const VbError&) {
    WriteTrace("GetFirstVatnerAddinToolbar failed");
    return nullptr;
  }
}

ObjectRef GetFirstAddinToolbarAndKillDuplicates(const ObjectRef& application) noexcept {
  try {
    const ObjectRef kept = GetFirstVatnerAddinToolbar(application);
    if (kept) WriteTrace("Toolbar gefunden");
    // Also without a kept toolbar: bars named with an old tag go in any case.
    KillDuplicates(
        ObjectMember(application, "CommandBars"),
        [](const ObjectRef& bar) {
          const std::string name = ToText(Get(bar, "Name"));
          return TextEquals(name, kToolbarName) || IsOldTag(name);
        },
        kept, "überzählige Toolbar löschen");
    return kept;
  } catch (const VbError& e) {
    ShowErrorMessage(e, "GetFirstAddinToolbarAndKillDuplicates", "");
    return nullptr;
  }
}

ObjectRef GetFirstAddinMenubarAndKillDuplicates(const ObjectRef& application,
                                                const std::string& menu_bar_name) noexcept {
  WriteTrace("GetFirstAddinMenubarAndKillDuplicates start");
  try {
    const ObjectRef menu_bar = AsObject(GetItem(application, "CommandBars", menu_bar_name));
    if (!menu_bar) {
      WriteTrace("GetFirstAddinMenubarAndKillDuplicates failed");
      return nullptr;
    }
    ObjectRef menu;
    try {
      menu = FindControlByTag(menu_bar, kMenuTag);
    } catch (const VbError&) {
      menu = nullptr;
    }
    if (menu) {
      WriteTrace("Menubar gefunden");
      KillDuplicates(
          ObjectMember(menu_bar, "Controls"),
          [](const ObjectRef& control) {
            return TextEquals(ToText(Get(control, "Tag")), kMenuTag);
          },
          menu, "überzählige Menubar löschen");
    }
    WriteTrace("GetFirstAddinMenubarAndKillDuplicates end");
    return menu;
  } catch (const VbError&) {
    WriteTrace("GetFirstAddinMenubarAndKillDuplicates failed");
    return nullptr;
  }
}

ObjectRef GetFirstAddinMenubarButtonAndKillDuplicates(const ObjectRef& menu,
                                                      const std::string& tag) noexcept {
  WriteTrace("GetFirstAddinMenubarButtonAndKillDuplicates start");
  try {
    if (!menu) throw VbError::Runtime(vberr::kObjectNotSet);
    const ObjectRef controls = ObjectMember(menu, "Controls");
    const std::int32_t count = CountOf(controls);
    ObjectRef kept;
    for (std::int32_t i = 1; i <= count; ++i) {
      try {
        const ObjectRef control = ItemOf(controls, i);
        if (!TextEquals(ToText(Get(control, "Tag")), tag)) continue;
        // Only a button is kept; the first control with the tag ends the search either way.
        if (control && control->Implements(OfficeInterface::kCommandBarButton)) kept = control;
        break;
      } catch (const VbError&) {
        // A control that cannot be read is passed over.
      }
    }
    if (kept) WriteTrace("Menubarbutton gefunden");
    KillDuplicates(controls, TagOrOldTag(tag), kept, "überzählige Menubarbutton löschen");
    WriteTrace("GetFirstAddinMenubarButtonAndKillDuplicates end");
    return kept;
  } catch (const VbError&) {
    WriteTrace("GetFirstAddinMenubarButtonAndKillDuplicates failed");
    return nullptr;
  }
}

ObjectRef GetFirstAddinToolbarButtonAndKillDuplicates(const ObjectRef& toolbar,
                                                      const std::string& tag) noexcept {
  WriteTrace("GetFirstAddinToolbarButtonAndKillDuplicates start");
  try {
    ObjectRef found;
    try {
      const ObjectRef control = FindControlByTag(toolbar, tag);
      if (control && control->Implements(OfficeInterface::kCommandBarButton)) found = control;
    } catch (const VbError&) {
      found = nullptr;
    }
    if (found) WriteTrace("Toolbarbutton gefunden");
    KillDuplicates(ObjectMember(toolbar, "Controls"), TagOrOldTag(tag), found,
                   "überzählige Toolbarbutton löschen");
    WriteTrace("GetFirstAddinToolbarButtonAndKillDuplicates end");
    return found;
  } catch (const VbError&) {
    WriteTrace("GetFirstAddinToolbarButtonAndKillDuplicates failed");
    return nullptr;
  }
}

}  // namespace orvan
