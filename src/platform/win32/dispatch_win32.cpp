#include "platform/win32/dispatch_win32.h"

#include <vector>

#include "platform/win32/dispatch_internal_win32.h"
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

}  // namespace

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

namespace {

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
  return ServeObject(object);
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
