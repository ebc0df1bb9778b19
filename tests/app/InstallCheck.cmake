# Installs the build in BUILD_DIR into a fresh PREFIX and checks that the
# program, its help text and its desktop entry with the icon arrived.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(f bin/Hotaru share/hotaru/Readme.txt share/applications/hotaru.desktop
          share/icons/hicolor/128x128/apps/hotaru.png)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# The help text is the CP932 file itself, CR LF line ends included.
file(SHA256 ${PREFIX}/share/hotaru/Readme.txt installed)
file(SHA256 ${CMAKE_CURRENT_LIST_DIR}/../../Readme.txt source)
if(NOT installed STREQUAL source)
  message(FATAL_ERROR "share/hotaru/Readme.txt differs from Readme.txt")
endif()

# Whole lines of the entry (";" would split a CMake list, so no lists here).
file(READ ${PREFIX}/share/applications/hotaru.desktop entry)
set(entry "\n${entry}")
foreach(line "Exec=Hotaru %f" "MimeType=text/plain;" "Icon=hotaru" "Type=Application")
  string(FIND "${entry}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks the line ${line}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
