// The store's customisation file: what the host keeps of its bars between sessions, as text.
#include <stdexcept>

#include "sim/office/command_bar_parts.h"
#include "sim/officesim/scenario.h"

namespace orvan::sim {

using namespace bars;

namespace {

std::int32_t Whole(const std::string& word) {
  std::size_t used = 0;
  const long n = std::stol(word, &used);
  if (used != word.size()) throw std::runtime_error("not a number: " + word);
  return static_cast<std::int32_t>(n);
}

// A face's pixels as "WxH" and six hex digits a pixel, top row first; empty when it has none.
std::string FacePixels(const ButtonFace& face) {
  if (face.pixels.empty()) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = std::to_string(face.width) + "x" + std::to_string(face.height) + ":";
  for (const std::uint32_t pixel : face.pixels) {
    for (int shift = 20; shift >= 0; shift -= 4)
      text += kHex[(pixel >> shift) & 0xF];
  }
  return text;
}

ButtonFace ReadFace(const std::string& description, const std::string& pixels) {
  ButtonFace face(description);
  if (pixels.empty()) return face;
  const std::size_t x = pixels.find('x');
  const std::size_t colon = pixels.find(':');
  if (x == std::string::npos || colon == std::string::npos || colon < x) {
    throw std::runtime_error("a face's pixels are WxH:RRGGBB..., not " + pixels.substr(0, 20));
  }
  face.width = Whole(pixels.substr(0, x));
  face.height = Whole(pixels.substr(x + 1, colon - x - 1));
  const std::string hex = pixels.substr(colon + 1);
  if (face.width <= 0 || face.height <= 0 || face.width > 256 || face.height > 256 ||
      hex.size() != static_cast<std::size_t>(face.width * face.height) * 6 ||
      hex.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) {
    throw std::runtime_error("a face's pixels do not match its size " + pixels.substr(0, colon));
  }
  for (std::size_t i = 0; i < hex.size(); i += 6)
    face.pixels.push_back(static_cast<std::uint32_t>(std::stoul(hex.substr(i, 6), nullptr, 16)));
  return face;
}

// One line per bar ("bar") and control ("control DEPTH"), fields as quoted words.
void SaveControls(const ControlList& list, int depth, std::string& out) {
  for (const auto& c : list.items) {
    if (c->temporary || c->deleted) continue;
    out += "control " + std::to_string(depth) + " " + std::to_string(c->type) + " " +
           std::to_string(c->id) + " " + std::to_string(c->built_in) + " " + Quote(c->tag) + " " +
           Quote(c->caption) + " " + Quote(c->parameter) + " " + Quote(c->on_action) + " " +
           std::to_string(c->style) + " " + std::to_string(c->begin_group) + " " +
           std::to_string(c->enabled) + " " + std::to_string(c->visible) + " " +
           (c->face ? "1 " + Quote(c->face->description) + " " + Quote(FacePixels(*c->face))
                    : "0 \"\" \"\"") +
           "\n";
    if (c->controls) SaveControls(*c->controls, depth + 1, out);
  }
}

}  // namespace

std::string CommandBarStore::Save() const {
  std::string out = "command bars 1\n";
  for (const auto& bar : bars_) {
    if (bar->temporary || bar->deleted) continue;
    out += "bar " + Quote(bar->name) + " " + std::to_string(bar->type) + " " +
           std::to_string(bar->position) + " " + std::to_string(bar->row) + " " +
           std::to_string(bar->left) + " " + std::to_string(bar->top) + " " +
           std::to_string(bar->width) + " " + std::to_string(bar->height) + " " +
           std::to_string(bar->visible) + " " + std::to_string(bar->enabled) + " " +
           std::to_string(bar->built_in) + "\n";
    SaveControls(*bar->controls, 0, out);
  }
  return out;
}

void CommandBarStore::Load(const std::string& text) {
  std::vector<std::shared_ptr<FakeBar>> bars;
  std::vector<ControlList*> lists;  // the list each depth adds to
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const std::vector<std::string> w = SplitWords(line, "command bars", ++number);
    if (number == 1) {
      if (line != "command bars 1") throw std::runtime_error("not a saved command bar store");
      continue;
    }
    if (w.size() == 12 && w[0] == "bar") {
      auto bar = std::make_shared<FakeBar>();
      bar->name = w[1];
      bar->type = Whole(w[2]);
      bar->position = Whole(w[3]);
      bar->row = Whole(w[4]);
      bar->left = Whole(w[5]);
      bar->top = Whole(w[6]);
      bar->width = Whole(w[7]);
      bar->height = Whole(w[8]);
      bar->visible = Whole(w[9]) != 0;
      bar->enabled = Whole(w[10]) != 0;
      bar->built_in = Whole(w[11]) != 0;
      lists = {bar->controls.get()};
      bars.push_back(std::move(bar));
    } else if ((w.size() == 15 || w.size() == 16) && w[0] == "control" && !bars.empty()) {
      const auto depth = static_cast<std::size_t>(Whole(w[1]));
      if (depth >= lists.size() || lists[depth] == nullptr) {
        throw std::runtime_error("command bars line " + std::to_string(number) +
                                 ": a control outside a pop-up");
      }
      auto c = NewControl(Whole(w[2]), Whole(w[3]), w[6], Whole(w[4]) != 0);
      c->tag = w[5];
      c->parameter = w[7];
      c->on_action = w[8];
      c->style = Whole(w[9]);
      c->begin_group = Whole(w[10]) != 0;
      c->enabled = Whole(w[11]) != 0;
      c->visible = Whole(w[12]) != 0;
      if (Whole(w[13]) != 0) c->face = ReadFace(w[14], w.size() == 16 ? w[15] : std::string());
      Insert(*lists[depth], c, lists[depth]->items.size());
      lists.resize(depth + 1);
      lists.push_back(c->controls.get());  // its own controls, for a pop-up
    } else {
      throw std::runtime_error("command bars line " + std::to_string(number) + ": " + line);
    }
  }
  bars_ = std::move(bars);
}

}  // namespace orvan::sim
