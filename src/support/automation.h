// Host objects reached by member name: the object interface the add-in talks to, argument lists
// with named arguments, the host's kind, and the idiom for stretches run with errors ignored.
// On Windows an adapter over IDispatch implements Object; the test hosts implement it directly.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "support/error.h"
#include "support/value.h"

namespace orvan {

// The application interface an object implements, which tells the host it belongs to.
enum class AppKind { kOther, kWord, kExcel, kPowerPoint };

// Office interfaces other than the application's that the add-in asks an object for, as
// Basic's typed Set does.
enum class OfficeInterface { kCommandBarButton };

struct NamedArgument {
  std::string name;
  Value value;
  friend bool operator==(const NamedArgument&, const NamedArgument&) = default;
};

// Arguments of one member access: positional ones first to last, then named ones.
struct Args {
  Args() = default;
  Args(std::initializer_list<Value> values) : positional(values) {}
  static Args Named(std::string name, Value value) {
    Args args;
    args.named.push_back({std::move(name), std::move(value)});
    return args;
  }
  bool empty() const { return positional.empty() && named.empty(); }

  std::vector<Value> positional;
  std::vector<NamedArgument> named;
};

// Event interfaces of Office objects that the add-in listens to: a command bar button's Click
// (Ctrl, CancelDefault by reference) and the CommandBars collection's OnUpdate (no arguments).
enum class EventInterface { kCommandBarButtonEvents, kCommandBarsEvents };

// Receives one event: its name and its arguments, by-reference ones written back to the source.
// An error it raises goes back to the source that raised the event.
using EventHandler = std::function<void(const std::string& event, std::span<Value> args)>;

// A live connection of a handler to an object's events (a connection point's advise cookie);
// destroying it ends the connection.
class EventConnection {
 public:
  virtual ~EventConnection() = default;
};

// The default member ("Item" of a collection, "Value" of a property) has the empty name.
inline constexpr const char* kDefaultMember = "";

// An automation object. Every failure is raised as a VbError with the host's number,
// description and source.
class Object {
 public:
  virtual ~Object() = default;
  virtual Value Get(const std::string& member, const Args& args = {}) = 0;
  virtual void Put(const std::string& member, const Value& value, const Args& args = {}) = 0;
  virtual Value Call(const std::string& member, const Args& args = {}) = 0;
  virtual AppKind Kind() const { return AppKind::kOther; }
  // True when the object answers that interface (a command bar button, not a pop-up).
  virtual bool Implements(OfficeInterface /*which*/) const { return false; }
  // Delivers the object's events of that interface to the handler until the connection is
  // destroyed. An object without such events raises error 459.
  virtual std::unique_ptr<EventConnection> Connect(EventInterface which, EventHandler handler);
  // True when the object is a source of those events (what Connect can connect to).
  virtual bool RaisesEvents(EventInterface /*which*/) const { return false; }
  // Whether the member takes an argument of that name, for a caller that names its arguments
  // before the call (IDispatch's GetIDsOfNames). Objects that check their arguments themselves
  // answer true.
  virtual bool TakesNamedArgument(const std::string& /*member*/,
                                  const std::string& /*name*/) const {
    return true;
  }
};

// A variable declared WithEvents: the object it refers to and the connection of its handler.
// Assigning another object ends the former connection first; destroying the sink ends it too.
class EventSink {
 public:
  EventSink(EventInterface which, EventHandler handler)
      : which_(which), handler_(std::move(handler)) {}
  EventSink(const EventSink&) = delete;
  EventSink& operator=(const EventSink&) = delete;

  // Set sink = object. Nothing leaves the sink empty; a failing connection raises and leaves
  // it empty.
  void Hook(const ObjectRef& object);
  const ObjectRef& object() const { return object_; }

 private:
  EventInterface which_;
  EventHandler handler_;
  std::unique_ptr<EventConnection> connection_;
  ObjectRef object_;
};

// Member access on a reference as Basic does it: a reference to nothing raises "object variable
// not set" (91).
Value Get(const ObjectRef& object, const std::string& member, const Args& args = {});
void Put(const ObjectRef& object, const std::string& member, const Value& value,
         const Args& args = {});
Value Call(const ObjectRef& object, const std::string& member, const Args& args = {});

// The object a value refers to; nothing gives nullptr, anything else raises a type mismatch.
ObjectRef AsObject(const Value& value);
// Set x = object.member(args): the object it gives, nullptr for nothing.
ObjectRef ObjectMember(const ObjectRef& object, const std::string& member, const Args& args = {});
// object.member(index) as Basic resolves it late-bound: the member, then its default member.
Value GetItem(const ObjectRef& object, const std::string& member, const Value& index);
// The application kind of an object, kOther for nothing.
AppKind KindOf(const ObjectRef& object);

// A stretch in which every error is ignored, step by step ("On Error Resume Next"): each step is
// written as its own Step call, so a refusing host call skips that step alone and the code shows
// which steps may fail. The error of the last failed step is kept, like Err; a failure that is no
// run-time error is kept as the one Basic would have (out of memory 7, else 51).
class ErrorsIgnored {
 public:
  template <typename F>
  bool Step(F&& step) {
    try {
      step();
      return true;
    } catch (...) {
      last_error_ = CurrentError();
      return false;
    }
  }
  const std::optional<VbError>& LastError() const { return last_error_; }
  void Clear() { last_error_.reset(); }

 private:
  std::optional<VbError> last_error_;
};

}  // namespace orvan
