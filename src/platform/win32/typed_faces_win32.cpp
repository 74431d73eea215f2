#include "platform/win32/typed_faces_win32.h"

#include "platform/win32/com_win32.h"
#include "platform/win32/wide_text_win32.h"

namespace orvan::win32 {

template <typename Interface>
HRESULT TypedFace<Interface>::GetText(const char* member, BSTR* value) {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  return Member([&](Object& o) { *value = ScopedBstr(Widen(ToText(o.Get(member)))).Detach(); });
}

template <typename Interface>
HRESULT TypedFace<Interface>::GetFlag(const char* member, VARIANT_BOOL* value) {
  if (value == nullptr) return E_POINTER;
  return Member(
      [&](Object& o) { *value = ToLong(o.Get(member)) != 0 ? VARIANT_TRUE : VARIANT_FALSE; });
}

template <typename Interface>
HRESULT TypedFace<Interface>::GetLong(const char* member, long* value) {
  if (value == nullptr) return E_POINTER;
  return Member([&](Object& o) { *value = ToLong(o.Get(member)); });
}

template <typename Interface>
HRESULT TypedFace<Interface>::PutValue(const char* member, const Value& value) {
  return Member([&](Object& o) { o.Put(member, value); });
}

template class TypedFace<_WordApplication>;
template class TypedFace<_ExcelApplication>;
template class TypedFace<_PowerPointApplication>;
template class TypedFace<_CommandBarButton>;

HRESULT ButtonFace::get_Caption(BSTR* value) {
  return GetText("Caption", value);
}
HRESULT ButtonFace::put_Caption(BSTR value) {
  return Member([&](Object& o) { o.Put("Caption", Value(BstrText(value))); });
}
HRESULT ButtonFace::get_Enabled(VARIANT_BOOL* value) {
  return GetFlag("Enabled", value);
}
HRESULT ButtonFace::put_Enabled(VARIANT_BOOL value) {
  return PutValue("Enabled", Value(value != VARIANT_FALSE));
}
HRESULT ButtonFace::get_Tag(BSTR* value) {
  return GetText("Tag", value);
}
HRESULT ButtonFace::put_Tag(BSTR value) {
  return Member([&](Object& o) { o.Put("Tag", Value(BstrText(value))); });
}
HRESULT ButtonFace::Delete(VARIANT temporary) {
  return Member([&](Object& o) {
    const Value argument = FromVariant(temporary);
    o.Call("Delete", argument.IsMissing() ? Args{} : Args{argument});
  });
}
HRESULT ButtonFace::get_Style(long* value) {
  return GetLong("Style", value);
}
HRESULT ButtonFace::put_Style(long value) {
  return PutValue("Style", Value(static_cast<std::int32_t>(value)));
}

}  // namespace orvan::win32
