// The product's IDispatch adapter against dispatch code that is not ours:
// Windows' own Scripting.Dictionary, OLE Automation's type-library dispatch
// serving the add-in's classes, and a stub that answers every failure a host
// may report. Where both sides are ours, a fault shared by them (argument
// order, named-argument DISPIDs, the error table) would cancel out.
#include <thread>
#include <tuple>

#include "doubles/call_arguments.h"
#include "doubles/fake_platform.h"
#include "doubles/raised_error.h"
#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;

// COM initialised, the add-in loaded and unloadable at the end.
using DispatchForeign = ComServerTest;

// Named arguments in every order reach the type library's dispatch below (DoInit); here Add(Key,
// Item) with one positional and one named argument, and a put with an index.
TEST_F(DispatchForeign, ScriptingDictionaryGetsKeyAndItemInTheirPlaces) {
  const Value key("Schlüssel");
  const Value item(std::int32_t{42});
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(L"Scripting.Dictionary", &clsid), S_OK);
  ComPtr<IDispatch> raw;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(raw.Receive())),
            S_OK);
  const ObjectRef dictionary = win32::WrapDispatch(raw.get());
  Call(dictionary, "Add", Arguments({key}, {{"Item", item}}));
  EXPECT_EQ(Get(dictionary, "Item", {key}), item);
  // The new value goes as the put argument, the key as the index.
  Put(dictionary, "Item", Value(2.5), {key});
  EXPECT_EQ(Get(dictionary, "Item", {key}), Value(2.5));
}

// DoInit(Application, [ConnectMode], [AddInInst]) through the type library: a
// value in the wrong place fails the type library's coercion (a string for the
// enumeration, a number for the object), so the call passes only with every
// argument in its place.
void CallDoInit(ComServerTest& test) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  FakePlatform fakes;
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes.office);
  const Value app(word.application());
  const Value mode(std::int32_t{1});
  const Value inst("OrvanpdfVtAddIn.dsrPdfVtAddinWord");
  // What the call passes, the error it raises (0 for none).
  const std::tuple<const char*, Args, std::int32_t> cases[] = {
      {"positional Application, ConnectMode; named AddInInst",
       Arguments({app, mode}, {{"AddInInst", inst}}), 0},
      {"all named, out of order",
       Arguments({}, {{"ConnectMode", mode}, {"AddInInst", inst}, {"Application", app}}), 0},
      // The test's own control: the values where a reversal would put them are
      // refused.
      {"values swapped", Arguments({app}, {{"AddInInst", mode}, {"ConnectMode", inst}}),
       vberr::kTypeMismatch},
  };
  for (const auto& [name, args, error] : cases) {
    SCOPED_TRACE(name);
    fakes.office->journal.clear();
    const ObjectRef designer = win32::WrapDispatch(test.Create(kClasses[6]).get());
    EXPECT_EQ(ErrorNumberOf([&] { Call(designer, "DoInit", args); }), error);
    // The application arrived as Application: the start-up reached the host
    // through it.
    EXPECT_EQ(fakes.office->Journaled("Application.CommandBars").empty(), error != 0);
  }
  CoUninitialize();
}

// On a thread of its own, as the start-up's per-thread state holds the library
// until its thread ends.
TEST_F(ComServerTest, TypeLibraryDispatchGetsPositionalAndNamedArgumentsInTheirPlaces) {
  std::thread([this] { CallDoInit(*this); }).join();
}

const HRESULT kBasic424 = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 424);
const HRESULT kBasic91 = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 91);

HRESULT STDAPICALLTYPE FillInLater(EXCEPINFO* info) {
  info->bstrDescription = SysAllocString(L"Filled in later");
  info->bstrSource = SysAllocString(L"Deferred");
  info->scode = kBasic91;
  return S_OK;
}

// What the stub answers.
struct Answer {
  HRESULT names = S_OK;  // GetIDsOfNames; on failure the member's own DISPID is kept or not
  bool member_known = true;
  HRESULT invoke = S_OK;
  WORD wcode = 0;
  HRESULT scode = 0;
  const wchar_t* description = nullptr;
  const wchar_t* source = nullptr;
  bool deferred = false;
};

