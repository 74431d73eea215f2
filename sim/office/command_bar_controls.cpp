// A bar's Controls collection and its controls as automation objects.
#include <set>

#include "sim/office/command_bar_objects.h"

namespace orvan::sim {

using namespace bars;

ObjectRef CommandBarObjects::Controls(const Ctx& ctx, const std::shared_ptr<ControlList>& list,
                                      const std::string& name, const Members::Gone& gone) {
  auto object = std::make_shared<FakeObject>(ctx->world, name);
  Members m(*object, ctx, "CommandBarControls", gone);
  m.Get("Count",
        [list](const Args&) -> Value { return static_cast<std::int32_t>(list->items.size()); });
  const auto item = [ctx, list](const Args& args) -> Value {
    const Params p(ctx, args, {"Index"});
    if (!p["Index"]) throw VbError::Runtime(vberr::kArgumentNotOptional, ctx->source);
    const Value& index = *p["Index"];
    if (index.type() == Value::Type::kString) {
      for (const auto& c : list->items) {
        if (CaptionEquals(c->caption, index.AsString())) return Control(ctx, c);
      }
      ctx->Invalid();
    }
    const std::int32_t i = ToLong(index);
    if (i < 1 || i > static_cast<std::int32_t>(list->items.size())) ctx->Invalid();
    return Control(ctx, list->items[static_cast<std::size_t>(i - 1)]);
  };
  m.Get(kDefaultMember, item);
  m.Get("Item", item);
  m.Call("Add", [ctx, list](const Args& args) -> Value {
    const Params p(ctx, args, {"Type", "Id", "Parameter", "Before", "Temporary"});
    const std::int32_t type = p.Long("Type").value_or(mso::kControlButton);
    const std::int32_t id = p.Long("Id").value_or(1);
    std::shared_ptr<FakeControl> control;
    if (id != 1) {
      // A built-in control, copied from the host's own bars.
      FakeControl* original = nullptr;
      for (const auto& bar : ctx->store->built_ins_) {
        if (!original) original = bar->controls->FindId(id);
      }
      if (!original) ctx->Invalid();
      control = Clone(*original);
    } else {
      const bool known = type == mso::kControlButton || type == mso::kControlEdit ||
                         type == mso::kControlDropdown || type == mso::kControlComboBox ||
                         type == mso::kControlPopup;
      if (!known) ctx->Invalid();
      control = NewControl(type, 1, std::string(), false);
    }
    const auto count = static_cast<std::int32_t>(list->items.size());
    const std::int32_t before = p.Long("Before").value_or(count + 1);
    if (before < 1 || before > count + 1) ctx->Invalid();
    control->parameter = p.Text("Parameter");
    control->temporary = p.Flag("Temporary");
    Insert(*list, control, static_cast<std::size_t>(before - 1));
    return Control(ctx, control);
  });
  return object;
}

ObjectRef CommandBarObjects::Control(const Ctx& ctx, const std::shared_ptr<FakeControl>& c) {
  const std::string label = !c->tag.empty()       ? "\"" + c->tag + "\""
                            : !c->caption.empty() ? "\"" + c->caption + "\""
                                                  : "#" + std::to_string(c->Index());
  const std::string name = "Control(" + label + ")";
  auto object = std::make_shared<FakeObject>(ctx->world, name);
  const bool button = c->type == mso::kControlButton;
  const bool popup = c->type == mso::kControlPopup;
  const std::string interface_name = button  ? "_CommandBarButton"
                                     : popup ? "CommandBarPopup"
                                             : "_CommandBarComboBox";
  const Members::Gone gone = [c] { return c->deleted; };
  Members m(*object, ctx, interface_name, gone);
  const auto text = [](const Value& v) { return ToText(v); };
  m.Property("Tag", &c->tag, text);
  m.Property("Caption", &c->caption, text);
  m.Property("Parameter", &c->parameter, text);
  m.Property("OnAction", &c->on_action, text);
  m.Property("BeginGroup", &c->begin_group, AsFlag);
  m.Property("Enabled", &c->enabled, AsFlag);
  m.Property("Visible", &c->visible, AsFlag);
  m.Get("Type", [c](const Args&) -> Value { return c->type; });
  m.Get("Id", [c](const Args&) -> Value { return c->id; });
  m.Get("BuiltIn", [c](const Args&) -> Value { return c->built_in; });
  m.Get("Index", [c](const Args&) -> Value { return c->Index(); });
  m.Call("Delete", [ctx, c](const Args& args) -> Value {
    const Params p(ctx, args, {"Temporary"});
    Detach(*c);
    MarkDeleted(*c);
    return Value();
  });
  m.Call("Move", [ctx, c](const Args& args) -> Value {
    const Params p(ctx, args, {"Bar", "Before"});
    std::shared_ptr<ControlList> target = c->parent.lock();
    if (p["Bar"]) {
      const ObjectRef given = AsObject(*p["Bar"]);
      if (!given) ctx->Invalid();
      const auto* wrapper = dynamic_cast<const BarObject*>(given.get());
      // A bar that came back through IDispatch is known by its name.
      FakeBar* bar =
          wrapper ? wrapper->bar().get() : ctx->store->Bar(ToText(orvan::Get(given, "Name")));
      if (!bar || bar->deleted) ctx->Invalid();
      target = bar->controls;
    }
    const auto count = static_cast<std::int32_t>(target->items.size());
    const std::int32_t before = p.Long("Before").value_or(count + 1);
    if (before < 1 || before > count + 1) ctx->Invalid();
    Place(c, *target, before);
    return Control(ctx, c);
  });
  if (button) {
    object->Implement(OfficeInterface::kCommandBarButton);
    object->OnConnect(EventInterface::kCommandBarButtonEvents, [ctx, c](EventHandler handler) {
      if (c->deleted) ctx->Failed("Advise", "_CommandBarButton");
      return ctx->store->Connect(ctx->store->click_hooks_, c, std::move(handler));
    });
    m.Get("Style", [c](const Args&) -> Value { return c->style; });
    m.Put("Style", [ctx, c](const Value& v) {
      // MsoButtonStyle: automatic, icon, caption, icon and caption, and the wrapping ones.
      static const std::set<std::int32_t> kStyles = {0, 1, 2, 3, 7, 11, 14, 15};
      const std::int32_t style = ToLong(v);
      if (!kStyles.contains(style)) ctx->Invalid();
      c->style = style;
    });
    m.Call("PasteFace", [ctx, c](const Args&) -> Value {
      const auto& clipboard = ctx->world->clipboard_face;
      std::optional<ButtonFace> face = clipboard ? clipboard() : std::nullopt;
      if (!face) ctx->Failed("PasteFace", "_CommandBarButton");
      c->face = std::move(face);
      return Value();
    });
  }
  if (popup) {
    m.Get("Controls", [ctx, c, name, gone](const Args& args) -> Value {
      NoArguments(ctx, args);
      return Controls(ctx, c->controls, name + ".Controls", gone);
    });
  }
  return object;
}

}  // namespace orvan::sim
