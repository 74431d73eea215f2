' Drives the Addin class the way a macro does, through Windows' own script engine. Wine's
' cscript shows no script errors and exits 0 regardless, so each step checks Err itself, echoes
' what it saw and quits with a code of its own when that is wrong.
Option Explicit
On Error Resume Next

Sub Check(ok, code, what)
  If Err.Number <> 0 Then
    WScript.Echo what & ": error " & Err.Number & ": " & Err.Description
    WScript.Quit code
  End If
  If Not ok Then
    WScript.Echo what & ": wrong result"
    WScript.Quit code
  End If
End Sub

Dim a, d, fresh, held
Set a = CreateObject("OrvanpdfVtAddIn.Addin")
Check IsObject(a), 1, "CreateObject"

Check IsEmpty(a.AddinDsr), 3, "AddinDsr initial"
WScript.Echo "AddinDsr initial: " & TypeName(a.AddinDsr)

a.AddinDsr = 5
Check a.AddinDsr = 5, 4, "AddinDsr by value"
WScript.Echo "AddinDsr by value: " & a.AddinDsr

Set d = CreateObject("Scripting.Dictionary")
d.Add "key", "item"
Set a.AddinDsr = d
Set held = a.AddinDsr
Check held.Item("key") = "item", 5, "AddinDsr by reference"
held.Add "second", 2
Check d.Count = 2, 6, "AddinDsr by reference, same object"
WScript.Echo "AddinDsr by reference: the same Dictionary, " & d.Count & " items"

' A Dictionary is no Office application: no designer is made, and Init reports it.
Set fresh = CreateObject("OrvanpdfVtAddIn.Addin")
Check IsObject(fresh), 7, "second CreateObject"
Err.Clear
fresh.Init d
Dim number, description
number = Err.Number
description = Err.Description
Err.Clear
WScript.Echo "Init error " & number & ": " & description
If number <> 424 Then WScript.Quit 8

' The add-in is still there after the failure.
fresh.AddinDsr = "after"
Check fresh.AddinDsr = "after", 9, "AddinDsr after the failed Init"
WScript.Echo "done"
WScript.Quit 0
