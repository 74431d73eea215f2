' The controllers and designers of every host answer a macro through the type library: a variant
' property takes a number as text, names the library lacks go to the designer, which knows no
' others; Addin keeps what it is given, by value or by reference.
Dim host, c, d, e, addin
For Each host In Array("Word", "Excel", "PowerPoint")
  Set c = CreateObject("OrvanpdfVtAddIn." & host & "Designer")
  c.Initialize
  c.GlobalhWnd = "4711"
  Set d = CreateObject("OrvanpdfVtAddIn.dsrPdfVtAddin" & host)
  d.AddinInstance_Initialize
  On Error Resume Next
  d.NoSuchMember
  e = Err.Number & " " & Err.Description
  On Error GoTo 0
  MsgBox host & ": " & c.menubar & "; " & TypeName(c.GlobalhWnd) & " " & c.GlobalhWnd & "; " & e
Next
Set addin = CreateObject("OrvanpdfVtAddIn.Addin")
addin.AddinDsr = 7
e = addin.AddinDsr
Set addin.AddinDsr = c
MsgBox e & " " & TypeName(addin.AddinDsr)
