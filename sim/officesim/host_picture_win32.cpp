#include "sim/officesim/host_picture_win32.h"

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/win32/wide_text_win32.h"
#include "platform/win32/win32.h"

namespace orvan::sim {
namespace {

constexpr int kScale = 2;           // faces are drawn twice as large, for readability
constexpr int kFace = 16 * kScale;  // a face's side in the picture
constexpr int kCell = kFace + 8;    // a toolbar button's height (and an icon's width)
constexpr int kMenuRow = 30;        // the menu bar's height
constexpr int kTitle = 30;          // the window's title bar
constexpr int kStatus = 24;         // the status bar
constexpr int kGrip = 10;           // a docked toolbar's handle
constexpr int kFloatTitle = 22;     // a floating toolbar's title
constexpr int kMinWidth = 960;
constexpr int kMinDocument = 380;     // the document area's least height
constexpr int kMenuItem = kFace + 6;  // an item of an open menu
constexpr int kGutter = kFace + 10;   // an open menu's face column

constexpr COLORREF kTitleColour = RGB(0x2B, 0x57, 0x9A);
constexpr COLORREF kDockColour = RGB(0xD8, 0xD6, 0xD0);
constexpr COLORREF kPageColour = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kWorkspace = RGB(0xA0, 0xA4, 0xAC);
constexpr COLORREF kEdge = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kText = RGB(0x00, 0x00, 0x00);
constexpr COLORREF kGreyText = RGB(0x90, 0x90, 0x90);
constexpr COLORREF kMenuOpen = RGB(0xC4, 0xD8, 0xF0);

// MsoButtonStyle values that decide what a button shows.
constexpr std::int32_t kStyleIcon = 1;
constexpr std::int32_t kStyleCaption = 2;

using DcHandle = std::unique_ptr<std::remove_pointer_t<HDC>, decltype(&DeleteDC)>;
using GdiHandle = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, decltype(&DeleteObject)>;

bool Shown(const FakeControl& c) {
  return c.visible && !c.deleted;
}

bool Vertical(const FakeBar& bar) {
  return bar.position == mso::kBarLeft || bar.position == mso::kBarRight;
}

// What a toolbar button shows: its face, its caption, or both. Standing on the left or right a
// bar shows faces only, the caption of a button without one.
struct Look {
  bool face = false;
  bool caption = false;
};

Look LookOf(const FakeControl& c, bool vertical) {
  const bool has_face = c.face && !c.face->pixels.empty();
  if (c.controls || c.style == kStyleCaption) return {false, true};
  if (vertical) return {true, !has_face};
  if (c.style == 0) return {has_face, !has_face};  // automatic: the face, else the caption
  if (c.style == kStyleIcon) return {true, false};
  return {true, true};  // icon and caption, and the wrapping styles
}

class Painter {
 public:
  explicit Painter(const std::string& title) : title_(win32::Widen(title)) {
    dc_.reset(CreateCompatibleDC(nullptr));
    if (!dc_) throw std::runtime_error("no device context for the host's picture");
    font_.reset(CreateFontW(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                            DEFAULT_PITCH, L"Tahoma"));
    bold_.reset(CreateFontW(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                            DEFAULT_PITCH, L"Tahoma"));
    SelectObject(dc_.get(), font_.get());
    SetBkMode(dc_.get(), TRANSPARENT);
  }

  // A caption's width as drawn, the "&" of its access key not counted.
  int TextWidth(const std::string& text) const {
    RECT r{0, 0, 0, 0};
    const std::wstring wide = win32::Widen(text);
    DrawTextW(dc_.get(), wide.c_str(), static_cast<int>(wide.size()), &r,
              DT_SINGLELINE | DT_CALCRECT);
    return r.right - r.left;
  }

  int ControlWidth(const FakeControl& c, bool vertical) const {
    if (vertical) return kCell;
    const Look look = LookOf(c, false);
    int width = 8;
    if (look.face) width += kFace;
    if (look.face && look.caption) width += 6;
    if (look.caption) width += TextWidth(c.caption) + (c.controls ? 16 : 4);
    return width + (c.begin_group ? 6 : 0);
  }

