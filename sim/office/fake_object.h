// Fake automation objects for the Office hosts: members answered by handlers, every access
// journaled, and any member made to fail or to return a value of the test's choosing.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/automation.h"

namespace orvan::sim {

// How often a scripted failure or value plays: after `after` matching accesses pass, the next
// `remaining` play (-1: every one from then on).
struct Repeat {
  std::int32_t remaining = -1;
  std::int32_t after = 0;
  std::int32_t played = 0;  // accesses it played for so far

  // Counts one matching access; whether it plays for it.
  bool Plays();
};

// A failure a member plays.
struct HostFailure {
  std::int32_t number = 0;
  std::string description;
  std::string source;
  Repeat repeat{};
};

// A value a member gives instead of its own.
struct HostReturn {
  Value value;
  Repeat repeat{};
};

// What the fake objects of one test share: the journal and the scripted failures and values.
class FakeObjectWorld {
 public:
  // One line per member access: "Document.PrintOut(Background:=False)",
  // "Application.ActivePrinter" (read), "Application.ActivePrinter = \"x on LPT1:\"" (write),
  // "CommandBars(\"Menu Bar\")" (the default member, named by its object alone).
  std::vector<std::string> journal;
  // Runs before each access is journaled (a simulated host writes down what came before it).
  std::function<void()> before_access;

  // Keys name accesses as the journal does. "Object.Member" (or "Object" for its default
  // member) matches that member with any arguments; with the arguments as the journal writes
  // them, "CommandBars(\"Menu Bar\")", "Document.PrintOut(Background:=False)", only accesses
  // with exactly those (a call without any: "Object.Method()"). "*.Member" stands for that member
  // of any object. An access plays the most specific key scripted: the object's with arguments,
  // the object's, any object's with arguments, any object's; only those accesses count for the
  // key's repetition.
  void Fail(const std::string& key, HostFailure failure);
  void Returns(const std::string& key, Value value, Repeat repeat = {});
  void Reset(const std::string& key);
  // The scripted failures and values by key, with how often each played.
  const std::map<std::string, HostFailure>& failures() const { return failures_; }
  const std::map<std::string, HostReturn>& returns() const { return returns_; }

  // Journal lines that start with the text.
  std::vector<std::string> Journaled(const std::string& prefix) const;

 private:
  friend class FakeObject;
  std::map<std::string, HostFailure> failures_;
  std::map<std::string, HostReturn> returns_;
};

// Renders a value for the journal: "text" quoted, True/False, numbers, Nothing, Empty, <Object>.
std::string Describe(const Value& value);
std::string Describe(const Args& args);

class FakeObject : public Object {
 public:
  using Getter = std::function<Value(const Args&)>;
  using Putter = std::function<void(const Value&, const Args&)>;
  using Connector = std::function<std::unique_ptr<EventConnection>(EventHandler)>;

  FakeObject(std::shared_ptr<FakeObjectWorld> world, std::string name,
             AppKind kind = AppKind::kOther);

  FakeObject& OnGet(const std::string& member, Getter getter);
  FakeObject& OnPut(const std::string& member, Putter putter);
  FakeObject& OnCall(const std::string& member, Getter method);
  // A plain property kept in the object, read and written.
  FakeObject& Field(const std::string& member, Value initial);
  // The object answers that Office interface besides its own.
  FakeObject& Implement(OfficeInterface which);
  // The object is a source of those events; Connect is journaled as "Object.Advise(Interface)"
  // and can be made to fail under the key "Object.Advise".
  FakeObject& OnConnect(EventInterface which, Connector connector);

  Value Get(const std::string& member, const Args& args) override;
  void Put(const std::string& member, const Value& value, const Args& args) override;
  Value Call(const std::string& member, const Args& args) override;
  AppKind Kind() const override { return kind_; }
  bool Implements(OfficeInterface which) const override;
  std::unique_ptr<EventConnection> Connect(EventInterface which, EventHandler handler) override;
  bool RaisesEvents(EventInterface which) const override { return connectors_.count(which) > 0; }

  const std::string& name() const { return name_; }
  // A field's current value (for tests and hosts).
  const Value& FieldValue(const std::string& member) const;

 private:
  // Journals the access and plays a scripted failure or, for a read or call, a scripted value;
  // the value, if one plays. `arguments` as the journal writes them, none for an access
  // without any but a call.
  std::optional<Value> Scripted(const std::string& member,
                                const std::optional<std::string>& arguments,
                                const std::string& line, bool gives_value = true);
  // The handler of the first map that has the member, else "doesn't support" (438).
  Value Answer(const std::map<std::string, Getter>& first,
               const std::map<std::string, Getter>& second, const std::string& member,
               const Args& args) const;

  std::shared_ptr<FakeObjectWorld> world_;
  std::string name_;
  AppKind kind_;
  std::map<std::string, Getter> getters_;
  std::map<std::string, Putter> putters_;
  std::map<std::string, Getter> methods_;
  std::map<std::string, std::shared_ptr<Value>> fields_;
  std::vector<OfficeInterface> interfaces_;
  std::map<EventInterface, Connector> connectors_;
};

}  // namespace orvan::sim
