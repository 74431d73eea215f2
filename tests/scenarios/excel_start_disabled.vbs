' The Start button disabled by hand.
Application.CommandBars("Orvan pdf vatner Toolbar").Controls(1).Enabled = False
