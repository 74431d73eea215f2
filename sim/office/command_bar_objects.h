// The automation objects over a command-bar store: CommandBars, a CommandBar, its Controls and a
// control, with Office's argument rules and its errors.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/office/command_bar_parts.h"
#include "sim/office/fake_office.h"
#include "support/utf8.h"

namespace orvan::sim {
namespace bars {

using utf8::TextEquals;

struct Context {
  std::shared_ptr<OfficeWorld> world;
  std::shared_ptr<CommandBarStore> store;
  std::string source;

  [[noreturn]] void Invalid() const {
    throw VbError::Runtime(vberr::kInvalidProcedureCall, source);
  }
  [[noreturn]] void Failed(const std::string& member, const std::string& object) const {
    throw VbError(kMethodFailed, "Method '" + member + "' of object '" + object + "' failed",
                  source);
  }
};
using Ctx = std::shared_ptr<const Context>;

// A method's arguments by parameter name, given by position or by name; a positional argument
// left out (or Empty) counts as omitted.
class Params {
 public:
  Params(const Ctx& ctx, const Args& args, std::vector<const char*> names)
      : names_(std::move(names)), values_(names_.size()) {
    if (args.positional.size() > names_.size()) {
      throw VbError::Runtime(vberr::kWrongArgumentCount, ctx->source);
    }
    for (std::size_t i = 0; i < args.positional.size(); ++i) {
      if (!args.positional[i].IsEmpty() && !args.positional[i].IsMissing()) {
        values_[i] = args.positional[i];
      }
    }
    for (const NamedArgument& a : args.named) {
      const std::size_t i = Find(a.name);
      if (i == names_.size()) {
        throw VbError(kNamedArgumentNotFound, "Named argument not found", ctx->source);
      }
      values_[i] = a.value;
    }
  }

  const std::optional<Value>& operator[](const char* name) const { return values_[Find(name)]; }
  std::optional<std::int32_t> Long(const char* name) const {
    const auto& v = (*this)[name];
    return v ? std::optional<std::int32_t>(ToLong(*v)) : std::nullopt;
  }
  bool Flag(const char* name) const { return Long(name).value_or(0) != 0; }
  std::string Text(const char* name) const {
    const auto& v = (*this)[name];
    return v ? ToText(*v) : std::string();
  }

 private:
  std::size_t Find(const std::string& name) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (TextEquals(names_[i], name)) return i;
    }
    return names_.size();
  }
  std::vector<const char*> names_;
  std::vector<std::optional<Value>> values_;
};

// A bar's wrapper, so that Move can tell which bar it was given.
class BarObject final : public FakeObject {
 public:
  BarObject(std::shared_ptr<FakeObjectWorld> world, std::string name, std::shared_ptr<FakeBar> bar)
      : FakeObject(std::move(world), std::move(name)), bar_(std::move(bar)) {}
  const std::shared_ptr<FakeBar>& bar() const { return bar_; }

 private:
  std::shared_ptr<FakeBar> bar_;
};

// A property without parameters refuses arguments, as Office's do when called directly; through
// IDispatch the arguments go to the default member of what it gives (Controls(1)).
inline void NoArguments(const Ctx& ctx, const Args& args) {
  if (!args.empty()) throw VbError::Runtime(vberr::kWrongArgumentCount, ctx->source);
}

// Registers an object's members so that every access fails once its bar or control is deleted.
class Members {
 public:
  using Gone = std::function<bool()>;
  Members(FakeObject& object, Ctx ctx, std::string interface_name, Gone gone)
      : object_(object),
        ctx_(std::move(ctx)),
        name_(std::move(interface_name)),
        gone_(std::move(gone)) {}

  void Get(const char* member, FakeObject::Getter getter) {
    object_.OnGet(member, Guard(member, std::move(getter)));
  }
  void Call(const char* member, FakeObject::Getter method) {
    object_.OnCall(member, Guard(member, std::move(method)));
  }
  void Put(const char* member, std::function<void(const Value&)> putter) {
    object_.OnPut(member, [ctx = ctx_, name = name_, gone = gone_, m = std::string(member),
                           putter = std::move(putter)](const Value& v, const Args&) {
      if (gone()) ctx->Failed(m, name);
      putter(v);
    });
  }
  // A property read and written as it is.
  template <typename T, typename Convert>
  void Property(const char* member, T* field, Convert convert) {
    Get(member, [field](const Args&) -> Value { return *field; });
    Put(member, [field, convert](const Value& v) { *field = convert(v); });
  }

 private:
  FakeObject::Getter Guard(const char* member, FakeObject::Getter inner) const {
    return [ctx = ctx_, name = name_, gone = gone_, m = std::string(member),
            inner = std::move(inner)](const Args& args) -> Value {
      if (gone()) ctx->Failed(m, name);
      return inner(args);
    };
  }

  FakeObject& object_;
  Ctx ctx_;
  std::string name_;
  Gone gone_;
};

inline bool AsFlag(const Value& v) {
  return ToLong(v) != 0;
}

// FindControl's criteria; those not given match any control.
struct Criteria {
  std::optional<std::int32_t> type;
  std::optional<std::int32_t> id;
  std::optional<std::string> tag;
  bool visible = false;
  bool recursive = false;
  bool ignore_case = false;

  Criteria(const Params& p, bool ignore_tag_case) : ignore_case(ignore_tag_case) {
    type = p.Long("Type");
    id = p.Long("Id");
    if (p["Tag"] && !ToText(*p["Tag"]).empty()) tag = ToText(*p["Tag"]);
    visible = p.Flag("Visible");
  }

  bool Matches(const FakeControl& c) const {
    if (type && c.type != *type) return false;
    if (id && c.id != *id) return false;
    if (tag && !(ignore_case ? TextEquals(c.tag, *tag) : c.tag == *tag)) return false;
    return !visible || c.visible;
  }

  // The first match, depth first; with Visible only the bar's own controls count, since no
  // menu is open while the add-in runs.
  std::shared_ptr<FakeControl> Search(const ControlList& list) const {
    for (const auto& c : list.items) {
      if (Matches(*c)) return c;
      if (recursive && !visible && c->controls) {
        if (auto found = Search(*c->controls)) return found;
      }
    }
    return nullptr;
  }
};

}  // namespace bars

struct CommandBarObjects {
  using Ctx = bars::Ctx;
  static ObjectRef Make(const std::shared_ptr<OfficeWorld>& world,
                        const std::shared_ptr<CommandBarStore>& store);
  static ObjectRef Bars(const Ctx& ctx);
  static ObjectRef Bar(const Ctx& ctx, const std::shared_ptr<FakeBar>& bar);
  static ObjectRef Controls(const Ctx& ctx, const std::shared_ptr<ControlList>& list,
                            const std::string& name, const bars::Members::Gone& gone);
  static ObjectRef Control(const Ctx& ctx, const std::shared_ptr<FakeControl>& c);
};

}  // namespace orvan::sim
