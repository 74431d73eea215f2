' Init with an object that is no Office application fails with Basic's "Object required".
Dim addin
Set addin = CreateObject("OrvanpdfVtAddIn.Addin")
addin.Init CreateObject("Scripting.Dictionary")
