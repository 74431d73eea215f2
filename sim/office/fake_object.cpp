#include "sim/office/fake_object.h"

#include "support/utf8.h"

namespace orvan::sim {
namespace {

// Member names are matched without regard to case, as automation does.
std::string Key(const std::string& member) {
  return utf8::UpperCase(member);
}

}  // namespace

void FakeObjectWorld::Fail(const std::string& object_member, HostFailure failure) {
  failures_[object_member] = std::move(failure);
}

void FakeObjectWorld::Returns(const std::string& object_member, Value value) {
  returns_[object_member] = std::move(value);
}

void FakeObjectWorld::Reset(const std::string& object_member) {
  failures_.erase(object_member);
  returns_.erase(object_member);
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
  Scripted("Advise", name_ + ".Advise(" + interface_name + ")");
  auto it = connectors_.find(which);
  if (it == connectors_.end()) throw VbError::Runtime(vberr::kNoSuchEvents);
  return it->second(std::move(handler));
}

const Value& FakeObject::FieldValue(const std::string& member) const {
  return *fields_.at(Key(member));
}

std::optional<Value> FakeObject::Scripted(const std::string& member, const std::string& line) {
  if (world_->before_access) world_->before_access();
  world_->journal.push_back(line);
  // The default member is named by its object alone, as in the journal: "Documents(1)".
  const std::string suffix = member.empty() ? "" : "." + member;
  std::string key = name_ + suffix;
  if (!world_->failures_.contains(key) && !world_->returns_.contains(key)) key = "*" + suffix;
  auto failure = world_->failures_.find(key);
  if (failure != world_->failures_.end() && failure->second.after > 0) {
    --failure->second.after;
  } else if (failure != world_->failures_.end() && failure->second.remaining != 0) {
    if (failure->second.remaining > 0) --failure->second.remaining;
    ++failure->second.played;
    const HostFailure& f = failure->second;
    throw VbError(f.number, f.description, f.source);
  }
  auto value = world_->returns_.find(key);
  if (value != world_->returns_.end()) return value->second;
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
  const std::string line = name_ + (member.empty() ? "" : "." + member) +
                           (args.empty() ? "" : "(" + Describe(args) + ")");
  if (auto scripted = Scripted(member, line)) return *scripted;
  return Answer(getters_, methods_, member, args);
}

void FakeObject::Put(const std::string& member, const Value& value, const Args& args) {
  const std::string line = name_ + "." + member + (args.empty() ? "" : "(" + Describe(args) + ")") +
                           " = " + Describe(value);
  Scripted(member, line);
  auto it = putters_.find(Key(member));
  if (it == putters_.end()) throw VbError::Runtime(vberr::kMemberNotFound);
  it->second(value, args);
}

Value FakeObject::Call(const std::string& member, const Args& args) {
  const std::string line = name_ + "." + member + "(" + Describe(args) + ")";
  if (auto scripted = Scripted(member, line)) return *scripted;
  return Answer(methods_, getters_, member, args);
}

}  // namespace orvan::sim
