// The add-in's toolbar: found or created at start-up with its two buttons, put back where the
// user had it, and at shut-down its place and visibility stored per host installation and the
// toolbar and menu removed. Also the user's clipboard, kept while button faces go through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/automation.h"
#include "support/platform.h"

namespace orvan {

// The add-in's keys below HKEY_CURRENT_USER; each holds one value per host executable path.
inline constexpr const char* kToolBarPositionKey =
    "Software\\Orvan software GmbH\\Orvan pdf vatner\\OfficeAddin\\ToolBarPosition\\";
inline constexpr const char* kIsToolBarVisibleKey =
    "Software\\Orvan software GmbH\\Orvan pdf vatner\\OfficeAddin\\IsToolBarVisible\\";
inline constexpr const char* kToolBarNotRepairKey =
    "Software\\Orvan software GmbH\\Orvan pdf vatner\\OfficeAddin\\ToolBarNotRepair\\";

// Finds or creates the toolbar and its Start and Config buttons and restores its stored place
// and visibility. Elements 0 (Start) and 1 (Config), nothing where a button is missing; no
// elements when the procedure failed. connect_mode and addin_inst are not used.
std::vector<ObjectRef> CreateAddInCommandBarButton(const ObjectRef& application,
                                                   const Value& connect_mode,
                                                   const Value& addin_inst) noexcept;

// The toolbar's button with the tag, added at its place with its face when missing and wanted
// while repair is on. Sets clipboard_used when it added one. Nothing when there is none.
ObjectRef CreateToolbarCommandbarButton(const ObjectRef& toolbar, const std::string& caption,
                                        const std::string& tag, std::int16_t bitmap_id,
                                        bool& clipboard_used, std::uint8_t button_index,
                                        bool begin_group) noexcept;

// This host's stored visibility; a missing value is stored as shown. Stored text that is no
// number raises a type mismatch.
bool CheckToolBarVisible();
void SaveToolBarVisible(bool visible);

// Stores the toolbar's visibility, its place and the menu's place, then deletes menu and
// toolbar. Errors while the toolbar is looked up and its visibility stored reach the caller.
void RemoveAddInCommandBarButton(const ObjectRef& application, const Value& remove_mode,
                                 const std::string& menu_bar_name);

// The place (from 1) of the add-in's pop-up among the controls of the named bar, by its exact
// tag; 0 when it is not there or the search fails.
std::int32_t GetMenuIndex(const ObjectRef& application, const std::string& menu_bar_name) noexcept;

// The command's caption (0 Start, 1 Config); empty when it cannot be loaded, the error kept in
// `ignored` like any other step of the stretch.
std::string CommandCaption(std::int32_t number, ErrorsIgnored& ignored);

// This host's stored value of one of the add-in's keys, as text ("" when missing).
std::string ReadHostValue(const char* key);

// The user's clipboard picture and text, taken before button faces are pasted through the
// clipboard and put back once a button was added.
class SavedClipboard {
 public:
  // Takes the picture (nothing when there is none) and the text ("" when there is none).
  SavedClipboard();
  // Clears the clipboard and puts the picture and the text back, each step skipped on failure.
  void Restore(ErrorsIgnored& ignored) const;

 private:
  PictureRef picture_;
  std::string text_;
};

}  // namespace orvan
