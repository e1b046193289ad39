# The program: entry point, application object, translations beside it and the ffmpeg tool.
find_package(Qt5 REQUIRED COMPONENTS LinguistTools)
set(rv_ts_files
    ${CMAKE_CURRENT_SOURCE_DIR}/languages/Ravlix360Player_en_US.ts
    ${CMAKE_CURRENT_SOURCE_DIR}/languages/Ravlix360Player_ja_JP.ts)
set_source_files_properties(${rv_ts_files} PROPERTIES
    OUTPUT_LOCATION ${CMAKE_CURRENT_BINARY_DIR}/languages)
qt5_add_translation(rv_qm_files ${rv_ts_files})

# Qt's own translations for the locales the program supports, under the names it loads. The
# catalogue "qt_" only names the module catalogues, which it loads from its own folder under
# their own names: they are copied beside it.
set(rv_qt_qm_files)
function(rv_copy_qt_translation source target)
    if(EXISTS ${source})
        add_custom_command(OUTPUT ${target}
            COMMAND ${CMAKE_COMMAND} -E copy ${source} ${target}
            DEPENDS ${source} VERBATIM)
        set(rv_qt_qm_files ${rv_qt_qm_files} ${target} PARENT_SCOPE)
    endif()
endfunction()
set(rv_qt_translations /usr/share/qt5/translations)
foreach(pair "en;en_US" "ja;ja_JP")
    list(GET pair 0 lang)
    list(GET pair 1 locale)
    foreach(prefix qt_ qtbase_)
        rv_copy_qt_translation(${rv_qt_translations}/${prefix}${lang}.qm
            ${CMAKE_CURRENT_BINARY_DIR}/languages/${prefix}${locale}.qm)
    endforeach()
    foreach(module qtbase qtscript qtmultimedia qtxmlpatterns)
        rv_copy_qt_translation(${rv_qt_translations}/${module}_${lang}.qm
            ${CMAKE_CURRENT_BINARY_DIR}/languages/${module}_${lang}.qm)
    endforeach()
endforeach()

add_executable(Ravlix360Player
    ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/Ravlix360Player.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/Ravlix360Player.h
    ${CMAKE_CURRENT_SOURCE_DIR}/Translations.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/Translations.h
    ${rv_qm_files} ${rv_qt_qm_files})
target_include_directories(Ravlix360Player PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(Ravlix360Player PRIVATE mainWindow singleApplication base)
set_target_properties(Ravlix360Player PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
rv_link_ffmpeg_tool(Ravlix360Player)
