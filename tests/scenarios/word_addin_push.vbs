' Pushes Start through the object an earlier macro made, and stops it.
addin.PushButtonEvent Application, (Application.CommandBars("Orvan pdf vatner Toolbar").Controls(1))
addin.DeInit Application
