// Finding the add-in's toolbar, menu and buttons among the host's command bars: each procedure
// keeps one instance, deletes every other one it recognises as the add-in's (leftovers of earlier
// runs and of older versions) and returns the one kept, or nothing.
#pragma once

#include <string>

#include "support/automation.h"

namespace orvan {

// The last command bar named "Orvan pdf vatner Toolbar" (any letter case), or nothing.
ObjectRef GetFirstVatnerAddinToolbar(const ObjectRef& application) noexcept;
// That toolbar, after the other bars of that name or named with an old tag were deleted.
// A failure shows the error message and gives nothing.
ObjectRef GetFirstAddinToolbarAndKillDuplicates(const ObjectRef& application) noexcept;
// The add-in's pop-up in the named menu bar, its duplicates deleted; nothing on a failure.
ObjectRef GetFirstAddinMenubarAndKillDuplicates(const ObjectRef& application,
                                                const std::string& menu_bar_name) noexcept;
// The menu's first button carrying the tag; other controls with the tag or an old tag deleted.
ObjectRef GetFirstAddinMenubarButtonAndKillDuplicates(const ObjectRef& menu,
                                                      const std::string& tag) noexcept;
// The toolbar's button that FindControl finds by the tag; other controls with the tag or an old
// tag deleted.
ObjectRef GetFirstAddinToolbarButtonAndKillDuplicates(const ObjectRef& toolbar,
                                                      const std::string& tag) noexcept;

}  // namespace orvan
