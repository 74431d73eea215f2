// The add-in's pop-up menu in the host's main menu bar: found or created at start-up with its
// Start and Config items and moved to its stored place; and the removal of the two configuration
// commands when the host cannot keep printer settings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/automation.h"

namespace orvan {

// The menu's items: elements 0 (Start) and 1 (Config), nothing where an item is missing; no
// elements when the procedure failed (the error's description is then shown in a box).
// connect_mode and addin_inst are not used.
std::vector<ObjectRef> CreateAddInCommandBarMenu(const ObjectRef& application,
                                                 const Value& connect_mode, const Value& addin_inst,
                                                 const std::string& menu_bar_name) noexcept;

// The menu's item with the tag, appended with its caption and face when missing (also while
// repair is off). Sets clipboard_used when it added one. application is not used.
ObjectRef CreateMenuCommandbarButton(const ObjectRef& application, const ObjectRef& menu,
                                     const std::string& caption, const std::string& tag,
                                     std::int16_t bitmap_id, bool& clipboard_used,
                                     bool begin_group) noexcept;

// Deletes the controller's ToolbarButtons(1) and MenubarButtons(1), the configuration commands,
// read by member name; any error ends it silently.
void RemoveVatnerPropertiesCommandButtons(const ObjectRef& controller) noexcept;

// The title of the menu's error box.
inline constexpr const char* kMenuErrorTitle = "Orvan pdf vatner";

}  // namespace orvan
