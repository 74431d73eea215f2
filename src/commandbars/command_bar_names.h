// The names and tags by which the add-in knows its toolbar, menu and buttons, and the Office
// constants it passes to the command-bar members.
#pragma once

#include <cstdint>

namespace orvan {

inline constexpr const char* kToolbarName = "Orvan pdf vatner Toolbar";
inline constexpr const char* kMenuCaption = "Orvan pdf vatner Add-&In";
inline constexpr const char* kMenuTag = "Orvan pdf vatner";
inline constexpr const char* kStartTag = "Orvan pdf vatner Start";
inline constexpr const char* kConfigTag = "Orvan pdf vatner Config";
inline constexpr const char* kStartMenuTag = "Orvan pdf vatner StartMenu";
inline constexpr const char* kConfigMenuTag = "Orvan pdf vatner ConfigMenu";
// The tags earlier versions gave their buttons and menu items.
inline constexpr const char* kOldTags =
    "OrvanVatnerStart;OrvanVatnerConfig;OrvanVatnerStartMenu;OrvanVatnerConfigMenu";

// Button faces: bitmap resources of the add-in module.
inline constexpr std::int16_t kStartBitmap = 101;
inline constexpr std::int16_t kConfigBitmap = 102;

// Office's MsoControlType, MsoBarPosition and MsoButtonStyle values the add-in uses.
inline constexpr std::int32_t kControlButton = 1;
inline constexpr std::int32_t kControlPopup = 10;
inline constexpr std::int32_t kBarTop = 1;
inline constexpr std::int32_t kButtonIcon = 1;

}  // namespace orvan
