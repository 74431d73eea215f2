// Objects of ours served as IDispatch by member name.
#include <algorithm>
#include <cwctype>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/dispatch_internal_win32.h"
#include "platform/win32/event_point_win32.h"
#include "platform/win32/typed_faces_win32.h"
#include "support/never_destroyed.h"

namespace orvan::win32 {
namespace {

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

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

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

#pragma GCC diagnostic pop

}  // namespace

IDispatch* ServeObject(const ObjectRef& object) {
  return ObjectDispatch::For(object);
}

}  // namespace orvan::win32
