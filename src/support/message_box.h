// The add-in's message boxes: OK button only, one of three icons, German texts.
#pragma once

#include <cstdint>
#include <string>

namespace orvan {

// The title of a box that has none of its own.
inline constexpr const char* kApplicationTitle = "Orvan pdf Vatner COM Add-In";
// The title the add-in gives its error boxes.
inline constexpr const char* kAddinTitle = "Orvan pdf vatner Add-In";

inline constexpr unsigned kStyleCritical = 16;
inline constexpr unsigned kStyleExclamation = 48;
inline constexpr unsigned kStyleInformation = 64;

// Shows a box on the current platform's user interface, modal to the host.
void MsgBox(const std::string& text, unsigned style, const std::string& title = kApplicationTitle);

// The host's main window on this thread, which owns the boxes when the thread has no active
// window (0: none known).
void SetMessageBoxOwner(std::uintptr_t main_window);

}  // namespace orvan
