' Each host's controller looks for its host's main window by class; the box tells which found one.
For Each name In Array("Word", "Excel", "PowerPoint")
  Set controller = CreateObject("OrvanpdfVtAddIn." & name & "Designer")
  controller.Initialize
  found = found & " " & name & " " & (controller.GlobalhWnd <> 0)
Next
MsgBox Mid(found, 2)
