' Creates the add-in's automation class and starts it on Word; the object lives on in the
' host's macros.
Dim addin
Set addin = CreateObject("OrvanpdfVtAddIn.Addin")
addin.Init Application
