// The system clipboard's bitmap and Unicode text.
//
// An operation that changes the clipboard opens it with a message-only window created for it and
// destroyed right after the clipboard is closed, or in a batch with the batch's window, made at
// the batch's first change and destroyed at its end (a window costs a millisecond or more to make
// under Wine, the clipboard operation a tenth). Opening with a window rather than with none makes
// this window the owner when the clipboard is emptied, so that data can be put afterwards; reading
// needs no owner and opens with none. Keeping the window only for the operation or the batch
// means that no other program ever sends clipboard messages to a window of ours that nobody
// serves for long. What was put stays on the clipboard when the window and the process
// are gone: the system keeps its own copy of the text and of the bitmap.
#include <cstring>
#include <utility>

#include "platform/win32/platform_win32.h"
#include "platform/win32/wide_text_win32.h"
#include "support/profile.h"

namespace orvan::win32 {
namespace {

// Owns one handle and frees it with Free when it goes, unless Release handed it on.
template <typename Handle, auto Free>
class Owned {
 public:
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() {
    if (handle_) Free(handle_);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Handle get() const { return handle_; }
  Handle Release() { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_;
};

using ScopedWindow = Owned<HWND, &DestroyWindow>;
using ScopedBitmap = Owned<HBITMAP, &DeleteObject>;
using ScopedGlobal = Owned<HGLOBAL, &GlobalFree>;

class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
  ~GlobalLockGuard() {
    if (data_) GlobalUnlock(memory_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  void* data() const { return data_; }

 private:
  HGLOBAL memory_;
  void* data_;
};

HWND MessageWindow() {
  return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// Whether an operation changes the clipboard (and needs an owner window) or only reads it.
enum class Access { kRead, kChange };

// The clipboard open for one operation: to change it with the batch's window as the opener, else
// a hidden window of its own; to read it with none.
class ClipboardSession {
 public:
  ClipboardSession(Access access, HWND batch_window)
      : own_window_(access == Access::kChange && !batch_window ? MessageWindow() : nullptr),
        window_(access == Access::kRead ? nullptr
                : batch_window          ? batch_window
                                        : own_window_.get()) {
    // Another program may hold the clipboard for a moment (viewers read it after each change).
    constexpr int kAttempts = 5;
    constexpr DWORD kPauseMs = 20;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      if (attempt > 0) Sleep(kPauseMs);
      if (OpenClipboard(window_)) {
        open_ = true;
        return;
      }
    }
  }
  ~ClipboardSession() {
    if (open_) CloseClipboard();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool open() const { return open_; }

 private:
  ScopedWindow own_window_;  // destroyed after the clipboard is closed
  HWND window_;
  bool open_ = false;
};

// A copy of a bitmap, as a device-dependent bitmap.
HBITMAP CopyBitmap(HANDLE bitmap) {
  return static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0));
}

}  // namespace

bool Win32Clipboard::Clear() {
  const profile::Spend spend(profile::Where::kClipboard);
  const ClipboardSession session(Access::kChange, BatchWindow());
  return session.open() && EmptyClipboard();
}

PictureRef Win32Clipboard::GetPicture() {
  const profile::Spend spend(profile::Where::kClipboard);
  const ClipboardSession session(Access::kRead, nullptr);
  if (!session.open()) return nullptr;
  const HANDLE bitmap = GetClipboardData(CF_BITMAP);
  if (bitmap == nullptr) return nullptr;
  ScopedBitmap copy(CopyBitmap(bitmap));
  if (copy.get() == nullptr) return nullptr;
  PictureRef picture = BitmapPicture(copy.get(), nullptr, true);
  if (picture) copy.Release();  // the picture owns it now
  return picture;
}

std::string Win32Clipboard::GetText() {
  const profile::Spend spend(profile::Where::kClipboard);
  const ClipboardSession session(Access::kRead, nullptr);
  if (!session.open()) return {};
  const HANDLE text = GetClipboardData(CF_UNICODETEXT);
  if (text == nullptr) return {};
  const GlobalLockGuard lock(text);
  if (lock.data() == nullptr) return {};
  // The text ends at its terminating zero or at the end of the block, whichever comes first.
  const auto* chars = static_cast<const wchar_t*>(lock.data());
  const std::size_t capacity = GlobalSize(text) / sizeof(wchar_t);
  std::size_t length = 0;
  while (length < capacity && chars[length] != L'\0')
    ++length;
  return Narrow(std::wstring_view(chars, length));
}

bool Win32Clipboard::SetPicture(const Picture& picture) {
  const profile::Spend spend(profile::Where::kClipboard);
  const auto* ole = dynamic_cast<const Win32Picture*>(&picture);
  if (ole == nullptr || ole->get() == nullptr) return false;
  SHORT type = PICTYPE_UNINITIALIZED;
  OLE_HANDLE handle = 0;
  if (FAILED(ole->get()->get_Type(&type)) || type != PICTYPE_BITMAP) return false;
  if (FAILED(ole->get()->get_Handle(&handle)) || handle == 0) return false;
  // OLE hands out GDI handles as 32-bit values; widened as the system widens handles.
  ScopedBitmap copy(CopyBitmap(LongToHandle(static_cast<LONG>(handle))));
  if (copy.get() == nullptr) return false;
  const ClipboardSession session(Access::kChange, BatchWindow());
  if (!session.open() || SetClipboardData(CF_BITMAP, copy.get()) == nullptr) return false;
  copy.Release();  // the clipboard owns it now
  return true;
}

bool Win32Clipboard::SetText(const std::string& text) {
  const profile::Spend spend(profile::Where::kClipboard);
  const std::wstring wide = Widen(text);
  const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  ScopedGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (memory.get() == nullptr) return false;
  {
    const GlobalLockGuard lock(memory.get());
    if (lock.data() == nullptr) return false;
    std::memcpy(lock.data(), wide.c_str(), bytes);
  }
  const ClipboardSession session(Access::kChange, BatchWindow());
  if (!session.open() || SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) return false;
  memory.Release();  // the clipboard owns it now
  return true;
}

HWND Win32Clipboard::BatchWindow() {
  if (batch_depth_ == 0 || batch_thread_ != GetCurrentThreadId()) return nullptr;
  if (!batch_window_) batch_window_ = MessageWindow();  // at the batch's first change
  return batch_window_;
}

void Win32Clipboard::BeginBatch() {
  if (batch_depth_ > 0 && batch_thread_ != GetCurrentThreadId()) return;  // another's batch
  if (batch_depth_++ > 0) return;
  batch_thread_ = GetCurrentThreadId();
}

void Win32Clipboard::EndBatch() {
  if (batch_depth_ == 0 || batch_thread_ != GetCurrentThreadId() || --batch_depth_ > 0) return;
  if (batch_window_) DestroyWindow(batch_window_);
  batch_window_ = nullptr;
  batch_thread_ = 0;
}

}  // namespace orvan::win32
