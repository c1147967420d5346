# Script-driven tests of the settings dialog: the real dialog under Wine on the virtual display,
# and the terminal form in a tmux pane. Both drive `hotsync configure`.
if(TARGET hotsync)
  if(WIN32)
    add_test(NAME dialog_gui
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/gui_wine_test.sh ${CMAKE_BINARY_DIR}/bin
              ${CMAKE_BINARY_DIR}/test-artifacts/dialog)
    # Alone on the display: another test's window could take the focus or cover a button.
    set_tests_properties(dialog_gui PROPERTIES LABELS "gui;wine" SKIP_RETURN_CODE 77 TIMEOUT 300
                         RUN_SERIAL ON)
  else()
    add_test(NAME dialog_terminal
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/terminal_tmux_test.sh ${CMAKE_BINARY_DIR}/bin)
    set_tests_properties(dialog_terminal PROPERTIES LABELS "terminal" SKIP_RETURN_CODE 77
                         TIMEOUT 300)
  endif()
endif()
