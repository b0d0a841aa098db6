# System DLLs the tool needs only once the user does something (queries, plays
# a song, opens a page or a file dialog, or a screen reader asks) are loaded
# then, not while the window comes up: under Wine they and what they pull in
# (sockets, the audio codecs, the proxy scripts, the shell's helpers) cost
# start-up time. qzm_delay_loaded(<lib> <dll>) makes the
# target qzm_delay_<lib>, linked instead of <lib>.
#
# With MinGW the delay-import library is made from the toolchain's own import
# library (its exports through nm, then dlltool); MSVC has /DELAYLOAD. Either
# way a DLL that is missing fails the call that needs it: code that can run
# without one (Media Foundation is absent from Windows N) checks first.
function(qzm_delay_loaded lib dll)
  set(target qzm_delay_${lib})
  add_library(${target} INTERFACE)
  if(MINGW AND CMAKE_NM AND CMAKE_DLLTOOL)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${lib}.a
                    OUTPUT_VARIABLE implib OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${CMAKE_NM} --defined-only ${implib}
                    OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
    if(failed OR NOT EXISTS "${implib}")
      message(FATAL_ERROR "no import library lib${lib}.a for ${dll}")
    endif()
    # The import library's code symbols are the DLL's functions.
    string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z_][A-Za-z0-9_@]*" entries "${symbols}")
    set(def "LIBRARY ${dll}\nEXPORTS\n")
    foreach(entry IN LISTS entries)
      string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${entry}")
      string(APPEND def "${name}\n")
    endforeach()
    set(dir ${CMAKE_BINARY_DIR}/delayload)
    file(MAKE_DIRECTORY ${dir})
    file(WRITE ${dir}/${lib}.def "${def}")
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${dir}/${lib}.def --dllname ${dll}
                            --output-delaylib ${dir}/lib${lib}_delay.a
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "dlltool could not make the delay-import library of ${dll}")
    endif()
    target_link_libraries(${target} INTERFACE ${dir}/lib${lib}_delay.a)
  elseif(MSVC)
    target_link_libraries(${target} INTERFACE ${lib} delayimp)
    target_link_options(${target} INTERFACE /DELAYLOAD:${dll})
  else()
    target_link_libraries(${target} INTERFACE ${lib})
  endif()
endfunction()

qzm_delay_loaded(winhttp WINHTTP.dll)
qzm_delay_loaded(mfplat MFPlat.DLL)
qzm_delay_loaded(mfreadwrite MFReadWrite.dll)
qzm_delay_loaded(winmm WINMM.dll)
qzm_delay_loaded(oleacc OLEACC.dll)
qzm_delay_loaded(shell32 SHELL32.dll)
# The XML reader's strings and variants, the skin's translation of system
# colours and the screen reader's answers: nothing of the first frame needs it.
qzm_delay_loaded(oleaut32 OLEAUT32.dll)
