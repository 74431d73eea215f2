' The user clicks Start while a macro runs; the macro then finds Word's printer put back.
Sim.Click "Orvan pdf vatner Start"
MsgBox Application.ActivePrinter