class StubDispatch final : public win32::SingleInterfaceObject<IDispatch, IID_IDispatch> {
 public:
  explicit StubDispatch(const Answer& answer) : answer_(answer) {}

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                          DISPID* ids) override {
    for (UINT i = 0; i < count; ++i)
      ids[i] = SUCCEEDED(answer_.names) ? static_cast<DISPID>(i + 1) : DISPID_UNKNOWN;
    if (answer_.member_known) ids[0] = 1;
    return answer_.names;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO* info, UINT*) override {
    if (answer_.invoke == DISP_E_EXCEPTION) {
      *info = EXCEPINFO{};
      info->wCode = answer_.wcode;
      info->scode = answer_.scode;
      if (answer_.description) info->bstrDescription = SysAllocString(answer_.description);
      if (answer_.source) info->bstrSource = SysAllocString(answer_.source);
      if (answer_.deferred) info->pfnDeferredFillIn = FillInLater;
    }
    return answer_.invoke;
  }

 private:
  Answer answer_;
};

Answer Raises(WORD wcode, HRESULT scode, const wchar_t* description, const wchar_t* source) {
  return {.invoke = DISP_E_EXCEPTION,
          .wcode = wcode,
          .scode = scode,
          .description = description,
          .source = source};
}

TEST_F(DispatchForeign, HostFailuresArriveAsBasicReportsThem) {
  const std::string no_member = "Object doesn't support this property or method";
  const struct {
    Answer answer;
    std::int32_t number;
    std::string description;
    std::string source = "";
  } cases[] = {
      {{.invoke = DISP_E_MEMBERNOTFOUND}, 438, no_member},
      {{.invoke = DISP_E_UNKNOWNNAME}, 438, no_member},
      {{.invoke = DISP_E_TYPEMISMATCH}, 13, "Type mismatch"},
      {{.invoke = DISP_E_BADPARAMCOUNT},
       450,
       "Wrong number of arguments or invalid property assignment"},
      {{.invoke = DISP_E_PARAMNOTOPTIONAL}, 449, "Argument not optional"},
      {{.invoke = DISP_E_OVERFLOW}, 6, "Overflow"},
      {{.invoke = DISP_E_BADINDEX}, 9, "Subscript out of range"},
      {{.invoke = DISP_E_PARAMNOTFOUND}, 448, "Named argument not found"},
      {{.invoke = DISP_E_NONAMEDARGS}, 446, "Object doesn't support named arguments"},
      {{.invoke = DISP_E_BADVARTYPE},
       458,
       "Variable uses an Automation type not supported in Visual Basic"},
      {{.invoke = E_INVALIDARG}, 5, "Invalid procedure call or argument"},
      {{.invoke = E_FAIL}, static_cast<std::int32_t>(E_FAIL), "Automation error"},
      {Raises(1004, 0, L"Method 'Range' failed", L"Microsoft Excel"), 1004, "Method 'Range' failed",
       "Microsoft Excel"},
      {Raises(0, kBasic424, L"Object required", L"VBAProject"), 424, "Object required",
       "VBAProject"},
      {Raises(0, MK_E_UNAVAILABLE, L"Unavailable", L"Host"),
       static_cast<std::int32_t>(MK_E_UNAVAILABLE), "Unavailable", "Host"},
      {{.invoke = DISP_E_EXCEPTION, .deferred = true}, 91, "Filled in later", "Deferred"},
      {{.names = DISP_E_UNKNOWNNAME, .member_known = false}, 438, no_member},
      {{.names = E_FAIL, .member_known = false}, 438, no_member},
      {{.names = DISP_E_UNKNOWNNAME}, 448, "Named argument not found"},
  };
  for (const auto& c : cases) {
    const auto stub = ComPtr<IDispatch>::Adopt(new StubDispatch(c.answer));
    const auto raised = RaisedBy([&] {
      Call(win32::WrapDispatch(stub.get()), "Member",
           Arguments({Value(std::int32_t{1})}, {{"Named", Value("x")}}));
    });
    ASSERT_TRUE(raised.has_value()) << c.description;
    EXPECT_EQ(std::tuple(raised->number(), raised->description(), raised->source()),
              std::tuple(c.number, c.description, c.source));
  }
}

}  // namespace
}  // namespace orvan::testing
