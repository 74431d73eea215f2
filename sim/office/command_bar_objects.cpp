#include "sim/office/command_bar_objects.h"

namespace orvan::sim {

using namespace bars;

ObjectRef CommandBarObjects::Make(const std::shared_ptr<OfficeWorld>& world,
                                  const std::shared_ptr<CommandBarStore>& store) {
  store->world_ = world;
  return Bars(std::make_shared<const Context>(Context{world, store, store->source_}));
}

ObjectRef CommandBarObjects::Bars(const Ctx& ctx) {
  auto collection = std::make_shared<FakeObject>(ctx->world, "CommandBars");
  Members m(*collection, ctx, "_CommandBars", [] { return false; });
  const auto& store = ctx->store;
  m.Get("Count",
        [store](const Args&) -> Value { return static_cast<std::int32_t>(store->bars_.size()); });
  const auto item = [ctx](const Args& args) -> Value {
    const Params p(ctx, args, {"Index"});
    if (!p["Index"]) throw VbError::Runtime(vberr::kArgumentNotOptional, ctx->source);
    const Value& index = *p["Index"];
    const auto& bars = ctx->store->bars_;
    if (index.type() == Value::Type::kString) {
      for (const auto& bar : bars) {
        if (TextEquals(bar->name, index.AsString())) return Bar(ctx, bar);
      }
      ctx->Invalid();
    }
    const std::int32_t i = ToLong(index);
    if (i < 1 || i > static_cast<std::int32_t>(bars.size())) ctx->Invalid();
    return Bar(ctx, bars[static_cast<std::size_t>(i - 1)]);
  };
  m.Get(kDefaultMember, item);
  m.Get("Item", item);
  m.Call("Add", [ctx](const Args& args) -> Value {
    const Params p(ctx, args, {"Name", "Position", "MenuBar", "Temporary"});
    return Bar(ctx,
               ctx->store->AddBar(p.Text("Name"), p.Long("Position").value_or(mso::kBarFloating),
                                  p.Flag("MenuBar"), p.Flag("Temporary")));
  });
  collection->OnConnect(EventInterface::kCommandBarsEvents, [store](EventHandler handler) {
    return store->Connect(store->update_hooks_, nullptr, std::move(handler));
  });
  // Searches every bar and, as Office does, the menus' items too.
  m.Call("FindControl", [ctx](const Args& args) -> Value {
    Criteria criteria(Params(ctx, args, {"Type", "Id", "Tag", "Visible"}),
                      ctx->store->tag_match_ignores_case);
    criteria.recursive = true;
    for (const auto& bar : ctx->store->bars_) {
      if (criteria.visible && !bar->visible) continue;
      if (auto found = criteria.Search(*bar->controls)) return Control(ctx, found);
    }
    return ObjectRef();
  });
  return collection;
}

ObjectRef CommandBarObjects::Bar(const Ctx& ctx, const std::shared_ptr<FakeBar>& bar) {
  auto object = std::make_shared<BarObject>(ctx->world, "CommandBar(\"" + bar->name + "\")", bar);
  Members m(*object, ctx, "CommandBar", [bar] { return bar->deleted; });
  const auto store = ctx->store;
  const auto rename = [ctx, bar](const Value& v) {
    const std::string name = ToText(v);
    if (bar->built_in) ctx->Failed("Name", "CommandBar");
    const FakeBar* other = ctx->store->Bar(name);
    if (name.empty() || (other && other != bar.get())) ctx->Invalid();
    bar->name = name;
  };
  for (const char* member : {"Name", "NameLocal"}) {
    m.Get(member, [bar](const Args&) -> Value { return bar->name; });
    m.Put(member, rename);
  }
  m.Get("Index", [store, bar](const Args&) -> Value { return store->Index(*bar); });
  m.Property("Left", &bar->left, ToLong);
  m.Property("Top", &bar->top, ToLong);
  m.Property("Width", &bar->width, ToLong);
  m.Property("Height", &bar->height, ToLong);
  m.Property("Enabled", &bar->enabled, AsFlag);
  m.Get("Position", [bar](const Args&) -> Value { return bar->position; });
  m.Put("Position", [ctx, bar](const Value& v) {
    const std::int32_t position = ToLong(v);
    if (bar->type == mso::kBarTypePopup) {
      if (position != mso::kBarPopup) ctx->Invalid();
      return;
    }
    // A toolbar docks or floats; it cannot become a shortcut menu or (on Windows) the
    // Macintosh menu bar.
    if (position < mso::kBarLeft || position > mso::kBarFloating) ctx->Invalid();
    if (position != bar->position) ctx->store->Dock(*bar, position);
  });
  m.Get("RowIndex", [bar](const Args&) -> Value { return bar->row; });
  m.Put("RowIndex", [ctx, bar](const Value& v) {
    const std::int32_t row = ToLong(v);
    if (!Docked(bar->position)) ctx->Failed("RowIndex", "CommandBar");
    if (row < -1) ctx->Invalid();
    if (row == 0) {
      bar->row = 0;  // msoBarRowFirst: a row of its own before the others
    } else if (row == -1) {
      std::int32_t last = 0;  // msoBarRowLast: a row of its own after the others
      for (const auto& other : ctx->store->bars_) {
        if (other->position == bar->position) last = std::max(last, other->row);
      }
      bar->row = last + 1;
    } else {
      bar->row = row;  // shares that row with the bars in it
    }
    ctx->store->CompactRows();
  });
  m.Get("Visible", [bar](const Args&) -> Value { return bar->visible; });
  m.Put("Visible", [ctx, bar](const Value& v) {
    if (bar->type == mso::kBarTypePopup) ctx->Failed("Visible", "CommandBar");
    bar->visible = AsFlag(v);
  });
  m.Get("BuiltIn", [bar](const Args&) -> Value { return bar->built_in; });
  m.Get("Type", [bar](const Args&) -> Value { return bar->type; });
  m.Get("Controls", [ctx, bar](const Args& args) -> Value {
    NoArguments(ctx, args);
    return Controls(ctx, bar->controls, "CommandBar(\"" + bar->name + "\").Controls",
                    [bar] { return bar->deleted; });
  });
  m.Call("FindControl", [ctx, bar](const Args& args) -> Value {
    const Params p(ctx, args, {"Type", "Id", "Tag", "Visible", "Recursive"});
    Criteria criteria(p, ctx->store->tag_match_ignores_case);
    criteria.recursive = p.Flag("Recursive");
    if (criteria.visible && !bar->visible) return ObjectRef();
    const auto found = criteria.Search(*bar->controls);
    return found ? Control(ctx, found) : ObjectRef();
  });
  m.Call("Delete", [ctx, bar](const Args&) -> Value {
    if (bar->built_in) ctx->Failed("Delete", "CommandBar");
    ctx->store->RemoveBar(*bar);
    return Value();
  });
  return object;
}

ObjectRef MakeCommandBars(const std::shared_ptr<OfficeWorld>& world,
                          const std::shared_ptr<CommandBarStore>& store) {
  return CommandBarObjects::Make(world, store);
}

}  // namespace orvan::sim
