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

// A failure a member plays: after `after` successful accesses, the next `remaining` fail
// (-1: every access).
struct HostFailure {
  std::int32_t number = 0;
  std::string description;
  std::string source;
  std::int32_t remaining = -1;
  std::int32_t after = 0;
  std::int32_t played = 0;  // accesses failed so far
};

// What the fake objects of one test share: the journal and the scripted failures and values.
class FakeObjectWorld {
 public:
  // One line per member access: "Document.PrintOut(Background:=False)",
  // "Application.ActivePrinter" (read), "Application.ActivePrinter = \"x on LPT1:\"" (write).
  std::vector<std::string> journal;
  // Runs before each access is journaled (a simulated host writes down what came before it).
  std::function<void()> before_access;

  // "Object.Member" (as the journal names them; "Object" alone for its default member) fails,
  // once, n times or always. "*.Member" stands for that member of any object; a key naming the
  // object goes first.
  void Fail(const std::string& object_member, HostFailure failure);
  // "Object.Member" returns this value instead of its own (nothing, a wrong type).
  void Returns(const std::string& object_member, Value value);
  void Reset(const std::string& object_member);
  // The scripted failures by key, with how often each played.
  const std::map<std::string, HostFailure>& failures() const { return failures_; }
  const std::map<std::string, Value>& returns() const { return returns_; }

  // Journal lines that start with the text.
  std::vector<std::string> Journaled(const std::string& prefix) const;

 private:
  friend class FakeObject;
  std::map<std::string, HostFailure> failures_;
  std::map<std::string, Value> returns_;
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
  // Journals the access and plays a scripted failure or value; the value, if one is scripted.
  std::optional<Value> Scripted(const std::string& member, const std::string& line);
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
