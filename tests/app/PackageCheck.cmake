# Makes the Debian package of the build in BUILD_DIR into OUT and checks
# its name, its files and what it depends on.  Says SKIPPED when the
# packaging tools (dpkg-dev, file) are missing.
foreach(tool dpkg-deb dpkg-shlibdeps file)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message("SKIPPED: ${tool} is missing; scripts/test installs it")
    return()
  endif()
endforeach()

file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT}
                RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB debs ${OUT}/hotaru_*_*.deb)
list(LENGTH debs n)
if(NOT result EQUAL 0 OR NOT n EQUAL 1)
  message(FATAL_ERROR "cpack made no hotaru_<version>_<arch>.deb (${result}):\n${log}")
endif()

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE contents COMMAND_ERROR_IS_FATAL ANY)
foreach(f usr/bin/Hotaru usr/share/hotaru/Readme.txt usr/share/applications/hotaru.desktop
          usr/share/icons/hicolor/128x128/apps/hotaru.png)
  if(NOT contents MATCHES " \\./${f}\n")
    message(FATAL_ERROR "the package lacks /${f}:\n${contents}")
  endif()
endforeach()

# The Qt libraries (found by dpkg-shlibdeps), the font and Qt's translations.
execute_process(COMMAND dpkg-deb -f ${debs} Depends OUTPUT_VARIABLE depends COMMAND_ERROR_IS_FATAL ANY)
foreach(p libqt6core6 libqt6gui6 libqt6widgets6 fonts-ipafont-gothic qt6-translations-l10n)
  if(NOT depends MATCHES "(^|, )${p}( |,|\n|$)")
    message(FATAL_ERROR "the package does not depend on ${p}: ${depends}")
  endif()
endforeach()
file(REMOVE_RECURSE ${OUT})
