' A macro in Word drives the add-in through its automation class: Start pushed by hand.
Dim addin, bar
Set addin = CreateObject("OrvanpdfVtAddIn.Addin")
addin.Init Application
Set bar = Application.CommandBars("Orvan pdf vatner Toolbar")
addin.PushButtonEvent Application, (bar.Controls(1))
addin.DeInit Application
