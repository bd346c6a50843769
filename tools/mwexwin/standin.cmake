# The Windows build of the stand-in Logo program (main.c), made with the mingw-w64 cross
# compiler when it is installed: ${QUMO_WIN32_STANDIN} is then its path and the target
# mwex_win32 builds it. Without the compiler neither exists.
find_program(QUMO_MINGW_CC x86_64-w64-mingw32-gcc)
if(QUMO_MINGW_CC)
  set(QUMO_WIN32_STANDIN ${CMAKE_BINARY_DIR}/tools/win32/mwex.exe)
  add_custom_command(
    OUTPUT ${QUMO_WIN32_STANDIN}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tools/win32
    COMMAND ${QUMO_MINGW_CC} -O2 -s -Wall -Wextra -municode -mwindows
            -o ${QUMO_WIN32_STANDIN} ${CMAKE_CURRENT_LIST_DIR}/main.c -lshell32
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/main.c
    COMMENT "Building the Windows stand-in Logo program"
    VERBATIM)
  add_custom_target(mwex_win32 ALL DEPENDS ${QUMO_WIN32_STANDIN})
else()
  message(STATUS "x86_64-w64-mingw32-gcc not found: no Windows stand-in, the Wine tests skip")
endif()