  // The bar's outer size in the picture.
  SIZE BarSize(const FakeBar& bar) const {
    if (bar.type == mso::kBarTypeMenuBar) {
      int width = 6;
      for (const auto& c : bar.controls->items)
        if (Shown(*c)) width += TextWidth(c->caption) + 16;
      return {width, kMenuRow};
    }
    const bool vertical = Vertical(bar);
    int length = kGrip + 4;
    for (const auto& c : bar.controls->items)
      if (Shown(*c)) length += vertical ? kCell : ControlWidth(*c, false);
    length = std::max(length, kGrip + kCell);
    if (bar.position == mso::kBarFloating) {
      const int width = std::max(length - kGrip + 4, TextWidth(bar.name) + 16);
      return {width, kFloatTitle + kCell + 4};
    }
    return vertical ? SIZE{kCell + 4, length} : SIZE{length, kCell + 4};
  }

  // Lays the window out, then draws it.
  HostPicture Draw(const CommandBarStore& store, const FakeControl* open_menu) {
    std::map<std::int32_t, std::map<std::int32_t, std::vector<const FakeBar*>>> docks;
    std::vector<const FakeBar*> floating;
    for (const FakeBar* bar : store.Bars()) {
      if (bar->deleted || !bar->visible || bar->type == mso::kBarTypePopup) continue;
      if (bar->position == mso::kBarFloating) {
        floating.push_back(bar);
      } else if (bar->position <= mso::kBarBottom) {
        docks[bar->position][bar->row].push_back(bar);
      }
    }
    for (auto& [position, rows] : docks) {
      for (auto& [row, bars] : rows) {
        std::stable_sort(bars.begin(), bars.end(), [&](const FakeBar* a, const FakeBar* b) {
          return Vertical(*a) ? a->top < b->top : a->left < b->left;
        });
      }
    }
    // Each row's depth across its dock (height for top and bottom, width for left and right)
    // and length along it.
    auto depth = [&](const std::vector<const FakeBar*>& bars) {
      int most = 0;
      for (const FakeBar* bar : bars) {
        const SIZE size = BarSize(*bar);
        most = std::max<int>(most, Vertical(*bar) ? size.cx : size.cy);
      }
      return most + 2;
    };
    auto length = [&](const std::vector<const FakeBar*>& bars) {
      int total = 0;
      for (const FakeBar* bar : bars) {
        const SIZE size = BarSize(*bar);
        total += (Vertical(*bar) ? size.cy : size.cx) + 2;
      }
      return total;
    };
    auto dock_depth = [&](std::int32_t position) {
      int total = 0;
      for (const auto& [row, bars] : docks[position])
        total += depth(bars);
      return total;
    };
    auto dock_length = [&](std::int32_t position) {
      int most = 0;
      for (const auto& [row, bars] : docks[position])
        most = std::max(most, length(bars));
      return most;
    };
    const int top = dock_depth(mso::kBarTop), bottom = dock_depth(mso::kBarBottom);
    const int left = dock_depth(mso::kBarLeft), right = dock_depth(mso::kBarRight);
    int width =
        std::max({kMinWidth, dock_length(mso::kBarTop) + 4, dock_length(mso::kBarBottom) + 4});
    int middle =
        std::max({kMinDocument, dock_length(mso::kBarLeft) + 4, dock_length(mso::kBarRight) + 4});
    for (const FakeBar* bar : floating) {
      const SIZE size = BarSize(*bar);
      width = std::max<int>(width, std::max(0, bar->left) + size.cx + 4);
      middle = std::max<int>(middle, std::max(0, bar->top) + size.cy + 4 - top);
    }
    if (open_menu && open_menu->controls) {
      middle = std::max<int>(middle, MenuSize(*open_menu).cy + 8);
    }
    width = std::max(width, left + right + 200);
    const int height = kTitle + top + middle + bottom + kStatus;

    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiHandle canvas(CreateDIBSection(dc_.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0),
                     &DeleteObject);
    if (!canvas || bits == nullptr) throw std::runtime_error("no bitmap for the host's picture");
    const HGDIOBJ before = SelectObject(dc_.get(), canvas.get());
    width_ = width;
    height_ = height;
    bits_ = static_cast<std::uint32_t*>(bits);

    Fill({0, 0, width, height}, kDockColour);
    Fill({0, 0, width, kTitle}, kTitleColour);
    Text({10, 0, width - 10, kTitle}, title_, RGB(0xFF, 0xFF, 0xFF), DT_NOPREFIX, bold_.get());
    const RECT document{left, kTitle + top, width - right, kTitle + top + middle};
    Fill(document, kWorkspace);
    Fill({document.left + 40, document.top + 16, document.right - 40, document.bottom},
         kPageColour);
    Fill({0, height - kStatus, width, height}, kDockColour);
    Text({8, height - kStatus, width, height}, L"Page 1 of 1", kText, DT_NOPREFIX);

    // Docks: top rows downwards, bottom rows upwards from the status bar, left and right
    // columns outwards from the document.
    POINT menu_at{-1, -1};
    auto place_rows = [&](std::int32_t position, int start, int step_sign) {
      int offset = start;
      for (const auto& [row, bars] : docks[position]) {
        const int d = depth(bars);
        const int at = step_sign > 0 ? offset : offset - d;
        int along = 2;
        for (const FakeBar* bar : bars) {
          const SIZE size = BarSize(*bar);
          const bool vertical = Vertical(*bar);
          const POINT origin =
              vertical ? POINT{at + 1, kTitle + top + along} : POINT{along, at + 1};
          DrawBar(*bar, origin, open_menu, &menu_at);
          along += (vertical ? size.cy : size.cx) + 2;
        }
        offset += step_sign * d;
      }
    };
    place_rows(mso::kBarTop, kTitle, 1);
    place_rows(mso::kBarBottom, height - kStatus, -1);
    place_rows(mso::kBarLeft, 0, 1);
    place_rows(mso::kBarRight, width, -1);
    for (const FakeBar* bar : floating)
      DrawBar(*bar, {std::max(0, bar->left), std::max(kTitle + top, bar->top)}, open_menu,
              &menu_at);
    if (open_menu && open_menu->controls && menu_at.x >= 0) DrawMenu(*open_menu, menu_at);

    GdiFlush();
    for (const auto& [at, face] : faces_)
      PutFace(at, *face);
    HostPicture picture{width, height, {}};
    picture.pixels.assign(bits_, bits_ + static_cast<std::size_t>(width) * height);
    for (std::uint32_t& pixel : picture.pixels)
      pixel &= 0x00FFFFFF;
    SelectObject(dc_.get(), before);
    faces_.clear();
    bits_ = nullptr;
    return picture;
  }

