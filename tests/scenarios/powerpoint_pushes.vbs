' A macro pushes PowerPoint's buttons through the add-in's automation class: only the toolbar's
' Start and Config, their tags compared exactly, raise a command; DeInit takes the add-in down.
Set addin = CreateObject("OrvanpdfVtAddIn.Addin")
addin.Init Application
Set bar = Application.CommandBars("Orvan pdf vatner Toolbar")
addin.PushButtonEvent Application, (Application.CommandBars("Menu Bar").Controls(10).Controls(1))
bar.Controls(1).Tag = "orvan pdf vatner start"
addin.PushButtonEvent Application, (bar.Controls(1))
bar.Controls(1).Tag = "Orvan pdf vatner Start"
addin.PushButtonEvent Application, (bar.Controls(2))
addin.PushButtonEvent Application, (bar.Controls(1))
addin.DeInit Application
