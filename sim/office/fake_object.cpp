#include "sim/office/fake_object.h"

#include "support/utf8.h"

namespace orvan::sim {
namespace {

// Member names are matched without regard to case, as automation does.
std::string Key(const std::string& member) {
  return utf8::UpperCase(member);
}

// The entry of the most specific key scripted for an access, else nullptr.
template <typename T>
T* MostSpecific(std::map<std::string, T>& scripted, const std::string& object,
                const std::string& suffix, const std::optional<std::string>& arguments) {
  if (scripted.empty()) return nullptr;
  for (const std::string& name : {object, std::string("*")}) {
    if (arguments) {
      auto it = scripted.find(name + suffix + "(" + *arguments + ")");
      if (it != scripted.end()) return &it->second;
    }
    auto it = scripted.find(name + suffix);
    if (it != scripted.end()) return &it->second;
  }
  return nullptr;
}

}  // namespace

bool Repeat::Plays() {
  if (after > 0) {
    --after;
    return false;
  }
  if (remaining == 0) return false;
  if (remaining > 0) --remaining;
  ++played;
  return true;
}

void FakeObjectWorld::Fail(const std::string& key, HostFailure failure) {
  failures_[key] = std::move(failure);
}

void FakeObjectWorld::Returns(const std::string& key, Value value, Repeat repeat) {
  returns_[key] = HostReturn{std::move(value), repeat};
}

void FakeObjectWorld::Reset(const std::string& key) {
  failures_.erase(key);
  returns_.erase(key);
}

std::vector<std::string> FakeObjectWorld::Journaled(const std::string& prefix) const {
  std::vector<std::string> lines;
  for (const auto& line : journal) {
    if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
  }
  return lines;
}

std::string Describe(const Value& value) {
  switch (value.type()) {
    case Value::Type::kEmpty:
      return "Empty";
    case Value::Type::kMissing:
      return "";  // left out: "Add(1, , , 2)"
    case Value::Type::kString:
      return "\"" + value.AsString() + "\"";
    case Value::Type::kObject: {
      if (value.IsNothing()) return "Nothing";
      const auto* fake = dynamic_cast<const FakeObject*>(value.AsObject().get());
      return "<" + (fake ? fake->name() : std::string("Object")) + ">";
    }
    default:
      return ToText(value);
  }
}

std::string Describe(const Args& args) {
  std::string text;
  bool first = true;
  const auto add = [&](const std::string& part) {
    text += (first ? "" : ", ") + part;
    first = false;
  };
  for (const Value& v : args.positional)
    add(Describe(v));
  for (const NamedArgument& a : args.named)
    add(a.name + ":=" + Describe(a.value));
  return text;
}

FakeObject::FakeObject(std::shared_ptr<FakeObjectWorld> world, std::string name, AppKind kind)
    : world_(std::move(world)), name_(std::move(name)), kind_(kind) {}

FakeObject& FakeObject::OnGet(const std::string& member, Getter getter) {
  getters_[Key(member)] = std::move(getter);
  return *this;
}

FakeObject& FakeObject::OnPut(const std::string& member, Putter putter) {
  putters_[Key(member)] = std::move(putter);
  return *this;
}

FakeObject& FakeObject::OnCall(const std::string& member, Getter method) {
  methods_[Key(member)] = std::move(method);
  return *this;
}

FakeObject& FakeObject::Field(const std::string& member, Value initial) {
  auto value = std::make_shared<Value>(std::move(initial));
  fields_[Key(member)] = value;
  OnGet(member, [value](const Args&) { return *value; });
  OnPut(member, [value](const Value& v, const Args&) { *value = v; });
  return *this;
}

FakeObject& FakeObject::Implement(OfficeInterface which) {
  interfaces_.push_back(which);
  return *this;
}

bool FakeObject::Implements(OfficeInterface which) const {
  for (OfficeInterface i : interfaces_) {
    if (i == which) return true;
  }
  return false;
}

FakeObject& FakeObject::OnConnect(EventInterface which, Connector connector) {
  connectors_[which] = std::move(connector);
  return *this;
}

std::unique_ptr<EventConnection> FakeObject::Connect(EventInterface which, EventHandler handler) {
  const char* interface_name = which == EventInterface::kCommandBarButtonEvents
                                   ? "_CommandBarButtonEvents"
                                   : "_CommandBarsEvents";
  Scripted("Advise", interface_name, name_ + ".Advise(" + interface_name + ")", false);
  auto it = connectors_.find(which);
  if (it == connectors_.end()) throw VbError::Runtime(vberr::kNoSuchEvents);
  return it->second(std::move(handler));
}

const Value& FakeObject::FieldValue(const std::string& member) const {
  return *fields_.at(Key(member));
}

std::optional<Value> FakeObject::Scripted(const std::string& member,
                                          const std::optional<std::string>& arguments,
                                          const std::string& line, bool gives_value) {
  if (world_->before_access) world_->before_access();
  world_->journal.push_back(line);
  // The default member is named by its object alone, as in the journal: "Documents(1)".
  const std::string suffix = member.empty() ? "" : "." + member;
  if (HostFailure* f = MostSpecific(world_->failures_, name_, suffix, arguments);
      f && f->repeat.Plays()) {
    throw VbError(f->number, f->description, f->source);
  }
  if (!gives_value) return std::nullopt;
  if (HostReturn* r = MostSpecific(world_->returns_, name_, suffix, arguments);
      r && r->repeat.Plays()) {
    return r->value;
  }
  return std::nullopt;
}

Value FakeObject::Answer(const std::map<std::string, Getter>& first,
                         const std::map<std::string, Getter>& second, const std::string& member,
                         const Args& args) const {
  // Late binding lets a method be read like a property and a property be called.
  for (const auto* handlers : {&first, &second}) {
    auto it = handlers->find(Key(member));
    if (it != handlers->end()) return it->second(args);
  }
  throw VbError::Runtime(vberr::kMemberNotFound);
}

Value FakeObject::Get(const std::string& member, const Args& args) {
  const auto arguments = args.empty() ? std::nullopt : std::optional(Describe(args));
  const std::string line =
      name_ + (member.empty() ? "" : "." + member) + (arguments ? "(" + *arguments + ")" : "");
  if (auto scripted = Scripted(member, arguments, line)) return *scripted;
  return Answer(getters_, methods_, member, args);
}

void FakeObject::Put(const std::string& member, const Value& value, const Args& args) {
  const auto arguments = args.empty() ? std::nullopt : std::optional(Describe(args));
  const std::string line =
      name_ + "." + member + (arguments ? "(" + *arguments + ")" : "") + " = " + Describe(value);
  Scripted(member, arguments, line, false);
  auto it = putters_.find(Key(member));
  if (it == putters_.end()) throw VbError::Runtime(vberr::kMemberNotFound);
  it->second(value, args);
}

Value FakeObject::Call(const std::string& member, const Args& args) {
  const std::string arguments = Describe(args);
  if (auto scripted = Scripted(member, arguments, name_ + "." + member + "(" + arguments + ")"))
    return *scripted;
  return Answer(methods_, getters_, member, args);
}

}  // namespace orvan::sim
