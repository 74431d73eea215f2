#include "platform/win32/dispatch_win32.h"

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/com_win32.h"
#include "platform/win32/event_point_win32.h"
#include "platform/win32/typed_faces_win32.h"
#include "support/never_destroyed.h"
#include "support/profile.h"

namespace orvan::win32 {

const IID kIidWordApplication = {
    0x00020970, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidExcelApplication = {
    0x000208D5, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidPowerPointApplication = {
    0x91493442, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
const IID kIidCommandBarButton = {
    0x000C030E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidCommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidCommandBarsEvents = {
    0x000C0352, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const IID& EventsIid(EventInterface which) {
  return which == EventInterface::kCommandBarButtonEvents ? kIidCommandBarButtonEvents
                                                          : kIidCommandBarsEvents;
}

namespace {

constexpr std::int32_t kFacilityControl = 0xA;

// The number Basic shows for an HRESULT: errors of the Basic facility by their own number.
std::int32_t ErrorNumber(HRESULT hr) {
  if (HRESULT_FACILITY(hr) == kFacilityControl) return HRESULT_CODE(hr);
  return static_cast<std::int32_t>(hr);
}

VbError MappedError(HRESULT hr) {
  switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME:
      return VbError::Runtime(vberr::kMemberNotFound);
    case DISP_E_TYPEMISMATCH:
      return VbError::Runtime(vberr::kTypeMismatch);
    case DISP_E_BADPARAMCOUNT:
      return VbError::Runtime(vberr::kWrongArgumentCount);
    case DISP_E_PARAMNOTOPTIONAL:
      return VbError::Runtime(vberr::kArgumentNotOptional);
    case DISP_E_OVERFLOW:
      return VbError::Runtime(vberr::kOverflow);
    case DISP_E_BADINDEX:
      return VbError::Runtime(vberr::kSubscriptOutOfRange);
    case DISP_E_NONAMEDARGS:
      return VbError::Runtime(vberr::kNoNamedArguments);
    case DISP_E_PARAMNOTFOUND:
      return VbError::Runtime(vberr::kNamedArgumentNotFound);
    case DISP_E_BADVARTYPE:
      return VbError::Runtime(vberr::kUnsupportedAutomationType);
    case E_INVALIDARG:
      return VbError::Runtime(vberr::kInvalidProcedureCall);
    default:
      return VbError(ErrorNumber(hr), "Automation error");
  }
}

std::unique_ptr<EventConnection> ConnectPoint(IDispatch* source, EventInterface which,
                                              EventHandler handler);
ComPtr<IConnectionPoint> FindPoint(IDispatch* source, EventInterface which);

// Host objects by IDispatch.
class DispatchObject final : public Object {
 public:
  explicit DispatchObject(IDispatch* dispatch) : dispatch_(ComPtr<IDispatch>::Share(dispatch)) {}

  Value Get(const std::string& member, const Args& args) override {
    return Invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, nullptr);
  }
  void Put(const std::string& member, const Value& value, const Args& args) override {
    Invoke(member, DISPATCH_PROPERTYPUT, args, &value);
  }
  Value Call(const std::string& member, const Args& args) override {
    return Invoke(member, DISPATCH_METHOD, args, nullptr);
  }
  AppKind Kind() const override {
    // In this order: an object answering several is taken for the first.
    const std::pair<const IID*, AppKind> kinds[] = {
        {&kIidPowerPointApplication, AppKind::kPowerPoint},
        {&kIidExcelApplication, AppKind::kExcel},
        {&kIidWordApplication, AppKind::kWord}};
    for (const auto& [iid, kind] : kinds) {
      ComPtr<IUnknown> app;
      if (SUCCEEDED(dispatch_->QueryInterface(*iid, reinterpret_cast<void**>(app.Receive())))) {
        return kind;
      }
    }
    return AppKind::kOther;
  }
  bool Implements(OfficeInterface which) const override {
    switch (which) {
      case OfficeInterface::kCommandBarButton: {
        ComPtr<IUnknown> button;
        return SUCCEEDED(dispatch_->QueryInterface(kIidCommandBarButton,
                                                   reinterpret_cast<void**>(button.Receive())));
      }
    }
    return false;
  }

  std::unique_ptr<EventConnection> Connect(EventInterface which, EventHandler handler) override {
    const profile::Spend spend(profile::Where::kHost);
    return ConnectPoint(dispatch_.get(), which, std::move(handler));
  }
  bool RaisesEvents(EventInterface which) const override {
    return static_cast<bool>(FindPoint(dispatch_.get(), which));
  }

  IDispatch* dispatch() const { return dispatch_.get(); }

 private:
  Value Invoke(const std::string& member, WORD flags, const Args& args, const Value* put_value) {
    const profile::Spend spend(profile::Where::kHost);
    // Member and named arguments in one lookup; the default member is DISPID_VALUE.
    std::vector<std::wstring> names;
    names.push_back(Widen(member));
    for (const NamedArgument& a : args.named)
      names.push_back(Widen(a.name));
    std::vector<LPOLESTR> name_pointers;
    for (std::wstring& n : names)
      name_pointers.push_back(n.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    if (member.empty() && args.named.empty()) {
      ids[0] = DISPID_VALUE;
    } else {
      const HRESULT hr =
          dispatch_->GetIDsOfNames(IID_NULL, name_pointers.data(), static_cast<UINT>(names.size()),
                                   LOCALE_USER_DEFAULT, ids.data());
      // A known member with an unknown argument name is Basic's "named argument not found".
      if (FAILED(hr)) {
        const bool member_known = !member.empty() && ids[0] != DISPID_UNKNOWN;
        throw MappedError(member_known && hr == DISP_E_UNKNOWNNAME ? DISP_E_PARAMNOTFOUND
                                                                   : DISP_E_MEMBERNOTFOUND);
      }
      if (member.empty()) ids[0] = DISPID_VALUE;
    }

    // rgvarg: the named arguments (the put value first), then the positional ones last to first.
    const std::size_t count = args.positional.size() + args.named.size() + (put_value ? 1 : 0);
    std::vector<ScopedVariant> values(count);
    std::vector<DISPID> named_ids;
    std::size_t slot = 0;
    if (put_value) {
      ToVariant(*put_value, values[slot++].Receive());
      named_ids.push_back(DISPID_PROPERTYPUT);
    }
    for (std::size_t i = 0; i < args.named.size(); ++i) {
      ToVariant(args.named[i].value, values[slot++].Receive());
      named_ids.push_back(ids[i + 1]);
    }
    for (auto it = args.positional.rbegin(); it != args.positional.rend(); ++it) {
      ToVariant(*it, values[slot++].Receive());
    }
    std::vector<VARIANT> raw;
    for (ScopedVariant& v : values)
      raw.push_back(v.get());  // shallow: values keep ownership

    DISPPARAMS params{raw.data(), named_ids.data(), static_cast<UINT>(raw.size()),
                      static_cast<UINT>(named_ids.size())};
    ScopedVariant result;
    ScopedExcepInfo info;
    UINT bad_argument = 0;
    const HRESULT hr =
        dispatch_->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                          put_value ? nullptr : result.Receive(), &info, &bad_argument);
    if (FAILED(hr)) throw ErrorFromResult(hr, &info);
    return FromVariant(result.get());
  }

  ComPtr<IDispatch> dispatch_;
};

// DISPIDs handed out per member name, the same for every object of ours so that a client may
// cache them; names match without regard to case.
class MemberNames {
 public:
  DISPID IdOf(const std::wstring& name) {
    std::wstring key = name;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    const std::lock_guard<std::mutex> lock(mutex_);
    auto it = ids_.find(key);
    if (it != ids_.end()) return it->second;
    const DISPID id = static_cast<DISPID>(1000 + names_.size());
    ids_[key] = id;
    names_.push_back(Narrow(name));
    return id;
  }
  bool NameOf(DISPID id, std::string* name) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto index = static_cast<std::size_t>(id - 1000);
    if (id < 1000 || index >= names_.size()) return false;
    *name = names_[index];
    return true;
  }

 private:
  std::mutex mutex_;
  std::map<std::wstring, DISPID> ids_;
  std::vector<std::string> names_;
};

MemberNames& Names() {
  static MemberNames names;
  return names;
}

// COM interfaces have no virtual destructor; the object deletes itself in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// An IDispatch of ours without type information: reference counting, QueryInterface for
// IUnknown, IDispatch and what the derived class adds, and no type info.
class UntypedDispatch : public SingleInterfaceObject<IDispatch, IID_IDispatch> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
};

// The connection points an object serves, enumerated for a client.
class PointEnumerator final
    : public SingleInterfaceObject<IEnumConnectionPoints, IID_IEnumConnectionPoints> {
 public:
  explicit PointEnumerator(std::vector<ComPtr<IConnectionPoint>> points, std::size_t next = 0)
      : points_(std::move(points)), next_(next) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** out, ULONG* fetched) override {
    if (out == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
    ULONG given = 0;
    for (; given < count && next_ < points_.size(); ++given, ++next_) {
      out[given] = ComPtr<IConnectionPoint>(points_[next_]).Detach();
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const std::size_t left = points_.size() - next_;
    next_ += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    try {
      *out = new PointEnumerator(points_, next_);
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  ~PointEnumerator() override = default;

  std::vector<ComPtr<IConnectionPoint>> points_;
  std::size_t next_;
};

class ObjectDispatch;

// The wrapper of each of our objects that a client holds, so that the same object is one COM
// identity however often it is handed out (Basic's Is compares identities).
class Wrappers {
 public:
  std::mutex mutex;
  std::map<const Object*, ObjectDispatch*> live;
};
// Never destroyed: a host may release wrappers in its own clean-up at exit, after the module's
// static destructors have run.
Wrappers& LiveWrappers() {
  static NeverDestroyed<Wrappers> wrappers;
  return wrappers.get();
}

// Our objects as IDispatch, by member name; a host's application interface and the command bar
// button interface through their typed faces; and connection points for the events the object
// raises.
class ObjectDispatch final : public UntypedDispatch,
                             public IConnectionPointContainer,
                             public ISupportErrorInfo {
 public:
  explicit ObjectDispatch(ObjectRef object)
      : object_(std::move(object)),
        points_{{this, object_, EventInterface::kCommandBarButtonEvents},
                {this, object_, EventInterface::kCommandBarsEvents}},
        word_(this, object_.get()),
        excel_(this, object_.get()),
        powerpoint_(this, object_.get()),
        button_(this, object_.get()) {}

  // The object's wrapper: the live one, else a new one (a new reference either way).
  static IDispatch* For(const ObjectRef& object) {
    Wrappers& wrappers = LiveWrappers();
    const std::lock_guard<std::mutex> lock(wrappers.mutex);
    const auto found = wrappers.live.find(object.get());
    if (found != wrappers.live.end() && found->second->TryAddRef()) {
      return static_cast<IDispatch*>(found->second);
    }
    auto* created = new ObjectDispatch(object);  // owns itself through its references
    wrappers.live[object.get()] = created;
    return static_cast<IDispatch*>(created);
  }

  void* OtherInterface(REFIID riid) override {
    if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
      return static_cast<IConnectionPointContainer*>(this);
    }
    if (IsEqualIID(riid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
    try {
      const AppKind kind = object_->Kind();
      if (kind == AppKind::kWord && IsEqualIID(riid, kIidWordApplication)) return &word_;
      if (kind == AppKind::kExcel && IsEqualIID(riid, kIidExcelApplication)) return &excel_;
      if (kind == AppKind::kPowerPoint && IsEqualIID(riid, kIidPowerPointApplication)) {
        return &powerpoint_;
      }
      if ((IsEqualIID(riid, kIidCommandBarButton) || IsEqualIID(riid, IID_CommandBarControl)) &&
          object_->Implements(OfficeInterface::kCommandBarButton)) {
        return &button_;
      }
    } catch (...) {
      // An object that cannot tell answers nothing more.
    }
    return nullptr;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    return UntypedDispatch::QueryInterface(riid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return UntypedDispatch::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return UntypedDispatch::Release(); }

  // The typed faces report their failures with error information.
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    for (const IID* typed :
         {&kIidWordApplication, &kIidExcelApplication, &kIidPowerPointApplication,
          &kIidCommandBarButton, &IID_CommandBarControl}) {
      if (IsEqualIID(riid, *typed)) return S_OK;
    }
    return S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    try {
      std::vector<ComPtr<IConnectionPoint>> points;
      for (EventPoint& point : points_) {
        ComPtr<IConnectionPoint> found;
        if (FindConnectionPoint(EventsIid(point.which()), found.Receive()) == S_OK) {
          points.push_back(std::move(found));
        }
      }
      *out = new PointEnumerator(std::move(points));
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  // A point for the event interfaces of Office's command bars that the object raises.
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    if (point == nullptr) return E_POINTER;
    *point = nullptr;
    try {
      for (EventInterface which :
           {EventInterface::kCommandBarButtonEvents, EventInterface::kCommandBarsEvents}) {
        if (IsEqualIID(riid, EventsIid(which)) && object_->RaisesEvents(which)) {
          *point = &points_[static_cast<int>(which)];
          (*point)->AddRef();
          return S_OK;
        }
      }
      return CONNECT_E_NOCONNECTION;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (names == nullptr || ids == nullptr) return E_POINTER;
    try {
      // The member, then the names of its arguments: a name it does not take is unknown.
      HRESULT hr = S_OK;
      const std::string member = count > 0 ? Narrow(names[0]) : std::string();
      for (UINT i = 0; i < count; ++i) {
        if (i > 0 && !object_->TakesNamedArgument(member, Narrow(names[i]))) {
          ids[i] = DISPID_UNKNOWN;
          hr = DISP_E_UNKNOWNNAME;
        } else {
          ids[i] = Names().IdOf(names[i]);
        }
      }
      return hr;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* bad_argument) override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    // This wrapper and its object stay alive until the call returns, whatever the client
    // releases from a message loop the call runs.
    const ComPtr<IDispatch> self = ComPtr<IDispatch>::Share(this);
    const ObjectRef object = object_;
    try {
      std::string member;
      if (id != DISPID_VALUE && !Names().NameOf(id, &member)) return DISP_E_MEMBERNOTFOUND;
      Args args;
      Value put_value;
      bool has_put_value = false;
      const UINT named = params ? params->cNamedArgs : 0;
      const UINT total = params ? params->cArgs : 0;
      for (UINT i = 0; i < named; ++i) {
        const Value v = FromVariant(params->rgvarg[i]);
        const DISPID arg_id = params->rgdispidNamedArgs[i];
        std::string name;
        if (arg_id == DISPID_PROPERTYPUT) {
          put_value = v;
          has_put_value = true;
        } else if (Names().NameOf(arg_id, &name) && object->TakesNamedArgument(member, name)) {
          args.named.push_back({name, v});
        } else {
          if (bad_argument) *bad_argument = i;
          return DISP_E_PARAMNOTFOUND;
        }
      }
      for (UINT i = total; i > named; --i)
        args.positional.push_back(FromVariant(params->rgvarg[i - 1]));

      Value value;
      if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (!has_put_value) return DISP_E_PARAMNOTOPTIONAL;
        object->Put(member, put_value, args);
      } else if (flags & DISPATCH_PROPERTYGET) {
        value = GetThroughDefaultMember(object, member, args);
      } else {
        value = object->Call(member, args);
      }
      if (result) ToVariant(value, result);
      return S_OK;
    } catch (const VbError& e) {
      FillExcepInfo(e, info);
      return DISP_E_EXCEPTION;
    } catch (...) {
      FillExcepInfo(VbError(static_cast<std::int32_t>(E_FAIL), "Unexpected failure"), info);
      return DISP_E_EXCEPTION;
    }
  }

 private:
  ~ObjectDispatch() override {
    Wrappers& wrappers = LiveWrappers();
    const std::lock_guard<std::mutex> lock(wrappers.mutex);
    const auto found = wrappers.live.find(object_.get());
    if (found != wrappers.live.end() && found->second == this) wrappers.live.erase(found);
  }

  // A property read with arguments it does not take hands them to the default member of the
  // object it gives, as OLE Automation's type-library dispatch does: CommandBars("Name").
  static Value GetThroughDefaultMember(const ObjectRef& object, const std::string& member,
                                       const Args& args) {
    try {
      return object->Get(member, args);
    } catch (const VbError& e) {
      if (e.number() != vberr::kWrongArgumentCount || args.empty() || member.empty()) throw;
      const ObjectRef item = AsObject(object->Get(member, Args{}));
      if (!item) throw;
      return item->Get(kDefaultMember, args);
    }
  }

  ObjectRef object_;
  EventPoint points_[2];  // by EventInterface
  ApplicationFace<_WordApplication> word_;
  ApplicationFace<_ExcelApplication> excel_;
  ApplicationFace<_PowerPointApplication> powerpoint_;
  ButtonFace button_;
};

// The sink a connection point calls: an IDispatch answering one event dispinterface, whose
// DISPID 1 is the event (Click with Ctrl and CancelDefault by reference, or OnUpdate). The
// connection cuts it off from its handler when it ends, so a late call reaches nobody.
class EventSinkDispatch final : public UntypedDispatch {
 public:
  EventSinkDispatch(const IID& events, EventInterface which, EventHandler handler)
      : events_(events), which_(which), handler_(std::move(handler)) {}

  void Disconnect() { handler_ = nullptr; }

  void* OtherInterface(REFIID riid) override {
    return IsEqualIID(riid, events_) ? static_cast<IDispatch*>(this) : nullptr;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                          DISPID* ids) override {
    if (ids == nullptr) return E_POINTER;
    for (UINT i = 0; i < count; ++i)
      ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO* info, UINT* bad_argument) override {
    if (id != 1) return DISP_E_MEMBERNOTFOUND;
    const UINT count = params ? params->cArgs : 0;
    try {
      if (which_ == EventInterface::kCommandBarsEvents) {
        if (count != 0) return DISP_E_BADPARAMCOUNT;
        if (const EventHandler handler = handler_) handler("OnUpdate", {});
        return S_OK;
      }
      // Click(Ctrl, CancelDefault): the arguments arrive last to first.
      if (count != 2) return DISP_E_BADPARAMCOUNT;
      VARIANT& cancel = params->rgvarg[0];
      if (cancel.vt != (VT_BYREF | VT_BOOL) || cancel.pboolVal == nullptr) {
        if (bad_argument) *bad_argument = 0;
        return DISP_E_TYPEMISMATCH;
      }
      Value args[2] = {FromVariant(params->rgvarg[1]), Value(*cancel.pboolVal != VARIANT_FALSE)};
      // A copy: the handler may end this very connection.
      if (const EventHandler handler = handler_) handler("Click", args);
      *cancel.pboolVal = ToLong(args[1]) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    } catch (...) {
      FillExcepInfo(CurrentError(), info);
      return DISP_E_EXCEPTION;
    }
  }

 private:
  ~EventSinkDispatch() override = default;

  const IID& events_;
  EventInterface which_;
  EventHandler handler_;
};

// One advised sink; ending the connection unadvises it.
class PointConnection final : public EventConnection {
 public:
  PointConnection(ComPtr<IConnectionPoint> point, ComPtr<EventSinkDispatch> sink, DWORD cookie)
      : point_(std::move(point)), sink_(std::move(sink)), cookie_(cookie) {}
  ~PointConnection() override {
    sink_->Disconnect();
    point_->Unadvise(cookie_);
  }

 private:
  ComPtr<IConnectionPoint> point_;
  ComPtr<EventSinkDispatch> sink_;
  DWORD cookie_;
};

#pragma GCC diagnostic pop

// The source's connection point for those events; null when it has none.
ComPtr<IConnectionPoint> FindPoint(IDispatch* source, EventInterface which) {
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  if (FAILED(source->QueryInterface(IID_IConnectionPointContainer,
                                    reinterpret_cast<void**>(container.Receive()))) ||
      !container || FAILED(container->FindConnectionPoint(EventsIid(which), point.Receive()))) {
    return {};
  }
  return point;
}

std::unique_ptr<EventConnection> ConnectPoint(IDispatch* source, EventInterface which,
                                              EventHandler handler) {
  const IID& events = EventsIid(which);
  ComPtr<IConnectionPoint> point = FindPoint(source, which);
  if (!point) throw VbError::Runtime(vberr::kNoSuchEvents);
  auto sink =
      ComPtr<EventSinkDispatch>::Adopt(new EventSinkDispatch(events, which, std::move(handler)));
  DWORD cookie = 0;
  const HRESULT hr = point->Advise(sink.get(), &cookie);
  if (FAILED(hr)) throw MappedError(hr);
  return std::make_unique<PointConnection>(std::move(point), std::move(sink), cookie);
}

}  // namespace

ObjectRef WrapDispatch(IDispatch* dispatch) {
  if (dispatch == nullptr) return nullptr;
  return std::make_shared<DispatchObject>(dispatch);
}

IDispatch* ExposeObject(const ObjectRef& object) {
  if (!object) return nullptr;
  if (const auto* host = dynamic_cast<const DispatchObject*>(object.get())) {
    host->dispatch()->AddRef();
    return host->dispatch();
  }
  return ObjectDispatch::For(object);
}

void ToVariant(const Value& value, VARIANT* out) {
  VariantInit(out);
  switch (value.type()) {
    case Value::Type::kEmpty:
      break;
    case Value::Type::kBoolean:
      out->vt = VT_BOOL;
      out->boolVal = value.AsBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case Value::Type::kInteger:
      out->vt = VT_I2;
      out->iVal = value.AsInteger();
      break;
    case Value::Type::kLong:
      out->vt = VT_I4;
      out->lVal = value.AsLong();
      break;
    case Value::Type::kSingle:
      out->vt = VT_R4;
      out->fltVal = value.AsSingle();
      break;
    case Value::Type::kDouble:
      out->vt = VT_R8;
      out->dblVal = value.AsDouble();
      break;
    case Value::Type::kString:
      out->vt = VT_BSTR;
      out->bstrVal = ScopedBstr(Widen(value.AsString())).Detach();
      break;
    case Value::Type::kObject:
      out->vt = VT_DISPATCH;
      out->pdispVal = ExposeObject(value.AsObject());
      break;
    case Value::Type::kMissing:
      out->vt = VT_ERROR;
      out->scode = DISP_E_PARAMNOTFOUND;
      break;
  }
}

Value FromVariant(const VARIANT& variant) {
  if (variant.vt & VT_BYREF) {
    ScopedVariant direct;
    if (FAILED(VariantCopyInd(direct.Receive(), const_cast<VARIANT*>(&variant)))) {
      throw VbError::Runtime(vberr::kTypeMismatch);
    }
    return FromVariant(direct.get());
  }
  switch (variant.vt) {
    case VT_ERROR:  // a missing optional argument
      if (variant.scode == DISP_E_PARAMNOTFOUND) return Value::Missing();
      return Value();
    case VT_EMPTY:
    case VT_NULL:
      return Value();
    case VT_BOOL:
      return Value(variant.boolVal != VARIANT_FALSE);
    case VT_I2:
      return Value(variant.iVal);
    case VT_UI1:
      return Value(static_cast<std::int16_t>(variant.bVal));
    case VT_I4:
    case VT_INT:
      return Value(static_cast<std::int32_t>(variant.lVal));
    case VT_R4:
      return Value(variant.fltVal);
    case VT_R8:
      return Value(variant.dblVal);
    case VT_BSTR:
      return Value(BstrText(variant.bstrVal));
    case VT_DISPATCH:
      return Value(WrapDispatch(variant.pdispVal));
    case VT_UNKNOWN: {
      ComPtr<IDispatch> dispatch;
      if (variant.punkVal == nullptr) return Value(ObjectRef());
      if (FAILED(variant.punkVal->QueryInterface(IID_IDispatch,
                                                 reinterpret_cast<void**>(dispatch.Receive())))) {
        throw VbError::Runtime(vberr::kTypeMismatch);
      }
      return Value(WrapDispatch(dispatch.get()));
    }
    default: {
      // Other numbers (currency, dates, decimals, wider integers) as double precision.
      ScopedVariant number;
      if (FAILED(VariantChangeType(number.Receive(), const_cast<VARIANT*>(&variant), 0, VT_R8))) {
        throw VbError::Runtime(vberr::kTypeMismatch);
      }
      return Value(number.get().dblVal);
    }
  }
}

VbError ErrorFromResult(HRESULT hr, EXCEPINFO* info) {
  if (hr != DISP_E_EXCEPTION || info == nullptr) return MappedError(hr);
  if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
  ScopedBstr description, source, help;
  *description.Receive() = std::exchange(info->bstrDescription, nullptr);
  *source.Receive() = std::exchange(info->bstrSource, nullptr);
  *help.Receive() = std::exchange(info->bstrHelpFile, nullptr);
  const std::int32_t number = info->wCode != 0 ? info->wCode : ErrorNumber(info->scode);
  return VbError(number, BstrText(description.get()), BstrText(source.get()));
}

HRESULT ReportError(const VbError& error, REFIID iid) noexcept {
  const std::int32_t n = error.number();
  const HRESULT result = (n > 0 && n <= 0xFFFF) ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, n)
                                                : static_cast<HRESULT>(n);
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.Receive()))) {
    try {
      const std::wstring description = Widen(error.description());
      const std::wstring source = Widen(error.source());
      create->SetGUID(iid);
      create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
      create->SetSource(const_cast<LPOLESTR>(source.c_str()));
      ComPtr<IErrorInfo> info;
      if (SUCCEEDED(
              create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.Receive())))) {
        SetErrorInfo(0, info.get());
      }
    } catch (...) {
      // The number alone still reaches the caller.
    }
  }
  return SUCCEEDED(result) ? E_FAIL : result;
}

void FillExcepInfo(const VbError& error, EXCEPINFO* info) {
  if (info == nullptr) return;
  *info = EXCEPINFO{};
  // Basic's own numbers travel in its facility; host numbers (HRESULTs) as they are.
  const std::int32_t n = error.number();
  info->scode = (n > 0 && n <= 0xFFFF) ? MAKE_HRESULT(SEVERITY_ERROR, kFacilityControl, n)
                                       : static_cast<HRESULT>(n);
  info->bstrDescription = ScopedBstr(Widen(error.description())).Detach();
  info->bstrSource = ScopedBstr(Widen(error.source())).Detach();
}

}  // namespace orvan::win32
