' Init with an object that is no Office application fails with Basic's "Object required".
Dim broken
Set broken = CreateObject("OrvanpdfVtAddIn.Addin")
broken.Init CreateObject("Scripting.Dictionary")