 private:
  void Fill(const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc_.get(), colour);
    FillRect(dc_.get(), &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  void Frame(const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc_.get(), colour);
    FrameRect(dc_.get(), &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  void Text(RECT r, const std::wstring& text, COLORREF colour, UINT flags = 0,
            HGDIOBJ font = nullptr) {
    SetTextColor(dc_.get(), colour);
    const HGDIOBJ before = font ? SelectObject(dc_.get(), font) : nullptr;
    DrawTextW(dc_.get(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | flags);
    if (before) SelectObject(dc_.get(), before);
  }
  void Caption(const RECT& r, const FakeControl& c) {
    Text(r, win32::Widen(c.caption), c.enabled ? kText : kGreyText);
  }
  // A face goes into the pixels once GDI has drawn everything else.
  void Face(POINT at, const FakeControl& c) {
    if (c.face && !c.face->pixels.empty()) faces_.emplace_back(at, &*c.face);
  }
  void PutFace(POINT at, const ButtonFace& face) {
    for (int y = 0; y < face.height * kScale; ++y) {
      for (int x = 0; x < face.width * kScale; ++x) {
        const int px = at.x + x, py = at.y + y;
        if (px < 0 || px >= width_ || py < 0 || py >= height_) continue;
        bits_[static_cast<std::size_t>(py) * width_ + px] =
            face.pixels[static_cast<std::size_t>(y / kScale) * face.width + x / kScale];
      }
    }
  }

  SIZE MenuSize(const FakeControl& menu) const {
    int widest = 0, height = 4;
    for (const auto& item : menu.controls->items) {
      if (!Shown(*item)) continue;
      widest = std::max(widest, TextWidth(item->caption) + (item->controls ? 24 : 0));
      height += kMenuItem + (item->begin_group ? 6 : 0);
    }
    return {kGutter + 12 + widest + 24, height};
  }

  void DrawBar(const FakeBar& bar, POINT at, const FakeControl* open_menu, POINT* menu_at) {
    const SIZE size = BarSize(bar);
    RECT outline{at.x, at.y, at.x + size.cx, at.y + size.cy};
    if (bar.type == mso::kBarTypeMenuBar) {
      Fill(outline, GetSysColor(COLOR_BTNFACE));
      int x = at.x + 6;
      for (const auto& c : bar.controls->items) {
        if (!Shown(*c)) continue;
        const int w = TextWidth(c->caption) + 16;
        if (c.get() == open_menu) {
          Fill({x, at.y + 2, x + w, at.y + size.cy - 2}, kMenuOpen);
          Frame({x, at.y + 2, x + w, at.y + size.cy - 2}, kEdge);
          *menu_at = {x, at.y + size.cy - 2};
        }
        Caption({x + 8, at.y, x + w, at.y + size.cy}, *c);
        x += w;
      }
      return;
    }
    Fill(outline, GetSysColor(COLOR_BTNFACE));
    Frame(outline, kEdge);
    const bool vertical = Vertical(bar);
    POINT next = {at.x + 2, at.y + 2};
    if (bar.position == mso::kBarFloating) {
      Fill({at.x, at.y, at.x + size.cx, at.y + kFloatTitle}, kTitleColour);
      Text({at.x + 6, at.y, at.x + size.cx, at.y + kFloatTitle}, win32::Widen(bar.name),
           RGB(0xFF, 0xFF, 0xFF), DT_NOPREFIX);
      next.y += kFloatTitle;
    } else {
      // The handle: a dotted line across the bar's start.
      for (int i = 4; i < (vertical ? size.cx : size.cy) - 4; i += 3) {
        const RECT dot = vertical ? RECT{at.x + i, at.y + 4, at.x + i + 2, at.y + 6}
                                  : RECT{at.x + 4, at.y + i, at.x + 6, at.y + i + 2};
        Fill(dot, kEdge);
      }
      (vertical ? next.y : next.x) += kGrip;
    }
    for (const auto& c : bar.controls->items) {
      if (!Shown(*c)) continue;
      if (c->begin_group) {
        const RECT line = vertical ? RECT{next.x + 4, next.y + 2, next.x + kCell - 4, next.y + 3}
                                   : RECT{next.x + 2, next.y + 4, next.x + 3, next.y + kCell - 4};
        Fill(line, kEdge);
        (vertical ? next.y : next.x) += 6;
      }
      const int w = vertical ? kCell : ControlWidth(*c, false) - (c->begin_group ? 6 : 0);
      const Look look = LookOf(*c, vertical);
      int x = next.x + 4;
      if (look.face) {
        Face({x, next.y + 4}, *c);
        x += kFace + 6;
      }
      if (look.caption) {
        const RECT r{look.face ? x : next.x + 4, next.y, next.x + w, next.y + kCell};
        Caption(r, *c);
        if (c->controls)
          Text({next.x + w - 14, next.y, next.x + w, next.y + kCell}, L"\x25BE", kText,
               DT_NOPREFIX);
      }
      (vertical ? next.y : next.x) += vertical ? kCell : w;
    }
  }

  void DrawMenu(const FakeControl& menu, POINT at) {
    const SIZE size = MenuSize(menu);
    const RECT box{at.x, at.y, at.x + size.cx, at.y + size.cy};
    Fill(box, RGB(0xFA, 0xFA, 0xFA));
    Fill({box.left, box.top, box.left + kGutter, box.bottom}, GetSysColor(COLOR_BTNFACE));
    Frame(box, kEdge);
    int y = at.y + 2;
    for (const auto& item : menu.controls->items) {
      if (!Shown(*item)) continue;
      if (item->begin_group) {
        Fill({box.left + kGutter + 4, y + 2, box.right - 4, y + 3}, kEdge);
        y += 6;
      }
      Face({box.left + 5, y + 3}, *item);
      Caption({box.left + kGutter + 12, y, box.right, y + kMenuItem}, *item);
      if (item->controls)
        Text({box.right - 18, y, box.right, y + kMenuItem}, L"\x25B8", kText, DT_NOPREFIX);
      y += kMenuItem;
    }
  }

  std::wstring title_;
  DcHandle dc_{nullptr, &DeleteDC};
  GdiHandle font_{nullptr, &DeleteObject};
  GdiHandle bold_{nullptr, &DeleteObject};
  std::vector<std::pair<POINT, const ButtonFace*>> faces_;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace

HostPicture DrawHostWindow(const CommandBarStore& store, const std::string& title,
                           const FakeControl* open_menu) {
  Painter painter(title);
  return painter.Draw(store, open_menu);
}

}  // namespace orvan::sim
