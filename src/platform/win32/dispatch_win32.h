// Host objects over IDispatch, and objects of ours exposed as IDispatch.
#pragma once

#include "platform/win32/win32.h"
#include "support/automation.h"

namespace orvan::win32 {

// The application interfaces that tell the hosts apart.
extern const IID kIidWordApplication;        // {00020970-0000-0000-C000-000000000046}
extern const IID kIidExcelApplication;       // {000208D5-0000-0000-C000-000000000046}
extern const IID kIidPowerPointApplication;  // {91493442-5A91-11CF-8700-00AA0060263B}
// Office's command bar button interface (_CommandBarButton).
extern const IID kIidCommandBarButton;  // {000C030E-0000-0000-C000-000000000046}
// The event dispinterfaces of a button (Click) and of the CommandBars collection (OnUpdate).
extern const IID kIidCommandBarButtonEvents;  // {000C0351-0000-0000-C000-000000000046}
extern const IID kIidCommandBarsEvents;       // {000C0352-0000-0000-C000-000000000046}
// The dispinterface of those events.
const IID& EventsIid(EventInterface which);

// An Object that reaches a host object through its IDispatch (which it holds a reference to).
// Null gives nothing.
ObjectRef WrapDispatch(IDispatch* dispatch);

// A new reference to an IDispatch for the object: the host's own for a wrapped host object,
// else one that serves our object by member name, the same one for as long as a client holds
// it (one COM identity per object). Null for nothing.
IDispatch* ExposeObject(const ObjectRef& object);

// Values and VARIANTs; the VARIANT receives new references and strings.
void ToVariant(const Value& value, VARIANT* out);
Value FromVariant(const VARIANT& variant);

// The error a failed call reports: EXCEPINFO for DISP_E_EXCEPTION (its texts taken out and
// freed), else the HRESULT.
VbError ErrorFromResult(HRESULT hr, EXCEPINFO* info);
// Fills EXCEPINFO from an error of ours (the reverse of ErrorFromResult).
void FillExcepInfo(const VbError& error, EXCEPINFO* info);

// The result a method of a typed interface returns for an error: Basic's run-time errors as
// 0x800A0000 | number, other numbers (HRESULTs) as they are, with description and source set
// as the thread's error information for the interface, where OLE Automation's dispatch takes
// them into EXCEPINFO.
HRESULT ReportError(const VbError& error, REFIID iid) noexcept;

}  // namespace orvan::win32
