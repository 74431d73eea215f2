#include "support/automation.h"

namespace orvan {

namespace {

Object& Require(const ObjectRef& object) {
  if (!object) throw VbError::Runtime(vberr::kObjectNotSet);
  return *object;
}

}  // namespace

Value Get(const ObjectRef& object, const std::string& member, const Args& args) {
  return Require(object).Get(member, args);
}

void Put(const ObjectRef& object, const std::string& member, const Value& value, const Args& args) {
  Require(object).Put(member, value, args);
}

Value Call(const ObjectRef& object, const std::string& member, const Args& args) {
  return Require(object).Call(member, args);
}

ObjectRef AsObject(const Value& value) {
  if (value.type() != Value::Type::kObject) throw VbError::Runtime(vberr::kTypeMismatch);
  return value.AsObject();
}

ObjectRef ObjectMember(const ObjectRef& object, const std::string& member, const Args& args) {
  return AsObject(Get(object, member, args));
}

Value GetItem(const ObjectRef& object, const std::string& member, const Value& index) {
  return Get(ObjectMember(object, member), kDefaultMember, {index});
}

std::unique_ptr<EventConnection> Object::Connect(EventInterface /*which*/,
                                                 EventHandler /*handler*/) {
  throw VbError::Runtime(vberr::kNoSuchEvents);
}

void EventSink::Hook(const ObjectRef& object) {
  connection_.reset();
  object_.reset();
  if (!object) return;
  connection_ = object->Connect(which_, handler_);
  object_ = object;
}

AppKind KindOf(const ObjectRef& object) {
  return object ? object->Kind() : AppKind::kOther;
}

}  // namespace orvan
